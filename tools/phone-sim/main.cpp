// phone-sim: a stand-in for the phone's SMS service, for tests, benchmarks and demos.

#include "ConsoleInput.h"
#include "PhoneSimulator.h"
#include "SignalWatcher.h"
#include "SimLogger.h"
#include "SimOptions.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace phonesim;

int main(int argc, char* argv[])
{
    std::signal(SIGPIPE, SIG_IGN); // a test that stops reading must not kill the phone
    // Started with standard input closed: keep descriptor 0 from going to a socket.
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
        ::open("/dev/null", O_RDONLY);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("phone-sim"));

    SimOptions options;
    QString error;
    if (!parseSimOptions(app.arguments(), &options, &error)) {
        const bool help = app.arguments().contains(QStringLiteral("--help")) ||
                          app.arguments().contains(QStringLiteral("-h"));
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(error));
        return help ? 0 : 2;
    }
    SimLogger logger;
    if (!logger.open(options.logFile, &error)) {
        std::fprintf(stderr, "phone-sim: log %s: %s\n", qPrintable(options.logFile),
                     qPrintable(error));
        return 2;
    }
    PhoneSimulator simulator(options, logger);
    if (options.dump) {
        if (simulator.dump(&error))
            return 0;
        std::fprintf(stderr, "phone-sim: %s\n", qPrintable(error));
        return 2;
    }
    if (!simulator.start(&error)) {
        std::fprintf(stderr, "phone-sim: %s\n", qPrintable(error));
        return 3;
    }

    ConsoleInput input;
    SignalWatcher signalWatcher;
    QObject::connect(&input, &ConsoleInput::lineRead, &simulator, &PhoneSimulator::runCommand);
    QObject::connect(&simulator, &PhoneSimulator::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &app,
                     &QCoreApplication::quit);
    if (options.exitOnStdinEof)
        QObject::connect(&input, &ConsoleInput::endOfInput, &app, &QCoreApplication::quit);

    simulator.announce(QStringLiteral("READY %1").arg(options.address));
    const int status = app.exec();
    simulator.announce(QStringLiteral("SUMMARY ") + simulator.summary());
    return status;
}
