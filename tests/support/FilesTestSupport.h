#pragma once

// Shared by the files tests: messages that files must carry unchanged, and the preview and
// import jobs run without a window.
#include "core/jobs/CSVPreviewJob.h"
#include "core/jobs/ImportJob.h"
#include "support/JobTestSupport.h"
#include "support/TestAccount.h"

namespace filestest {

using namespace tbtest;

// Messages with the characters that export and import must carry unchanged.
inline QList<SMSInfo> awkwardMessages()
{
    return {makeSMS("5551234", "", "a,b", false, at(2012, 3, 4, 5, 6, 7)),
            makeSMS("+49 170 1234567", "Ann \"Nan\" Lee", "He said \"hi\", then left", true,
                    at(2013, 1, 2, 3, 4, 5)),
            makeSMS("0170-1234567", "Ann, the other", "line one\nline two\n", false,
                    at(2014, 12, 31, 23, 59, 59)),
            makeSMS("Bank24", "", "Ünïcödé 😀 привет 你好", false, at(2015, 6, 7, 8, 9, 10)),
            makeSMS("", "", "\"", true, at(2016, 2, 29, 0, 0, 0)),
            makeSMS("555", "<b>Bob</b> & co", "<script>alert(1)</script> & more", false,
                    at(2017, 7, 7, 7, 7, 7))};
}

inline QList<SMSInfo> generated(int count, const QString& prefix = QStringLiteral("msg"))
{
    QList<SMSInfo> list;
    for (int i = 0; i < count; ++i)
        list.append(makeSMS(QStringLiteral("55500%1").arg(i % 7), QString(),
                            QStringLiteral("%1 %2").arg(prefix).arg(i), i % 2 == 0,
                            at(2020, 1, 1, 0, 0, 0).addSecs(i * 61)));
    return list;
}

// The preview job's outcome with what it parsed.
struct PreviewResult : jobtest::RunResult
{
    QList<SMSInfo> list;
    int invalid = -1;
};

inline PreviewResult previewFile(const QString& file, CSVImporterPlugin* importer = nullptr)
{
    CSVPreviewJob job(file, importer);
    PreviewResult result;
    static_cast<jobtest::RunResult&>(result) = jobtest::runRecorded(job);
    result.list = job.smsList();
    result.invalid = job.invalidCount();
    return result;
}

inline jobtest::RunResult importList(const QList<SMSInfo>& list)
{
    ImportJob job(list);
    return jobtest::runRecorded(job);
}

} // namespace filestest
