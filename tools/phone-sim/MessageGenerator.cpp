#include "MessageGenerator.h"

#include <iterator>

namespace phonesim {

namespace {

constexpr quint64 kContactSalt = 0xC0A7AC7ULL;
constexpr quint64 kMessageSalt = 0x5E55A6EULL;
constexpr quint64 kPushSalt = 0x9B5F00DULL;
constexpr qint64 kFirstDateMs = 1483228800000LL;   // 2017-01-01 00:00 UTC
constexpr qint64 kSpanMs = 7LL * 365 * 86400000LL; // about seven years
constexpr qint64 kMinStepMs = 3000;

quint64 nextRandom(quint64& state)
{
    state += 0x9E3779B97F4A7C15ULL;
    quint64 z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

quint64 streamState(quint64 seed, quint64 salt, quint64 index)
{
    quint64 state = seed ^ (salt * 0xD1B54A32D192ED03ULL);
    state = nextRandom(state) ^ index;
    nextRandom(state);
    return state;
}

int below(quint64& state, int n)
{
    return static_cast<int>(nextRandom(state) % static_cast<quint64>(n));
}

// A table of UTF-8 texts as strings, made once, so that picking one costs no conversion.
class Texts
{
public:
    template <size_t N> explicit Texts(const char* const (&list)[N])
    {
        m_texts.reserve(static_cast<qsizetype>(N));
        for (const char* text : list)
            m_texts.append(QString::fromUtf8(text));
    }
    const QString& pick(quint64& state) const
    {
        return m_texts.at(below(state, static_cast<int>(m_texts.size())));
    }

private:
    QList<QString> m_texts;
};

QString digits(quint64& state, int n)
{
    QString out;
    for (int i = 0; i < n; ++i)
        out += QChar(u'0' + below(state, 10));
    return out;
}

const char* const kNames[] = {"Anna Müller",
                              "Lukas Schmidt",
                              "Zoë O'Brien",
                              "Jean-Luc Picard",
                              "Mehmet Yılmaz",
                              "Иван Петров",
                              "Ольга Смирнова",
                              "Γιώργος Παπαδόπουλος",
                              "Ελένη",
                              "王小明",
                              "田中 美咲",
                              "محمد علي",
                              "فاطمة",
                              "Søren Kierkegaard",
                              "Łukasz Nowak",
                              "Nguyễn Văn An",
                              "Mama ❤️",
                              "Chef 👔",
                              "Dr. Weber, Praxis",
                              "Max \"Maxi\" Power",
                              "Oma",
                              "Büro",
                              "Jörg",
                              "Sophie & Tom"};

const char* const kMobilePrefixes[] = {"151", "152", "157", "160", "162", "170", "171",
                                       "172", "175", "176", "177", "178", "179"};
const char* const kAreaCodes[] = {"30", "40", "89", "221", "69", "711", "351", "6221"};
const char* const kCountryCodes[] = {"1", "44", "7", "86", "30", "20", "33", "39"};
const char* const kServices[] = {"Bank24", "DHL", "PayPal",    "Amazon",  "Telekom",  "O2",
                                 "HERMES", "1&1", "Sparkasse", "DB Bahn", "Vodafone", "Lieferando"};

const char* const kChat[] = {"Bin gleich da.",
                             "Kommst du heute Abend?",
                             "Ok, bis später!",
                             "Hast du an die Milch gedacht?",
                             "Er sagte \"morgen\", nicht heute.",
                             "Ja, nein, vielleicht.",
                             "Erste Zeile\nzweite Zeile",
                             "Happy birthday! 🎉🎂",
                             "👍",
                             "Привет! Как дела?",
                             "Спасибо, всё хорошо.",
                             "Καλημέρα! Τι κάνεις;",
                             "你好，明天见。",
                             "今日は雨ですね☔",
                             "مرحبا، كيف حالك؟",
                             "Meeting at 10:30, room 4.12",
                             "Preis: 12,50 € (inkl. MwSt.)",
                             "<b>not bold</b> & <i>friends</i>",
                             "Tab\there",
                             "C:\\Users\\anna\\Desktop",
                             "50% off — today only!",
                             "See https://example.org/?a=1&b=2",
                             "Ich liebe dich ❤️",
                             "Familie: 👨‍👩‍👧‍👦",
                             "🇩🇪 gewinnt 2:1!!!",
                             "\"Zitat\" am Anfang",
                             "ends with a quote\"",
                             "a,b,c,,d",
                             "Wo bist du?",
                             "Ruf mich bitte an.",
                             "Danke 🙏",
                             "Zug hat 20 Min. Verspätung",
                             "Can you send me the address?",
                             "Call me when you land",
                             "Was gibt's zum Essen?",
                             "Ich bin im Café, 2. Stock"};

const char* const kJoints[] = {" ", " ", "\n", ", ", " – ", "\r\n"};

const Texts& names()
{
    static const Texts texts(kNames);
    return texts;
}
const Texts& mobilePrefixes()
{
    static const Texts texts(kMobilePrefixes);
    return texts;
}
const Texts& areaCodes()
{
    static const Texts texts(kAreaCodes);
    return texts;
}
const Texts& countryCodes()
{
    static const Texts texts(kCountryCodes);
    return texts;
}
const Texts& services()
{
    static const Texts texts(kServices);
    return texts;
}
const Texts& chat()
{
    static const Texts texts(kChat);
    return texts;
}
const Texts& joints()
{
    static const Texts texts(kJoints);
    return texts;
}

} // namespace

MessageGenerator::MessageGenerator(quint64 seed, int contacts, qint64 count, int dupEvery)
    : m_seed(seed), m_count(qMax<qint64>(0, count)), m_dupEvery(qMax(0, dupEvery))
{
    m_stepMs = qMax(kMinStepMs, kSpanMs / qMax<qint64>(1, m_count));
    const int total = qMax(1, contacts);
    m_contacts.reserve(total);
    for (int i = 0; i < total; ++i) {
        m_contacts.append(makeContact(i));
        const Contact& c = m_contacts.last();
        if (!c.person.isEmpty() && !c.subscriber.isEmpty())
            m_personByDigits.insert(c.area + c.subscriber, c.person);
    }
}

MessageGenerator::Contact MessageGenerator::makeContact(int index) const
{
    quint64 state = streamState(m_seed, kContactSalt, static_cast<quint64>(index));
    // The first six cover every kind, so even a small store shows all of them.
    static const Kind kFirstKinds[] = {Kind::Mobile,  Kind::Mobile,    Kind::Landline,
                                       Kind::Service, Kind::ShortCode, Kind::Foreign};
    Contact c;
    if (index < static_cast<int>(std::size(kFirstKinds))) {
        c.kind = kFirstKinds[index];
    } else {
        const int r = below(state, 100);
        c.kind = r < 55   ? Kind::Mobile
                 : r < 70 ? Kind::Landline
                 : r < 80 ? Kind::Service
                 : r < 88 ? Kind::ShortCode
                          : Kind::Foreign;
    }
    int namedPercent = 0;
    switch (c.kind) {
    case Kind::Mobile:
        c.area = mobilePrefixes().pick(state);
        c.subscriber = digits(state, 7);
        namedPercent = index == 1 ? 0 : (index == 0 ? 100 : 70);
        break;
    case Kind::Landline:
        c.area = areaCodes().pick(state);
        c.subscriber = QString::number(1 + below(state, 9)) + digits(state, 6);
        namedPercent = 60;
        break;
    case Kind::ShortCode:
        c.fixed = QString::number(1 + below(state, 9)) + digits(state, 3 + below(state, 2));
        break;
    case Kind::Service:
        c.fixed = services().pick(state);
        break;
    case Kind::Foreign:
        c.countryCode = countryCodes().pick(state);
        c.area = QString::number(2 + below(state, 8)) + digits(state, 2);
        c.subscriber = digits(state, 7);
        namedPercent = 50;
        break;
    }
    if (below(state, 100) < namedPercent)
        c.person = names().pick(state);
    for (int variant = 0; variant < NOTATIONS; ++variant)
        c.notations.append(notation(c, variant));
    return c;
}

QString MessageGenerator::notation(const Contact& c, quint64 random)
{
    const int variant = static_cast<int>(random % NOTATIONS);
    const QString& a = c.area;
    const QString& s = c.subscriber;
    switch (c.kind) {
    case Kind::Mobile:
        switch (variant) {
        case 0:
            return QStringLiteral("+49 %1 %2").arg(a, s);
        case 1:
            return QStringLiteral("+49%1%2").arg(a, s);
        case 2:
            return QStringLiteral("0%1-%2").arg(a, s);
        case 3:
            return QStringLiteral("0%1%2").arg(a, s);
        case 4:
            return QStringLiteral("0%1 %2").arg(a, s);
        default:
            return QStringLiteral("0049 %1 %2").arg(a, s);
        }
    case Kind::Landline:
        switch (variant % 4) {
        case 0:
            return QStringLiteral("(0%1) %2 %3 %4")
                .arg(a, s.left(s.size() - 4), s.mid(s.size() - 4, 2), s.right(2));
        case 1:
            return QStringLiteral("0%1 %2").arg(a, s);
        case 2:
            return QStringLiteral("+49 %1 %2").arg(a, s);
        default:
            return QStringLiteral("0%1/%2").arg(a, s);
        }
    case Kind::Foreign:
        switch (variant % 3) {
        case 0:
            return QStringLiteral("+%1 %2 %3").arg(c.countryCode, a, s);
        case 1:
            return QStringLiteral("+%1%2%3").arg(c.countryCode, a, s);
        default:
            return QStringLiteral("00%1 %2%3").arg(c.countryCode, a, s);
        }
    case Kind::ShortCode:
    case Kind::Service:
        break;
    }
    return c.fixed;
}

QString MessageGenerator::chatBody(quint64& state)
{
    const int roll = below(state, 1000);
    if (roll < 2)
        return {}; // empty bodies happen (e.g. a sticker that did not convert)
    QString body = chat().pick(state);
    const int more = roll < 30 ? 12 : below(state, 3);
    for (int i = 0; i < more; ++i) {
        // The text is drawn before its joint, as the stores made so far had it (the order in
        // which the compiler used to evaluate the two draws of one expression).
        const QString& text = chat().pick(state);
        body += joints().pick(state);
        body += text;
    }
    if (roll >= 30 && roll < 40)
        body = QStringLiteral("  ") + body + QStringLiteral("  ");
    return body;
}

QString MessageGenerator::serviceBody(const Contact& c, quint64& state)
{
    switch (below(state, 6)) {
    case 0:
        return QStringLiteral("Ihr Code lautet %1. Nicht weitergeben!").arg(digits(state, 6));
    case 1:
        return QStringLiteral("%1: Ihr Paket %2 kommt heute zwischen 10:00 und 14:00 Uhr.")
            .arg(c.fixed, digits(state, 12));
    case 2:
        return QStringLiteral("Umsatz: -%1,%2 EUR, Kartenzahlung \"REWE Markt\".\nSaldo: %3,00 EUR")
            .arg(QString::number(1 + below(state, 300)), digits(state, 2),
                 QString::number(below(state, 5000)));
    case 3:
        return QStringLiteral("Your verification code is %1").arg(digits(state, 6));
    case 4:
        return QStringLiteral("Ваш код: %1. Никому не сообщайте его.").arg(digits(state, 4));
    default:
        return QStringLiteral("Guthaben: %1,%2 € – Aufladen unter *100#")
            .arg(QString::number(below(state, 50)), digits(state, 2));
    }
}

int MessageGenerator::pickContact(quint64 random) const
{
    // Squared uniform value: a few long conversations and many short ones.
    const double u = static_cast<double>(random >> 11) / static_cast<double>(1ULL << 53);
    const int index = static_cast<int>(u * u * m_contacts.size());
    return qBound(0, index, static_cast<int>(m_contacts.size()) - 1);
}

SimMessage MessageGenerator::compose(const Contact& c, quint64 state, qint64 dateMs) const
{
    SimMessage m;
    m.dateMs = dateMs;
    m.address = c.notations.at(static_cast<int>(nextRandom(state) % NOTATIONS));
    m.person = c.person;
    const bool automated = c.kind == Kind::Service || c.kind == Kind::ShortCode;
    if (automated) {
        m.isSend = below(state, 100) < 5;
        m.body = m.isSend ? QStringLiteral("STOP") : serviceBody(c, state);
    } else {
        m.isSend = below(state, 2) == 1;
        m.body = chatBody(state);
    }
    return m;
}

SimMessage MessageGenerator::message(qint64 index) const
{
    if (m_dupEvery > 1 && index > 0 && index % m_dupEvery == m_dupEvery - 1)
        return message(index - 1);
    quint64 state = streamState(m_seed, kMessageSalt, static_cast<quint64>(index));
    const qint64 slot = kFirstDateMs + index * m_stepMs;
    qint64 dateMs = slot + static_cast<qint64>(nextRandom(state) % quint64(m_stepMs - 2000));
    if (dateMs % 1000 == 0)
        dateMs += 1 + below(state, 998); // keeps a millisecond part on the wire
    const Contact& c = m_contacts.at(pickContact(nextRandom(state)));
    return compose(c, state, dateMs);
}

SimMessage MessageGenerator::incoming(qint64 pushIndex, qint64 nowMs) const
{
    quint64 state = streamState(m_seed, kPushSalt, static_cast<quint64>(pushIndex));
    const Contact& c = m_contacts.at(pickContact(nextRandom(state)));
    SimMessage m = compose(c, state, nowMs);
    m.isSend = false;
    if (m.body == QStringLiteral("STOP"))
        m.body = serviceBody(c, state);
    return m;
}

QString MessageGenerator::digitKey(const QString& address)
{
    QString d;
    for (const QChar ch : address) {
        if (ch.isDigit())
            d += ch;
    }
    if (d.startsWith(QStringLiteral("0049")))
        return d.mid(4);
    if (d.startsWith(QStringLiteral("49")) && address.startsWith(u'+'))
        return d.mid(2);
    if (d.startsWith(u'0'))
        return d.mid(1);
    return d;
}

QString MessageGenerator::personFor(const QString& address) const
{
    return m_personByDigits.value(digitKey(address));
}

} // namespace phonesim
