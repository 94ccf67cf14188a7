// mms_bench [--count N] [--keep FOLDER] [--steps import,show]: generates (or reuses) an XML
// backup of N MMS (10,000 by default), each a text and a picture of about 100 KB, then runs each
// step in a child process of its own, so that each peak memory (VmHWM) is the step's own:
// - import: the file into a fresh account (XMLImportJob), time and peak memory;
// - big: one MMS with a 102 MiB attachment imported, exported and compared with its file;
// - show: 500 of those pictures in one conversation, the view's last page shown (laid out and
//   drawn at 800 x 600), median of five.

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTranslator>
#include <algorithm>
#include <cstdio>

#include "ProcessStats.h"
#include "core/frame/JobRunner.h"
#include "core/jobs/ExportJob.h"
#include "core/jobs/XMLImportJob.h"
#include "core/store/Accounts.h"
#include "core/store/ConversationQuery.h"
#include "core/store/SMSCursorSource.h"
#include "core/store/SMSQueryPageSource.h"
#include "gui/ui/SmsBrowser.h"

namespace {

constexpr qsizetype pictureBytes = 100 * 1000;

// A photo-sized JPEG (640 x 480) padded after its end marker to pictureBytes, as decoders ignore.
QByteArray picture(int seed)
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor::fromHsv(seed % 360, 120, 220));
    for (int i = 0; i < 40; ++i)
        painter.fillRect((i * 37 + seed) % 600, (i * 53) % 440, 40, 40,
                         QColor::fromHsv(i * 9, 200, 150));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    for (qsizetype i = bytes.size(); i < pictureBytes; ++i)
        bytes.append(char((i * 31 + seed) & 0xFF));
    return bytes;
}

// count MMS in `conversations` conversations (one party each), a text and a picture.
void generate(const QString& name, int count, int conversations)
{
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    file.write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"" +
               QByteArray::number(count) + "\">\n");
    QList<QByteArray> pictures;
    for (int i = 0; i < 16; ++i)
        pictures.append(picture(i * 23).toBase64());
    for (int i = 0; i < count; ++i) {
        const QByteArray date = QByteArray::number(1420070400000LL + qint64(i) * 60000);
        const QByteArray party = "+49170" + QByteArray::number(1000000 + i % conversations);
        const QByteArray box = i % 3 ? "1" : "2";
        file.write("  <mms date=\"" + date + "\" msg_box=\"" + box + "\" address=\"" + party +
                   "\" m_type=\"132\" ct_t=\"application/vnd.wap.multipart.related\" read=\"1\" "
                   "sub=\"null\" contact_name=\"(Unknown)\">\n    <parts>\n      <part seq=\"0\" "
                   "ct=\"text/plain\" name=\"null\" chset=\"106\" cd=\"null\" fn=\"null\" "
                   "cid=\"&lt;text_0&gt;\" cl=\"text_0.txt\" ctt_s=\"null\" ctt_t=\"null\" "
                   "text=\"Picture number " +
                   QByteArray::number(i) +
                   "\" />\n      <part "
                   "seq=\"0\" ct=\"image/jpeg\" name=\"IMG_" +
                   QByteArray::number(i) +
                   ".jpg\" chset=\"null\" cd=\"null\" fn=\"null\" cid=\"&lt;img&gt;\" "
                   "cl=\"IMG.jpg\" ctt_s=\"null\" ctt_t=\"null\" text=\"null\" data=\"");
        file.write(pictures.at(i % pictures.size()));
        file.write("\" />\n    </parts>\n    <addrs>\n      <addr address=\"" + party +
                   "\" type=\"" + (box == "1" ? "137" : "151") +
                   "\" charset=\"106\" />\n    </addrs>\n  </mms>\n");
    }
    file.write("</smses>\n");
}

void import(const QString& file, const QString& account)
{
    createAccountFile(account);
    openAccountDatabase(account);
    XMLImportJob job(file);
    QElapsedTimer timer;
    timer.start();
    const double cpu = ownCpuSeconds();
    const JobOutcome outcome = JobRunner(job).run();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("import %s: %.1f s (CPU %.1f s), %.0f MMS/s, %.0f MB/s of file, peak %lld MB | "
                "%s\n",
                qPrintable(QFileInfo(file).fileName()), seconds, ownCpuSeconds() - cpu,
                job.mmsStoredCount() / seconds, QFileInfo(file).size() / 1e6 / seconds,
                statusKiB("VmHWM:") / 1024, qPrintable(outcome.text));
    std::fflush(stdout);
}

