#pragma once

// Shared by the sync tests: running a phone job for real behind its progress dialog, and
// the simulated phone's store as the test expects it.
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QtTest>

#include "PhoneSimProcess.h"
#include "app/JobThread.h"
#include "app/ProgressForm.h"
#include "common/DialogRecorder.h"
#include "device/PhoneTestSupport.h"

namespace synctest {

struct JobOutcome
{
    int result = -1;
    QList<DialogRecorder::Message> boxes;
    QStringList progressTexts; // as the job reported them, in order
    QString label;             // the dialog's label when it closed
    int bar = -1;

    QString lastBoxText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
};

// Runs the job behind a real ProgressForm (modal, offscreen) and answers its boxes.
// beforeWait runs once the dialog has closed, while the job may still be running.
inline JobOutcome runAndRecord(ProgressForm& form, JobThread& job,
                               const std::function<void()>& beforeWait = {})
{
    JobOutcome outcome;
    DialogRecorder boxes;
    QObject::connect(&job, &JobThread::updateProgress, &form,
                     [&](int, const QString& text) { outcome.progressTexts << text; });
    outcome.result = runJob(form, job, [&](int) {
        if (beforeWait)
            beforeWait();
    });
    // Whatever the job reported after the dialog closed must not show up later either.
    QCoreApplication::processEvents();
    outcome.boxes = boxes.messages;
    outcome.label = form.progressLabel()->text();
    outcome.bar = form.progressBar()->value();
    return outcome;
}

// The records a simulator started with these arguments holds, decoded by the test itself.
inline QList<SMSInfo> simulatorStore(const QStringList& arguments)
{
    QProcess dump;
    dump.start(tbtest::PhoneSimProcess::executablePath(),
               QStringList{QStringLiteral("--dump")} + arguments);
    if (!dump.waitForFinished(60000))
        qFatal("phone-sim --dump did not finish");
    QList<SMSInfo> list;
    const auto decode = [](const QString& field) {
        return QString::fromUtf8(QByteArray::fromBase64(field.toLatin1()));
    };
    for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
        const QStringList fields = QString::fromLatin1(line).split(u',');
        if (fields.size() != 5)
            continue;
        SMSInfo sms;
        sms.date = QDateTime::fromMSecsSinceEpoch(fields[0].toLongLong());
        sms.isSend = fields[1] == QStringLiteral("1");
        sms.address = decode(fields[2]);
        sms.person = decode(fields[3]);
        sms.body = decode(fields[4]);
        list.append(sms);
    }
    return list;
}

// Equal as the database keeps them: the date to the second.
inline bool sameStored(const SMSInfo& a, const SMSInfo& b)
{
    return a.date.toSecsSinceEpoch() == b.date.toSecsSinceEpoch() && a.isSend == b.isSend &&
           a.address == b.address && a.person == b.person && a.body == b.body;
}

} // namespace synctest
