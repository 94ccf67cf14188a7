#pragma once

#include <QList>
#include <QObject>
#include <QPicture>
#include <QString>
#include <functional>

#include "core/frame/SMSInfo.h"

class AbsSMSDataSource;
class QIODevice;

// Lays messages out for print: A4 portrait pages with 2 cm margins, each message as a coloured
// name line, the body and a date line. The layout runs in chunks of messages, so memory stays
// bounded however many messages there are; a chunk starts on a new page. Runs on any thread
// (a job's worker); every page is recorded as a picture that a PDF writer or a printer replays.
class SMSPrinter : public QObject
{
    Q_OBJECT
public:
    static constexpr int MESSAGES_PER_CHUNK = 1000;
    using PageDone = std::function<void(const QPicture& page)>;
    using Progress = std::function<void(int done)>;

    // The caller owns the source and keeps it alive until printing has ended.
    explicit SMSPrinter(AbsSMSDataSource* source, QObject* parent = nullptr);

    // Reads every message from the source and hands each finished page to pageDone, in order.
    // progress gets the number of messages laid out so far. Returns the number of messages.
    // Throws Cancellation::Cancelled when the calling job is cancelled.
    int layoutPages(const PageDone& pageDone, const Progress& progress = {});
    // Writes every message of the source as a PDF document to device.
    int printPdf(QIODevice* device, const Progress& progress = {});

    // The printed HTML of one message.
    static QString messageHtml(const SMSInfo& sms);
    // Resolution of the laid-out pages (the screen's, as the print preview shows them).
    static int resolution();
    // The page size in pixels at resolution().
    static QSizeF pageSizePx();

private:
    void layoutChunk(const QString& html, const PageDone& pageDone);

    AbsSMSDataSource* m_source; // not owned
};
