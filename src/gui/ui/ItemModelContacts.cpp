#include "gui/ui/ItemModelContacts.h"

#include "core/store/Accounts.h"
#include "core/store/Sqlite3Cursor.h"
#include "core/store/Sqlite3DB.h"
#include "core/store/Sqlite3Exception.h"
#include "core/store/Sqlite3Sql.h"
#include "core/store/StoreSMS.h"
#include "gui/frame/MessageBoxes.h"

// "+suffix" keeps SQLite from grouping through index_suffix: that walks the index and fetches
// every row from the table in index order, while one pass over the table and a sort of the
// groups gives the same rows in about half the time on a large account.
const char* const ItemModelContacts::contactsQuery =
    "select suffix, max(person) as person, max(address) as address, max(date) as date from sms "
    "group by +suffix order by max(date) desc;";

QString ContactEntry::displayText() const
{
    if (!person.isEmpty())
        return address.isEmpty() ? person : person + QLatin1Char('(') + address + QLatin1Char(')');
    if (!address.isEmpty())
        return address;
    return QStringLiteral("Unknown");
}

ItemModelContacts::ItemModelContacts(QObject* parent)
    : QAbstractItemModel(parent), m_contactIcon(QStringLiteral(":/res/contact.png"))
{}

void ItemModelContacts::reload()
{
    try {
        reloadFrom(currentDatabase());
    } catch (const Sqlite3Exception& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
    }
}

void ItemModelContacts::reloadFrom(Sqlite3DB* db)
{
    // A reset (rather than a bare layout change) drops the views' indexes into the old list,
    // whose entries they point at.
    beginResetModel();
    m_entries.clear();
    try {
        Sqlite3Cursor cursor = db->queryThrow(Sqlite3Sql(contactsQuery));
        while (cursor.moveNext()) {
            m_entries.append({cursor.getText(QStringLiteral("address")),
                              cursor.getText(QStringLiteral("person")),
                              cursor.getText(QStringLiteral("suffix")),
                              cursor.getInt64(QStringLiteral("date"))});
        }
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

int ItemModelContacts::rowOfSuffix(const QString& suffix) const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries.at(row).suffix == suffix)
            return row;
    }
    return -1;
}

namespace {

// The database's max() over text: byte order of the UTF-8 text.
QString greaterText(const QString& a, const QString& b)
{
    return b.toUtf8() > a.toUtf8() ? b : a;
}

} // namespace

int ItemModelContacts::noteMessage(const SMSInfo& sms)
{
    const qint64 date = sms.date.isValid() ? sms.date.toMSecsSinceEpoch() / 1000 : 0;
    const int old = rowOfSuffix(conversationSuffix(sms.address));
    ContactEntry entry{sms.address, sms.person, conversationSuffix(sms.address), date};
    if (old >= 0) {
        const ContactEntry& known = m_entries.at(old);
        entry = {greaterText(known.address, sms.address), greaterText(known.person, sms.person),
                 known.suffix, std::max(known.lastDate, date)};
    }
    // Newest first; among equal dates the moved entry goes first.
    int row = 0;
    while (row < m_entries.size() && (row == old || m_entries.at(row).lastDate > entry.lastDate))
        ++row;
    const int target = old >= 0 && row > old ? row - 1 : row;
    if (old < 0) {
        beginInsertRows(QModelIndex(), target, target);
        m_entries.insert(target, entry);
        endInsertRows();
        return target;
    }
    if (target != old) {
        beginMoveRows(QModelIndex(), old, old, QModelIndex(), target > old ? target + 1 : target);
        m_entries.move(old, target);
        endMoveRows();
    }
    m_entries[target] = entry;
    emit dataChanged(index(target, 0), index(target, 0));
    return target;
}

QModelIndex ItemModelContacts::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    return createIndex(row, column, const_cast<ContactEntry*>(&m_entries.at(row)));
}

QModelIndex ItemModelContacts::parent(const QModelIndex&) const
{
    return QModelIndex();
}

int ItemModelContacts::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int ItemModelContacts::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ItemModelContacts::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_entries.at(index.row()).displayText();
    if (role == Qt::DecorationRole)
        return m_contactIcon;
    return QVariant();
}

QVariant ItemModelContacts::headerData(int, Qt::Orientation, int) const
{
    return QVariant();
}