// One MMS whose attachment is `megabytes` MiB of random bytes, Base64 written in pieces.
void generateBig(const QString& name, int megabytes)
{
    QFile file(name);
    file.open(QIODevice::WriteOnly);
    file.write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"1\">\n"
               "  <mms date=\"1331010369000\" msg_box=\"1\" address=\"555\" "
               "contact_name=\"(Unknown)\">\n    <parts>\n      <part seq=\"0\" "
               "ct=\"video/mp4\" name=\"v.mp4\" data=\"");
    QByteArray piece(3 * 1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < megabytes / 3; ++i) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(piece.data()),
                                              piece.size() / 4);
        file.write(piece.toBase64());
    }
    file.write("\" />\n    </parts>\n    <addrs>\n      <addr address=\"555\" type=\"137\" "
               "charset=\"106\" />\n    </addrs>\n  </mms>\n</smses>\n");
}

int runStep(const QString& step, const QString& file)
{
    if (step == QLatin1String("big")) {
        // Import and export each in a process of its own (peak memory), the export compared.
        const QDir dir = QFileInfo(file).dir();
        const QString big = dir.filePath(QStringLiteral("big.xml"));
        generateBig(big, 102);
        for (const char* sub : {"big-import", "big-export"}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {"--step", sub, big});
            child.waitForFinished(-1);
        }
        QFile in(big), out(dir.filePath(QStringLiteral("big-export.xml")));
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::ReadOnly);
        std::printf("export equals the file: %s\n", in.readAll() == out.readAll() ? "yes" : "NO");
        return 0;
    }
    if (step == QLatin1String("big-import")) {
        import(file, QStringLiteral("big.db"));
        return 0;
    }
    if (step == QLatin1String("big-export")) {
        openAccountDatabase(QStringLiteral("big.db"));
        SMSCursorSource source(currentDatabase(), wholeAccountQuery());
        ExportJob job(&source, QFileInfo(file).dir().filePath("big-export.xml"));
        QElapsedTimer timer;
        timer.start();
        const JobOutcome outcome = JobRunner(job).run();
        std::printf("export: %.1f s, peak %lld MB | %s\n", timer.nsecsElapsed() / 1e9,
                    statusKiB("VmHWM:") / 1024, qPrintable(outcome.text));
        return 0;
    }
    if (step == QLatin1String("import")) {
        import(file, QStringLiteral("mms.db"));
        return 0;
    }
    if (step == QLatin1String("show")) {
        const QString small = QFileInfo(file).dir().filePath(QStringLiteral("show-500.xml"));
        generate(small, 500, 1);
        import(small, QStringLiteral("show.db"));
        SmsBrowser browser;
        browser.resize(800, 600);
        browser.show();
        QList<double> times;
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            browser.setSource(std::make_shared<SMSQueryPageSource>(currentDatabaseShared(),
                                                                   conversationQuery("701000000")),
                              QString());
            const QImage shown = browser.grab().toImage(); // laid out and drawn
            times.append(timer.nsecsElapsed() / 1e6);
            if (shown.isNull() || browser.messageCount() != 500)
                return 1;
        }
        std::sort(times.begin(), times.end());
        std::printf("last page of 500 pictures (100 on it): median %.0f ms (%.0f to %.0f)\n",
                    times.at(2), times.first(), times.last());
        return 0;
    }
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == QLatin1String("--step")) {
        QTranslator english;
        if (english.load(QStringLiteral(":/en.qm")))
            QCoreApplication::installTranslator(&english);
        return runStep(args.value(1), args.value(2));
    }
    int count = 10000;
    QString keep;
    QStringList steps = {"import", "show", "big"};
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--count"))
            count = args.value(++i).toInt();
        else if (args[i] == QLatin1String("--keep"))
            keep = args.value(++i);
        else if (args[i] == QLatin1String("--steps"))
            steps = args.value(++i).split(u',');
    }
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    const QString file = dir.filePath(QStringLiteral("mms-%1.xml").arg(count));
    if (!QFile::exists(file)) {
        QElapsedTimer timer;
        timer.start();
        generate(file, count, 50);
        std::printf("generated %s in %.1f s\n", qPrintable(file), timer.nsecsElapsed() / 1e9);
    }
    std::printf("%d MMS, %.0f MB of file, %.0f MB of pictures; load average %s\n", count,
                QFileInfo(file).size() / 1e6, count * double(pictureBytes) / 1e6,
                loadAverage().constData());
    std::fflush(stdout);
    for (const QString& step : std::as_const(steps)) {
        // A fresh data folder for each step.
        const QString home = dir.filePath(QStringLiteral("home-") + step);
        QDir(home).removeRecursively();
        dir.mkpath(home);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        QProcess child;
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(), {"--step", step, file});
        child.waitForFinished(-1);
        if (child.exitCode() != 0)
            std::printf("step %s failed (%d)\n", qPrintable(step), child.exitCode());
    }
    std::printf("load average %s\n", loadAverage().constData());
    return 0;
}
