#pragma once

#include "Misbehaviour.h"
#include "SessionBase.h"

namespace phonesim {

// The backup data port: streams the store in batches, one batch per acknowledgement,
// generating each record only when the socket's buffer has room for it.
class BackupSession : public SessionBase
{
    Q_OBJECT
public:
    BackupSession(QTcpSocket* socket, const QString& name, SimContext& context, QObject* parent);

protected:
    void handleLine(const QByteArray& line) override;
    void handleClosed() override;

private:
    enum class State
    {
        Streaming,
        AwaitAck,
        HugeLine,
        Finished,
        Stopped
    };

    void beginBatch();
    void pump();
    void pumpHugeLine();
    // Writes record m_next with any fault due there; false when the stream must stop.
    bool writeRecord();
    qint64 defaultStrikeIndex() const;

    State m_state = State::Streaming;
    Misbehaviour m_mode;
    qint64 m_total = 0;
    qint64 m_next = 0;
    qint64 m_batchEnd = 0;
    qint64 m_strikeAt = -1;
    qint64 m_hugeLeft = 0;
    int m_batches = 0;
    bool m_verbose = false;
    QByteArray m_line; // the record line being written, reused
};

} // namespace phonesim
