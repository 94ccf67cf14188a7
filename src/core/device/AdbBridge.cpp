#include "core/device/AdbBridge.h"

#include <QTextStream>
#include <stdexcept>

#include "core/device/SimpleProtocol.h"
#include "core/frame/Cancellation.h"

namespace {

// Byte for byte, up to the first NUL.
QString decodeOutput(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.constData(), qstrnlen(bytes.constData(), bytes.size()));
}

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toUtf8().toStdString());
}

QStringList trimmedLines(const QString& text)
{
    QString copy = text;
    QTextStream stream(&copy, QIODevice::ReadOnly);
    QStringList lines;
    QString line;
    while (stream.readLineInto(&line))
        lines.append(line.trimmed());
    return lines;
}

QString tcpPort(int port)
{
    return QStringLiteral("tcp:%0").arg(port);
}

} // namespace

AdbBridge::AdbBridge(QObject* parent) : QProcess(parent), m_programName(QStringLiteral("adb")) {}

QString AdbBridge::run(const QStringList& args, bool throwOnError)
{
    start(m_programName, args, QIODevice::ReadWrite);
    try {
        // A cancelled job, or the silence limit, stops waiting for a stalled tool.
        const int limit = phoneSilenceLimitMs();
        if (!Cancellation::wait(limit, [this](int slice) {
                if (waitForFinished(slice) || state() == QProcess::NotRunning)
                    return Cancellation::Slice::Done;
                return Cancellation::Slice::Pending;
            })) {
            kill();
            waitForFinished(Cancellation::SLICE_MS);
            throw simpleprotocol::PhoneSilentException(limit);
        }
    } catch (const Cancellation::Cancelled&) {
        kill();
        waitForFinished(Cancellation::SLICE_MS);
        throw;
    }
    if (error() == QProcess::FailedToStart)
        fail(QStringLiteral("adb is not installed or not on PATH"));
    const QString errorText = decodeOutput(readAllStandardError());
    const QString outputText = decodeOutput(readAllStandardOutput());
    if (errorText.isEmpty())
        return outputText;
    if (throwOnError)
        fail(errorText);
    return QStringLiteral("%0\n%1").arg(errorText, outputText);
}

void AdbBridge::forward(const QString& serial, int localPort, int remotePort)
{
    run({QStringLiteral("-s"), serial, QStringLiteral("forward"), tcpPort(localPort),
         tcpPort(remotePort)},
        true);
}

QSet<QString> AdbBridge::devices()
{
    return parseDevices(run({QStringLiteral("devices")}, true));
}

QString AdbBridge::logcat(const QString& serial)
{
    return run({QStringLiteral("-s"), serial, QStringLiteral("shell"), QStringLiteral("logcat"),
                QStringLiteral("-d")},
               false);
}

void AdbBridge::install(const QString& serial, const QString& apkPath)
{
    const QString text =
        run({QStringLiteral("-s"), serial, QStringLiteral("install"), apkPath}, false);
    if (!containsSuccessLine(text))
        fail(text);
}

void AdbBridge::uninstall(const QString& serial, const QString& packageName)
{
    const QString text =
        run({QStringLiteral("-s"), serial, QStringLiteral("uninstall"), packageName}, true);
    if (!containsSuccessLine(text))
        fail(text);
}

QSet<QString> AdbBridge::listPackages(const QString& serial)
{
    return parsePackages(run({QStringLiteral("-s"), serial, QStringLiteral("shell"),
                              QStringLiteral("pm"), QStringLiteral("-l")},
                             true));
}

void AdbBridge::killServer()
{
    run({QStringLiteral("kill-server")}, false);
}

void AdbBridge::startActivity(const QString& serial, const QString& command,
                              const QString& component, const QString& action, const QString& data,
                              const QStringList& categories, const QString& mimeType)
{
    QStringList args{QStringLiteral("-s"), serial, QStringLiteral("shell"), QStringLiteral("am"),
                     command};
    if (!component.isEmpty())
        args << QStringLiteral("-n") << component;
    if (!action.isEmpty())
        args << QStringLiteral("-a") << action;
    if (!data.isEmpty())
        args << QStringLiteral("-d") << data;
    for (const QString& category : categories)
        args << QStringLiteral("-c") << category;
    if (!mimeType.isEmpty())
        args << QStringLiteral("-t") << mimeType;
    const QString text = run(args, false);
    if (containsErrorLine(text))
        fail(text);
}

QSet<QString> AdbBridge::parseDevices(const QString& output)
{
    // The state word ("device", six letters) follows the serial after a tab.
    constexpr int stateLength = 6;
    QSet<QString> serials;
    bool headerSeen = false;
    for (const QString& line : trimmedLines(output)) {
        if (!headerSeen) {
            headerSeen =
                line.compare(QLatin1String("List of devices attached"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (line.size() > stateLength)
            serials.insert(line.left(line.size() - stateLength).trimmed());
    }
    return serials;
}

bool AdbBridge::containsSuccessLine(const QString& output)
{
    for (const QString& line : trimmedLines(output)) {
        if (line.compare(QLatin1String("Success"), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QSet<QString> AdbBridge::parsePackages(const QString& output)
{
    const QLatin1String prefix("package:");
    QSet<QString> packages;
    for (const QString& line : trimmedLines(output)) {
        if (line.startsWith(prefix))
            packages.insert(line.mid(prefix.size()).trimmed());
    }
    return packages;
}

bool AdbBridge::containsErrorLine(const QString& output)
{
    for (const QString& line : trimmedLines(output)) {
        if (line.toLower().startsWith(QLatin1String("error:")))
            return true;
    }
    return false;
}
