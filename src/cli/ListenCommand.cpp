// listen: the window's listener job and its gate for incoming messages, until Ctrl+C.

#include <QCoreApplication>
#include <QEventLoop>

#include "cli/CatalogueText.h"
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/InterruptWatcher.h"
#include "cli/MessageLine.h"
#include "cli/PhoneLink.h"
#include "core/frame/JobRunner.h"
#include "core/frame/ReasonText.h"
#include "core/jobs/ListenJob.h"
#include "core/store/IncomingSMSGate.h"

namespace {

// How long the end of listening waits for the account to store what is still held.
constexpr int EXIT_DRAIN_MS = 3000;

QString tr(const char* text)
{
    return QCoreApplication::translate("ListenCommand", text);
}

} // namespace

int runListen(CliSession& session)
{
    session.openAccount();
    connectPhone(session);
    Console& console = session.console();
    IncomingSMSGate gate;
    ListenJob listener;
    JobRunner runner(listener);
    QEventLoop loop;
    QString failure;
    QObject::connect(&listener, &ListenJob::receivedSMS, &gate, &IncomingSMSGate::offer);
    QObject::connect(&gate, &IncomingSMSGate::stored, &loop,
                     [&](const SMSInfo& sms) { printMessage(console, sms); });
    QObject::connect(&gate, &IncomingSMSGate::storeFailed, &loop,
                     [&](const QString& text) { console.warning(text); });
    QObject::connect(&listener, &ListenJob::leftOut, &loop,
                     [&](const QString& text) { console.warning(text); });
    QObject::connect(&listener, &ListenJob::errorOccurred, &loop, [&](const QString& text) {
        failure = text;
        loop.quit();
    });
    QObject::connect(&session.interrupts(), &InterruptWatcher::interruptRequested, &loop,
                     &QEventLoop::quit);
    console.note(tr("Listening for incoming messages; Ctrl+C ends."));
    session.interrupts().setArmed(true);
    runner.start();
    loop.exec();
    runner.stop(ListenJob::STOP_WAIT_MS);
    session.interrupts().setArmed(false);
    // Messages the listener handed over before it stopped are still stored and printed; what
    // another program's write keeps out longer stays in the account's spool for the next run.
    QCoreApplication::processEvents();
    QObject::disconnect(&listener, nullptr, &gate, nullptr);
    QObject::disconnect(&listener, nullptr, &loop, nullptr);
    if (const qsizetype left = gate.drain(EXIT_DRAIN_MS))
        console.warning(tr("%1 messages kept for the account until it is free.").arg(left));
    if (!failure.isEmpty())
        throw CommandFailure(
            withReason(catalogueText("IDS_ERROR_OCCURRED_WHEN_LISTENING_SMS_%1"), failure));
    throw CommandFailure(tr("Stopped listening."), ExitCancelled);
}
