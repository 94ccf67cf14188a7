#pragma once

#include "MessageGenerator.h"
#include "PhoneStore.h"
#include "SimContext.h"
#include "SimLogger.h"
#include "SimOptions.h"

#include <QFile>
#include <QObject>

class QTcpServer;
class QTcpSocket;
class QTimer;

namespace phonesim {

class DataPortGate;
class ListenerHub;

// The simulated phone service: the four ports, the message store and the counters.
class PhoneSimulator : public QObject, public SimContext
{
    Q_OBJECT
public:
    PhoneSimulator(const SimOptions& options, SimLogger& logger, QObject* parent = nullptr);

    // Loads the store and listens on every port; false with *error when that fails.
    bool start(QString* error);
    // One command line from standard input.
    void runCommand(const QString& line);
    QString summary() const;
    // Writes every record of the store in wire form to standard output.
    bool dump(QString* error);

    // SimContext
    const SimOptions& options() const override { return m_options; }
    Misbehaviour misbehaviour() const override { return m_options.misbehave; }
    SimLogger& logger() override { return m_logger; }
    PhoneStore& store() override { return m_store; }
    QString personFor(const QString& address) const override;
    void announce(const QString& line) override;
    void arm(int port, const QString& by) override;
    void countHello() override { ++m_hellos; }
    void countSent() override { ++m_sent; }
    void backupFinished(qint64 records, int batches) override;
    void restoredRecord(const QByteArray& payload, const SimMessage& message) override;
    void restoreBatchDone() override;
    void restoreFinished(qint64 records, int batches) override;

signals:
    void quitRequested();

private:
    void acceptCommand();
    void admitData(int port, QTcpSocket* socket, const QString& name);
    void pushMessage(const SimMessage& message);
    void pushGenerated(int count);
    bool loadStore(QString* error);

    SimOptions m_options;
    SimLogger& m_logger;
    MessageGenerator m_generator;
    PhoneStore m_store;
    QTcpServer* m_commandServer = nullptr;
    QList<DataPortGate*> m_gates;
    ListenerHub* m_hub = nullptr;
    QTimer* m_pushTimer = nullptr;
    QFile m_restoreLog;
    int m_commandConnections = 0;
    qint64 m_generatedPushes = 0;
    int m_hellos = 0;
    int m_sent = 0;
    int m_backups = 0;
    qint64 m_backupRecords = 0;
    int m_restores = 0;
    qint64 m_restoredRecords = 0;
};

} // namespace phonesim
