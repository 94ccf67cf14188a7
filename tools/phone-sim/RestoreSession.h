#pragma once

#include "SessionBase.h"

namespace phonesim {

// The restore data port: receives batches of four-field records, checks each one,
// and acknowledges each batch. A bad record is answered with "$error:".
class RestoreSession : public SessionBase
{
    Q_OBJECT
public:
    RestoreSession(QTcpSocket* socket, const QString& name, SimContext& context, QObject* parent);

protected:
    void handleLine(const QByteArray& line) override;
    void handleClosed() override;
    bool logsReceived(const QByteArray& line) const override;

private:
    enum class State
    {
        AwaitBatch,
        InBatch,
        AwaitBlank,
        Finished,
        Rejected
    };

    void handleRecord(const QByteArray& payload);
    void endBatch();
    void reject(const QString& text);

    State m_state = State::AwaitBatch;
    qint64 m_records = 0;
    int m_inBatch = 0;
    int m_batches = 0;
    bool m_verbose = false;
};

} // namespace phonesim
