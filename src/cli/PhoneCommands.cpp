// backup, restore and send: the window's phone jobs and the send exchange, run from the
// terminal against the phone of --wifi or --usb.

#include <QCoreApplication>
#include <QDateTime>

#include "cli/CatalogueText.h"
#include "cli/ChosenMessages.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/PhoneLink.h"
#include "core/device/DeviceConnection.h"
#include "core/device/SendSMSThroughPhone.h"
#include "core/frame/BodyLimit.h"
#include "core/jobs/PhoneBackupJob.h"
#include "core/jobs/PhoneRestoreJob.h"
#include "core/store/IncomingSMSGate.h"
#include "core/store/SMSCursorSource.h"

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PhoneCommands", text);
}

// The numbers of --to, trimmed, empty parts left out.
QStringList recipients(const Invocation& invocation)
{
    QStringList numbers;
    for (const QString& part : invocation.value(QStringLiteral("to")).split(QLatin1Char(','))) {
        if (!part.trimmed().isEmpty())
            numbers.append(part.trimmed());
    }
    if (numbers.isEmpty())
        throw UsageError(tr("--to names no number."));
    return numbers;
}

} // namespace

int runBackup(CliSession& session)
{
    session.openAccount();
    connectPhone(session);
    PhoneBackupJob job;
    const JobOutcome outcome = session.runJob(job);
    QString text =
        tr("%1 messages received, %2 new").arg(job.processedCount()).arg(job.storedCount());
    if (job.overLimitCount() > 0)
        text += QStringLiteral(". ") + skippedOverLimitText(job.overLimitCount());
    return session.finish(outcome, text,
                          {{QStringLiteral("received"), job.processedCount()},
                           {QStringLiteral("new"), job.storedCount()}});
}

int runRestore(CliSession& session)
{
    session.openAccount();
    const std::unique_ptr<SMSCursorSource> source = chosenMessages(session.invocation());
    connectPhone(session);
    PhoneRestoreJob job(source.get());
    const JobOutcome outcome = session.runJob(job);
    return session.finish(outcome, QString(), {{QStringLiteral("sent"), job.sentCount()}});
}

int runSend(CliSession& session)
{
    const QStringList numbers = recipients(session.invocation());
    const QString text = session.invocation().arguments.value(0).trimmed();
    if (text.isEmpty())
        throw UsageError(tr("The message TEXT is empty."));
    session.openAccount();
    connectPhone(session);
    // A message the phone sent is sent, whatever becomes of storing it: the gate stores it now,
    // or keeps it until the account can take it.
    IncomingSMSGate gate;
    QObject::connect(&gate, &IncomingSMSGate::storeFailed, &gate,
                     [&session](const QString& text) { session.console().warning(text); });
    for (const QString& number : numbers) {
        SMSInfo sent;
        try {
            session.runTask(
                [&] { sent = sendSMSThroughPhone(currentConnection().get(), number, text); });
        } catch (const CommandFailure&) {
            throw; // cancelled
        } catch (const std::exception& e) {
            throw CommandFailure(QStringLiteral("%1: %2").arg(number, QString::fromUtf8(e.what())));
        }
        session.console().record(QStringLiteral("sent"), tr("Sent to %1.").arg(number),
                                 {{QStringLiteral("to"), number},
                                  {QStringLiteral("date"), sent.date.toString(Qt::ISODate)}});
        gate.offer(sent);
    }
    return session.finish({JobOutcome::Succeeded, catalogueText("IDS_SEND_SMS_SUC")}, QString(),
                          {{QStringLiteral("sent"), int(numbers.size())}});
}
