#include "SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

namespace phonesim {

namespace {

bool readNumber(const QCommandLineParser& parser, const QString& name, qint64 minimum,
                qint64* value, QString* error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 number = parser.value(name).toLongLong(&ok);
    if (!ok || number < minimum) {
        *error = QStringLiteral("--%1 needs a number of at least %2").arg(name).arg(minimum);
        return false;
    }
    *value = number;
    return true;
}

template <typename T>
bool readInt(const QCommandLineParser& parser, const QString& name, qint64 minimum, T* value,
             QString* error)
{
    qint64 number = static_cast<qint64>(*value);
    if (!readNumber(parser, name, minimum, &number, error))
        return false;
    *value = static_cast<T>(number);
    return true;
}

} // namespace

bool parseSimOptions(const QStringList& arguments, SimOptions* o, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the phone's SMS service on the four ports 42580, 32421, 32422 and "
                       "43256.\nMisbehaviour modes:\n") +
        misbehaviourHelp() +
        QStringLiteral(
            "Standard input: push <address> <body>, push-named <address> <person> <body>, "
            "push-random <n>, drop-listeners, misbehave <mode>, status, quit.\nEscapes in "
            "arguments: \\n \\r \\t \\s (space) \\\\."));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("address"), QStringLiteral("Address to listen on."), QStringLiteral("ip"),
         o->address},
        {QStringLiteral("seed"), QStringLiteral("Seed of the generated store."),
         QStringLiteral("n"), QStringLiteral("1")},
        {QStringLiteral("count"),
         QStringLiteral("Number of generated messages (200; 0 with --csv)."), QStringLiteral("n")},
        {QStringLiteral("contacts"), QStringLiteral("Number of conversations."),
         QStringLiteral("n"), QStringLiteral("25")},
        {QStringLiteral("batch"), QStringLiteral("Records per backup batch."), QStringLiteral("n"),
         QStringLiteral("100")},
        {QStringLiteral("dup-every"), QStringLiteral("Every n-th message repeats the one before."),
         QStringLiteral("n")},
        {QStringLiteral("csv"),
         QStringLiteral("Load messages from a CSV file of the program's export."),
         QStringLiteral("file")},
        {QStringLiteral("misbehave"), QStringLiteral("Commit one fault (see modes)."),
         QStringLiteral("mode")},
        {QStringLiteral("misbehave-at"),
         QStringLiteral("Record index where a backup fault strikes."), QStringLiteral("n")},
        {QStringLiteral("error-text"), QStringLiteral("Text of the error-mid error line."),
         QStringLiteral("text")},
        {QStringLiteral("restore-log"),
         QStringLiteral("Append every restored record to this file."), QStringLiteral("file")},
        {QStringLiteral("keep-restored"), QStringLiteral("Add restored records to the store.")},
        {QStringLiteral("push-every"),
         QStringLiteral("Push a generated incoming SMS every ms milliseconds."),
         QStringLiteral("ms")},
        {QStringLiteral("log"), QStringLiteral("Write the traffic log here instead of stderr."),
         QStringLiteral("file")},
        {QStringLiteral("verbose"),
         QStringLiteral("Log every record of backups and restores too.")},
        {QStringLiteral("exit-on-stdin-eof"), QStringLiteral("Quit when standard input ends.")},
        {QStringLiteral("arm-timeout"),
         QStringLiteral("How long a data connection may wait for its request."),
         QStringLiteral("ms"), QStringLiteral("3000")},
        {QStringLiteral("dump"), QStringLiteral("Print the store's records (wire form) and exit.")},
    };
    parser.addOptions(options);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return false;
    }
    o->address = parser.value(QStringLiteral("address"));
    if (QHostAddress(o->address).isNull()) {
        *error = QStringLiteral("--address needs an IP address");
        return false;
    }
    o->csvFile = parser.value(QStringLiteral("csv"));
    if (!o->csvFile.isEmpty())
        o->count = 0;
    if (!readInt(parser, QStringLiteral("seed"), 0, &o->seed, error) ||
        !readInt(parser, QStringLiteral("count"), 0, &o->count, error) ||
        !readInt(parser, QStringLiteral("contacts"), 1, &o->contacts, error) ||
        !readInt(parser, QStringLiteral("batch"), 1, &o->batch, error) ||
        !readInt(parser, QStringLiteral("dup-every"), 2, &o->dupEvery, error) ||
        !readInt(parser, QStringLiteral("misbehave-at"), 0, &o->misbehaveAt, error) ||
        !readInt(parser, QStringLiteral("push-every"), 1, &o->pushEveryMs, error) ||
        !readInt(parser, QStringLiteral("arm-timeout"), 1, &o->armTimeoutMs, error))
        return false;
    if (parser.isSet(QStringLiteral("misbehave")) &&
        !misbehaviourFromName(parser.value(QStringLiteral("misbehave")), &o->misbehave)) {
        *error = QStringLiteral("unknown misbehaviour %1; modes:\n%2")
                     .arg(parser.value(QStringLiteral("misbehave")), misbehaviourHelp());
        return false;
    }
    if (parser.isSet(QStringLiteral("error-text")))
        o->errorText = parser.value(QStringLiteral("error-text"));
    o->restoreLog = parser.value(QStringLiteral("restore-log"));
    o->keepRestored = parser.isSet(QStringLiteral("keep-restored"));
    o->logFile = parser.value(QStringLiteral("log"));
    o->verbose = parser.isSet(QStringLiteral("verbose"));
    o->exitOnStdinEof = parser.isSet(QStringLiteral("exit-on-stdin-eof"));
    o->dump = parser.isSet(QStringLiteral("dump"));
    return true;
}

} // namespace phonesim
