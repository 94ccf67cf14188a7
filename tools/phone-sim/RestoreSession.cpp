#include "RestoreSession.h"

#include "SimContext.h"
#include "SimLogger.h"
#include "SimOptions.h"
#include "WireText.h"

namespace phonesim {

namespace {
constexpr int kLargestBatch = 100;
}

RestoreSession::RestoreSession(QTcpSocket* socket, const QString& name, SimContext& context,
                               QObject* parent)
    : SessionBase(socket, name, context, parent), m_verbose(context.options().verbose)
{}

bool RestoreSession::logsReceived(const QByteArray& line) const
{
    return m_verbose ||
           !(line.startsWith("$sms:") || (line.isEmpty() && m_state == State::AwaitBlank));
}

void RestoreSession::handleLine(const QByteArray& line)
{
    if (takePeerError(line)) {
        m_state = State::Rejected;
        return;
    }
    switch (m_state) {
    case State::AwaitBatch:
        if (line == "$batch:") {
            m_state = State::InBatch;
            m_inBatch = 0;
            ++m_batches;
        } else if (line == "$bye:") {
            m_state = State::Finished;
            context().restoreFinished(m_records, m_batches);
        } else {
            reject(QStringLiteral("expected $batch: or $bye:"));
        }
        break;
    case State::InBatch:
        if (line.startsWith("$sms:"))
            handleRecord(line.mid(5));
        else if (line == "$end:")
            endBatch();
        else
            reject(QStringLiteral("expected $sms: or $end: inside a batch"));
        break;
    case State::AwaitBlank:
        if (line.isEmpty())
            m_state = State::InBatch;
        else
            reject(QStringLiteral("record %1 is not followed by an empty line").arg(m_records));
        break;
    case State::Finished:
        fault(QStringLiteral("line after $bye:"));
        break;
    case State::Rejected:
        break;
    }
}

void RestoreSession::handleRecord(const QByteArray& payload)
{
    SimMessage message;
    const QString problem = checkRestoreRecord(payload, &message);
    if (!problem.isEmpty()) {
        context().logger().received(name(), "$sms:" + payload);
        reject(QStringLiteral("Bad record %1: %2").arg(m_records + 1).arg(problem));
        return;
    }
    ++m_records;
    ++m_inBatch;
    context().restoredRecord(payload, message);
    m_state = State::AwaitBlank;
}

void RestoreSession::endBatch()
{
    if (m_inBatch == 0)
        fault(QStringLiteral("empty batch"));
    if (m_inBatch > kLargestBatch)
        fault(
            QStringLiteral("batch of %1 records, more than %2").arg(m_inBatch).arg(kLargestBatch));
    if (!m_verbose)
        context().logger().note(
            name(),
            QStringLiteral("batch %1: %2 records (not shown)").arg(m_batches).arg(m_inBatch));
    context().restoreBatchDone();
    m_state = State::AwaitBatch;
    if (context().misbehaviour() == Misbehaviour::NoRestoreAck) {
        context().logger().note(name(),
                                QStringLiteral("misbehave no-restore-ack: no acknowledgement"));
        return;
    }
    writeLine("$batch:");
}

void RestoreSession::reject(const QString& text)
{
    fault(text);
    writeLine(errorLine(text));
    m_state = State::Rejected;
    context().announce(QStringLiteral("RESTORE-REJECTED %1 %2").arg(name(), text));
}

void RestoreSession::handleClosed()
{
    if (m_state != State::Finished)
        context().announce(QStringLiteral("RESTORE-ABORTED %1 %2").arg(name()).arg(m_records));
}

} // namespace phonesim
