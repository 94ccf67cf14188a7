#pragma once

#include <QObject>
#include <QString>

class AbsSMSDataSource;
class QPrinter;

// Lays messages out as one HTML document and prints it: to the print preview dialog, or
// straight into a PDF file (A4, portrait).
class SMSPrinter : public QObject
{
    Q_OBJECT
public:
    // The caller owns the source and keeps it alive until printing has ended.
    explicit SMSPrinter(AbsSMSDataSource* source, QObject* parent = nullptr);

    // Reads every message from the source. An empty file name opens the print preview (which
    // renders to PDF when no printer is installed); any other name writes a PDF file there.
    void printSMS(const QString& fileName);

    // The document built by the last printSMS.
    const QString& documentHtml() const { return html; }

public slots:
    void onPaintRequested(QPrinter* printer);

private:
    void buildDocument();

    QString html;
    AbsSMSDataSource* source; // not owned
};
