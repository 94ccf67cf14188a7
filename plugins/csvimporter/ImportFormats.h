#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>

// The other phones' CSV exports the importer knows.
enum class ImportFormatKind
{
    AndroidColumns,  // header with Android's column names: address, date, type, body, ...
    PhoneSuite,      // "sms", box, sender, recipient, , date "yyyy.MM.dd HH:mm", , body
    AndroidDatabase, // number, date ms, sent ms, S/M, INC/OUT, readable date, escaped body
    Handheld,        // id, sent date, received date, true/false, number, body
};

// The format whose signature the first record (the header, or the first data record) shows;
// null when none does. The pointer refers to a constant.
const ImportFormatKind* recogniseFormat(const QStringList& first, const QStringList& second);

bool formatHasHeader(ImportFormatKind kind);

// "send" (bool), "date" (QDateTime, invalid when the record is unusable), "number", "person",
// "content".
QHash<QString, QVariant> convertRecord(ImportFormatKind kind, const QHash<QString, int>& columns,
                                       const QStringList& fields);

// Exposed for tests of the importer itself.
QDateTime parsePhoneSuiteDate(const QString& text);
QDateTime parseHandheldDate(const QString& text);
QString unescapeAndroidBody(const QString& text);
