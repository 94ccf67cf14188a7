// tallowbrook-cli: every job of the window from a terminal, on the same core, the same account
// files and the same catalogue.

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>
#include <memory>

#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/InterruptWatcher.h"
#include "cli/PagesLibrary.h"
#include "core/frame/LocalTimeZone.h"

namespace {

// The jobs' diagnostics go to the debug output and Qt's own remarks to warnings (such as a
// missing XDG_RUNTIME_DIR under cron); a terminal user sees neither, only the program's own
// messages and Qt's critical ones.
void dropDebugOutput(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg)
        return;
    qt_message_output(type, context, text);
}

// Only a PDF export draws pages, and only that loads Qt Gui.
bool drawsPages(const QStringList& arguments)
{
    try {
        const Invocation invocation = CommandLine::parse(arguments);
        return invocation.command == QLatin1String("export") &&
               QFileInfo(invocation.arguments.value(0)).suffix() == QLatin1String("pdf");
    } catch (const UsageError&) {
        return false;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    readLocalTimeZoneOnce();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    qInstallMessageHandler(dropDebugOutput);
    // A terminal program draws without a display, whatever the session has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees none of the arguments, which are the command line's own.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (drawsPages(arguments))
        app = PagesLibrary::createApplication(qtArgc, qtArgv);
    else
        app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    QCoreApplication::setApplicationName(QStringLiteral("tallowbrook-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TB_VERSION));

    // A catalogue that fails to load leaves the keys showing as they are.
    QTranslator translator;
    if (translator.load(QStringLiteral(":/en.qm"), QString(), QString(), QString()))
        QCoreApplication::installTranslator(&translator);

    InterruptWatcher interrupts;
    return CliSession::run(arguments, interrupts);
}
