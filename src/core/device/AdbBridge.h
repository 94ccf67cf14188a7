#pragma once

#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>

// Runs the Android debug bridge tool "adb" (found by the ordinary program search) and reads
// its output. Every operation blocks until the tool has ended (a cancelled job kills it, see
// core/frame/Cancellation.h, and so does the phone's silence limit, see SimpleProtocol.h). A tool
// that cannot be started says so. Failures are thrown as std::runtime_error whose message is the
// tool's text (UTF-8). One object per call.
class AdbBridge : public QProcess
{
    Q_OBJECT
public:
    explicit AdbBridge(QObject* parent = nullptr);

    // Output text; standard-error text throws when throwOnError, otherwise it comes first,
    // followed by a line feed and the output.
    QString run(const QStringList& args, bool throwOnError);
    void forward(const QString& serial, int localPort, int remotePort);
    QSet<QString> devices();
    QString logcat(const QString& serial);
    void install(const QString& serial, const QString& apkPath);
    void uninstall(const QString& serial, const QString& packageName);
    QSet<QString> listPackages(const QString& serial);
    void killServer();
    void startActivity(const QString& serial, const QString& command, const QString& component,
                       const QString& action, const QString& data, const QStringList& categories,
                       const QString& mimeType);

    QString programName() const { return m_programName; }

    // The parsing rules on their own, for any text the tool printed.
    static QSet<QString> parseDevices(const QString& output);
    static bool containsSuccessLine(const QString& output);
    static QSet<QString> parsePackages(const QString& output);
    static bool containsErrorLine(const QString& output);

private:
    QString m_programName;
};
