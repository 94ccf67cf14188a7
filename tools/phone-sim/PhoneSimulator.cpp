#include "PhoneSimulator.h"

#include "BackupSession.h"
#include "CommandSession.h"
#include "CsvMessageLoader.h"
#include "DataPortGate.h"
#include "ListenerHub.h"
#include "ListenerSession.h"
#include "RestoreSession.h"
#include "WireText.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

namespace phonesim {

namespace {

// Splits off the first space-separated word of text; text keeps the rest after one space.
QString takeWord(QString* text)
{
    const qsizetype space = text->indexOf(u' ');
    const QString word = space < 0 ? *text : text->left(space);
    *text = space < 0 ? QString() : text->mid(space + 1);
    return word;
}

} // namespace

PhoneSimulator::PhoneSimulator(const SimOptions& options, SimLogger& logger, QObject* parent)
    : QObject(parent), m_options(options), m_logger(logger),
      m_generator(options.seed, options.contacts, options.count, options.dupEvery),
      m_store(m_generator), m_hub(new ListenerHub(this))
{
    connect(m_hub, &ListenerHub::delivered, this,
            [this](qint64 number) { announce(QStringLiteral("PUSHED %1").arg(number)); });
}

bool PhoneSimulator::loadStore(QString* error)
{
    if (m_options.csvFile.isEmpty())
        return true;
    QList<SimMessage> loaded;
    if (!CsvMessageLoader::load(m_options.csvFile, &loaded, error)) {
        *error = QStringLiteral("%1: %2").arg(m_options.csvFile, *error);
        return false;
    }
    m_store.setLoaded(loaded);
    return true;
}

bool PhoneSimulator::start(QString* error)
{
    if (!loadStore(error))
        return false;
    if (!m_options.restoreLog.isEmpty()) {
        m_restoreLog.setFileName(m_options.restoreLog);
        if (!m_restoreLog.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = QStringLiteral("%1: %2").arg(m_options.restoreLog, m_restoreLog.errorString());
            return false;
        }
    }
    const QHostAddress address(m_options.address);
    m_commandServer = new QTcpServer(this);
    if (!m_commandServer->listen(address, kCommandPort)) {
        *error = QStringLiteral("command port %1: %2")
                     .arg(kCommandPort)
                     .arg(m_commandServer->errorString());
        return false;
    }
    connect(m_commandServer, &QTcpServer::newConnection, this, &PhoneSimulator::acceptCommand);

    const bool dataPorts = m_options.misbehave != Misbehaviour::NoDataPort;
    const QList<QPair<QString, int>> ports = {{QStringLiteral("backup"), kBackupPort},
                                              {QStringLiteral("restore"), kRestorePort},
                                              {QStringLiteral("listen"), kListenerPort}};
    for (const auto& [kind, port] : ports) {
        if (!dataPorts && port != kListenerPort)
            continue;
        auto* gate = new DataPortGate(kind, port, m_options.armTimeoutMs, m_logger, this);
        if (!gate->listen(address, error))
            return false;
        // A structured binding cannot be captured before C++20 compilers all allow it.
        const int gatePort = port;
        connect(gate, &DataPortGate::admitted, this,
                [this, gatePort](QTcpSocket* socket, const QString& name) {
                    admitData(gatePort, socket, name);
                });
        m_gates.append(gate);
    }
    if (m_options.pushEveryMs > 0) {
        m_pushTimer = new QTimer(this);
        connect(m_pushTimer, &QTimer::timeout, this, [this] { pushGenerated(1); });
        m_pushTimer->start(m_options.pushEveryMs);
    }
    m_logger.note(QStringLiteral("sim"),
                  QStringLiteral("listening on %1, %2 messages in store, misbehave %3")
                      .arg(m_options.address)
                      .arg(m_store.count())
                      .arg(misbehaviourName(m_options.misbehave)));
    return true;
}

void PhoneSimulator::acceptCommand()
{
    while (QTcpSocket* socket = m_commandServer->nextPendingConnection()) {
        const QString name = QStringLiteral("cmd#%1").arg(++m_commandConnections);
        new CommandSession(socket, name, *this, this);
    }
}

void PhoneSimulator::arm(int port, const QString& by)
{
    for (DataPortGate* gate : std::as_const(m_gates)) {
        if (gate->port() == port) {
            m_logger.note(by, QStringLiteral("data port %1 armed").arg(port));
            gate->arm();
            return;
        }
    }
    m_logger.note(by, QStringLiteral("data port %1 is not offered").arg(port));
}

void PhoneSimulator::admitData(int port, QTcpSocket* socket, const QString& name)
{
    if (port == kBackupPort) {
        new BackupSession(socket, name, *this, this);
    } else if (port == kRestorePort) {
        new RestoreSession(socket, name, *this, this);
    } else {
        auto* session = new ListenerSession(socket, name, *this, this);
        m_hub->addListener(session);
        announce(QStringLiteral("LISTENER %1").arg(name));
    }
}

QString PhoneSimulator::personFor(const QString& address) const
{
    return m_generator.personFor(address);
}

void PhoneSimulator::announce(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

void PhoneSimulator::backupFinished(qint64 records, int batches)
{
    ++m_backups;
    m_backupRecords += records;
    announce(QStringLiteral("BACKUP-DONE %1 %2").arg(records).arg(batches));
}

void PhoneSimulator::restoredRecord(const QByteArray& payload, const SimMessage& message)
{
    ++m_restoredRecords;
    if (m_restoreLog.isOpen())
        m_restoreLog.write(payload + '\n');
    if (m_options.keepRestored)
        m_store.add(message);
}

void PhoneSimulator::restoreBatchDone()
{
    if (m_restoreLog.isOpen())
        m_restoreLog.flush();
}

void PhoneSimulator::restoreFinished(qint64 records, int batches)
{
    ++m_restores;
    restoreBatchDone();
    announce(QStringLiteral("RESTORED %1 %2").arg(records).arg(batches));
}

void PhoneSimulator::pushMessage(const SimMessage& message)
{
    m_store.add(message);
    const qint64 number = m_hub->push(message);
    m_logger.note(QStringLiteral("sim"),
                  QStringLiteral("push %1 %2")
                      .arg(number)
                      .arg(m_hub->listeners() ? QStringLiteral("sent") : QStringLiteral("queued")));
}

void PhoneSimulator::pushGenerated(int count)
{
    for (int i = 0; i < count; ++i)
        pushMessage(m_generator.incoming(m_generatedPushes++, QDateTime::currentMSecsSinceEpoch()));
}

void PhoneSimulator::runCommand(const QString& input)
{
    QString rest = input;
    while (rest.endsWith(u'\r') || rest.endsWith(u'\n'))
        rest.chop(1);
    const QString command = takeWord(&rest);
    if (command == QLatin1String("push") || command == QLatin1String("push-named")) {
        SimMessage m;
        m.dateMs = QDateTime::currentMSecsSinceEpoch();
        m.isSend = false;
        m.address = unescapeArgument(takeWord(&rest));
        m.person = command == QLatin1String("push-named") ? unescapeArgument(takeWord(&rest))
                                                          : personFor(m.address);
        m.body = unescapeArgument(rest);
        pushMessage(m);
    } else if (command == QLatin1String("push-random")) {
        bool ok = true;
        const int count = rest.isEmpty() ? 1 : rest.trimmed().toInt(&ok);
        if (!ok || count < 0)
            announce(QStringLiteral("ERROR push-random needs a count"));
        else
            pushGenerated(count);
    } else if (command == QLatin1String("misbehave")) {
        if (misbehaviourFromName(rest.trimmed(), &m_options.misbehave))
            announce(QStringLiteral("MISBEHAVE %1").arg(misbehaviourName(m_options.misbehave)));
        else
            announce(QStringLiteral("ERROR unknown misbehaviour %1").arg(rest.trimmed()));
    } else if (command == QLatin1String("drop-listeners")) {
        announce(QStringLiteral("DROPPED %1").arg(m_hub->dropListeners()));
    } else if (command == QLatin1String("status")) {
        announce(QStringLiteral("STATUS ") + summary());
    } else if (command == QLatin1String("quit")) {
        emit quitRequested();
    } else if (command == QLatin1String("help")) {
        announce(QStringLiteral(
            "COMMANDS push <address> <body> | push-named <address> <person> "
            "<body> | push-random <n> | drop-listeners | misbehave <mode> | status | "
            "quit"));
    } else if (!command.isEmpty()) {
        announce(QStringLiteral("ERROR unknown command %1").arg(command));
    }
}

QString PhoneSimulator::summary() const
{
    return QStringLiteral("store=%1 hellos=%2 sent=%3 backups=%4 backup-records=%5 restores=%6 "
                          "restored=%7 pushed=%8 faults=%9")
        .arg(m_store.count())
        .arg(m_hellos)
        .arg(m_sent)
        .arg(m_backups)
        .arg(m_backupRecords)
        .arg(m_restores)
        .arg(m_restoredRecords)
        .arg(m_hub->pushed())
        .arg(m_logger.faults());
}

bool PhoneSimulator::dump(QString* error)
{
    if (!loadStore(error))
        return false;
    const qint64 total = m_store.count();
    for (qint64 i = 0; i < total; ++i) {
        const QByteArray line = formatPhoneRecord(m_store.at(i)) + '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    }
    std::fflush(stdout);
    return true;
}

} // namespace phonesim
