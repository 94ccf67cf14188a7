#include "gui/ui/ContactCompleter.h"

#include "core/store/ContactsQuery.h"

namespace {

QChar foldAscii(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ? QChar(c.unicode() + 32) : c;
}

// Backtracking match over the remaining value and pattern, as SQLite's patternCompare does.
bool likeFrom(const QString& value, qsizetype v, const QString& pattern, qsizetype p)
{
    while (p < pattern.size()) {
        const QChar pc = pattern.at(p);
        if (pc == QLatin1Char('%')) {
            while (p < pattern.size() && pattern.at(p) == QLatin1Char('%'))
                ++p;
            if (p == pattern.size())
                return true;
            for (qsizetype start = v; start <= value.size(); ++start) {
                if (likeFrom(value, start, pattern, p))
                    return true;
            }
            return false;
        }
        if (v >= value.size())
            return false;
        if (pc != QLatin1Char('_') && foldAscii(pc) != foldAscii(value.at(v)))
            return false;
        ++v;
        ++p;
    }
    return v == value.size();
}

} // namespace

bool ContactCompleter::like(const QString& value, const QString& pattern)
{
    return likeFrom(value, 0, pattern, 0);
}

void ContactCompleter::load(Sqlite3DB* db)
{
    // The grouping of "... from sms group by suffix having person like ? or address like ?",
    // read once without the filter, in the same (suffix) order.
    m_contacts.clear();
    for (const ContactEntry& entry : loadContacts(db, ContactOrder::ByKey))
        m_contacts.append({entry.person, entry.address, entry.displayText()});
    m_loaded = true;
}

QStringList ContactCompleter::matches(Sqlite3DB* db, const QString& fragment)
{
    if (!m_loaded)
        load(db);
    const QString pattern = QLatin1Char('%') + fragment + QLatin1Char('%');
    QStringList found;
    for (const Contact& contact : std::as_const(m_contacts)) {
        if (like(contact.person, pattern) || like(contact.address, pattern))
            found.append(contact.displayText);
    }
    return found;
}
