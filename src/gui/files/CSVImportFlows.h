#pragma once

#include <QString>

class CSVImporterPlugin;
class QWidget;

// The main window's import commands, complete with their dialogs. Every box and file dialog
// goes through DialogSeam; failures are shown, never thrown.

// "Import": asks for a CSV file of the program's own format or an XML backup file (by its
// suffix .xml), previews it and opens the preview dialog, from which the user imports or
// restores.
void importCSVFromFile(QWidget* parent);

// "Transfer SMS from Other Phone to Android": asks for another phone's CSV export, lets the
// importer plug-in recognise its format (warning when none matches), then previews it like
// importCSVFromFile.
void importCSVFromOtherPhone(QWidget* parent);

// The open-file dialog of both commands ("CSV Files(*.csv)" first, then the XML backup files
// when withXML); empty when the user cancelled.
QString chooseCSVFileToImport(QWidget* parent, bool withXML);

// Runs the preview job on the file (importer null for the program's own format) and, when it
// succeeded, the preview dialog over the parsed messages.
void previewAndImportCSV(const QString& fileName, CSVImporterPlugin* importer);
// The same for an XML backup file.
void previewAndImportXML(const QString& fileName);
