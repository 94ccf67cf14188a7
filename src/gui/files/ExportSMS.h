#pragma once

#include <QString>

class AbsSMSDataSource;

// Filters of the export save dialog, in the order shown.
inline constexpr const char* exportFileFilters =
    "CSV Files(*.csv);;Text Files(*.txt);;HTML Files(*.htm *.html);;Word Files(*.doc);;PDF "
    "Files(*.pdf);;XML Files(*.xml)";

// Where and how an export goes, decided from the name the user typed and the filter selected.
struct ExportTarget
{
    QString fileName; // with the suffix the filter adds when the name had none
    bool pdf = false; // the PDF filter was chosen: pages, whatever the suffix
};
ExportTarget exportTargetFor(const QString& chosenName, const QString& selectedFilter);

// The whole export dialogue on the GUI thread: save dialog (through DialogSeam), then the
// export job behind a progress dialog, or the PDF printer. The caller owns the source and
// keeps it alive until this returns. Used by the main window for "Export" (whole account,
// cursor source) and "Export SMS to file" (one conversation, list source).
void exportSMS(AbsSMSDataSource* source);
