#include "BackupSession.h"

#include "PhoneStore.h"
#include "SimContext.h"
#include "SimLogger.h"
#include "SimOptions.h"
#include "WireText.h"

#include <QTcpSocket>

namespace phonesim {

namespace {
constexpr qint64 kHighWaterBytes = 256 * 1024;
constexpr qint64 kHugeLineBytes = 64LL * 1024 * 1024;
constexpr qint64 kHugeChunkBytes = 1024 * 1024;
} // namespace

BackupSession::BackupSession(QTcpSocket* socket, const QString& name, SimContext& context,
                             QObject* parent)
    : SessionBase(socket, name, context, parent), m_mode(context.misbehaviour()),
      m_total(context.store().count()), m_verbose(context.options().verbose)
{
    if (strikesBackupRecord(m_mode)) {
        m_strikeAt = context.options().misbehaveAt >= 0 ? context.options().misbehaveAt
                                                        : defaultStrikeIndex();
        context.logger().note(this->name(), QStringLiteral("misbehave %1 at record %2 of %3")
                                                .arg(misbehaviourName(m_mode))
                                                .arg(m_strikeAt)
                                                .arg(m_total));
    }
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_state == State::Streaming)
            pump();
        else if (m_state == State::HugeLine)
            pumpHugeLine();
    });
    writeLine("$count:" + QByteArray::number(m_total));
    if (m_mode == Misbehaviour::HugeLine) {
        m_state = State::HugeLine;
        m_hugeLeft = kHugeLineBytes;
        writeLine("$batch:");
        writeRaw("$sms:");
        context.logger().note(this->name(),
                              QStringLiteral("misbehave huge-line: 64 MiB without line feed"));
        pumpHugeLine();
        return;
    }
    beginBatch();
}

qint64 BackupSession::defaultStrikeIndex() const
{
    // The middle of the middle batch: earlier batches were acknowledged, the batch is open.
    const qint64 batch = context().options().batch;
    const qint64 batches = (m_total + batch - 1) / batch;
    return qMin(m_total - 1, (batches / 2) * batch + batch / 2);
}

void BackupSession::beginBatch()
{
    if (m_next >= m_total) {
        writeLine("$bye:");
        m_state = State::Finished;
        context().backupFinished(m_next, m_batches);
        return;
    }
    ++m_batches;
    m_batchEnd = qMin(m_total, m_next + context().options().batch);
    writeLine("$batch:");
    if (!m_verbose)
        context().logger().note(
            name(), QStringLiteral("records %1 to %2 (not shown)").arg(m_next).arg(m_batchEnd - 1));
    m_state = State::Streaming;
    pump();
}

void BackupSession::pump()
{
    while (m_state == State::Streaming && socket()->bytesToWrite() < kHighWaterBytes) {
        if (m_next == m_batchEnd) {
            writeLine("$end:");
            m_state = State::AwaitAck;
            return;
        }
        if (!writeRecord())
            return;
    }
}

bool BackupSession::writeRecord()
{
    const SimMessage message = context().store().at(m_next);
    if (m_next != m_strikeAt) {
        // One buffer for every record line, so that a record costs no arrays of its own.
        m_line.truncate(0);
        m_line += "$sms:";
        appendPhoneRecord(m_line, message);
        writeLine(m_line, m_verbose);
        ++m_next;
        return true;
    }
    QByteArray record = formatPhoneRecord(message);
    context().logger().note(name(),
                            QStringLiteral("misbehave %1 now").arg(misbehaviourName(m_mode)));
    switch (m_mode) {
    case Misbehaviour::Fields4:
        record.truncate(record.lastIndexOf(','));
        break;
    case Misbehaviour::Fields6:
        record += "," + base64Of(QStringLiteral("extra"));
        break;
    case Misbehaviour::ZeroDate:
        record = "0" + record.mid(record.indexOf(','));
        break;
    case Misbehaviour::EmptyLine:
        writeLine("");
        break;
    case Misbehaviour::ErrorMid:
        writeLine(errorLine(context().options().errorText));
        m_state = State::Stopped;
        return false;
    case Misbehaviour::CloseMid:
        m_state = State::Stopped;
        closeGracefully();
        return false;
    case Misbehaviour::StallMid:
        m_state = State::Stopped;
        return false;
    default:
        break;
    }
    writeLine("$sms:" + record);
    ++m_next;
    return true;
}

void BackupSession::pumpHugeLine()
{
    while (m_hugeLeft > 0 && socket()->bytesToWrite() < kHighWaterBytes) {
        const qint64 chunk = qMin(m_hugeLeft, kHugeChunkBytes);
        writeRaw(QByteArray(chunk, 'A'));
        m_hugeLeft -= chunk;
    }
    if (m_hugeLeft == 0 && m_state == State::HugeLine) {
        m_state = State::Stopped;
        closeGracefully();
    }
}

void BackupSession::handleLine(const QByteArray& line)
{
    if (takePeerError(line)) {
        m_state = State::Stopped;
        return;
    }
    if (m_state == State::AwaitAck && line == "$batch:") {
        beginBatch();
        return;
    }
    if (m_state == State::Stopped)
        return;
    fault(m_state == State::AwaitAck ? QStringLiteral("expected the acknowledgement $batch:")
                                     : QStringLiteral("unexpected line during the backup"));
}

void BackupSession::handleClosed()
{
    if (m_state != State::Finished)
        context().announce(QStringLiteral("BACKUP-ABORTED %1 %2").arg(name()).arg(m_next));
}

} // namespace phonesim
