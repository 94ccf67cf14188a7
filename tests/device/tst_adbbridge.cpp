#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

#include "FakeAdbEnvironment.h"
#include "device/AdbBridge.h"

namespace {

// An "adb" first on PATH (inside this process) that prints given texts and records its
// arguments, for the operations the project's fake tool does not know.
class ScriptedAdb
{
public:
    ScriptedAdb() : m_oldPath(qgetenv("PATH"))
    {
        QFile script(m_dir.filePath(QStringLiteral("adb")));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\n"
                     "d=$(dirname \"$0\")\n"
                     "printf '%s\\n' \"$*\" >> \"$d/args\"\n"
                     "cat \"$d/out\"\n"
                     "cat \"$d/err\" >&2\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        setOutput({}, {});
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
    }
    ~ScriptedAdb() { qputenv("PATH", m_oldPath); }

    void setOutput(const QByteArray& out, const QByteArray& err)
    {
        write(QStringLiteral("out"), out);
        write(QStringLiteral("err"), err);
    }
    QStringList calls() const
    {
        QFile file(m_dir.filePath(QStringLiteral("args")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

template <typename F> QString failureOf(F&& call)
{
    try {
        call();
    } catch (const std::runtime_error& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no exception>");
}

using Serials = QSet<QString>;

} // namespace

class TestAdbBridge : public QObject
{
    Q_OBJECT
private slots:
    void devicesParsing_data();
    void devicesParsing();
    void runCombinesErrorAndOutput();
    void outputEndsAtNulByte();
    void forwardCommandAndFailure();
    void installAndUninstallNeedSuccessLine();
    void listPackagesTakesPackageLines();
    void startActivityCommandAndErrorLines();
    void logcatAndKillServer();
    void missingToolIsSilent();
    void projectFakeToolListsAndForwards();
};

void TestAdbBridge::devicesParsing_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<Serials>("serials");
    QTest::newRow("two devices")
        << QStringLiteral("List of devices attached\nSER1\tdevice\nemulator-5554\tdevice\n\n")
        << Serials{QStringLiteral("SER1"), QStringLiteral("emulator-5554")};
    QTest::newRow("no header") << QStringLiteral("SER1\tdevice\nSER2\tdevice\n") << Serials{};
    QTest::newRow("seven-letter state")
        << QStringLiteral("List of devices attached\nSER1\tunknown\n")
        << Serials{QStringLiteral("SER1\tu")};
    QTest::newRow("short lines") << QStringLiteral("List of devices attached\n\nabcdef\n  x  \n")
                                 << Serials{};
    QTest::newRow("header case and blanks")
        << QStringLiteral("* daemon started *\r\n   LIST OF DEVICES attached  \r\nSER9\tdevice\r\n")
        << Serials{QStringLiteral("SER9")};
    QTest::newRow("equal serials")
        << QStringLiteral("List of devices attached\nA1234\tdevice\n  A1234\tdevice  \n")
        << Serials{QStringLiteral("A1234")};
}

void TestAdbBridge::devicesParsing()
{
    QFETCH(QString, output);
    QFETCH(Serials, serials);
    QCOMPARE(AdbBridge::parseDevices(output), serials);
}

void TestAdbBridge::runCombinesErrorAndOutput()
{
    ScriptedAdb adb;
    AdbBridge bridge;
    QCOMPARE(bridge.programName(), QStringLiteral("adb"));
    adb.setOutput("out text\n", "err text\n");
    QCOMPARE(bridge.run({QStringLiteral("x")}, false), QStringLiteral("err text\n\nout text\n"));
    QCOMPARE(failureOf([&] { bridge.run({QStringLiteral("x")}, true); }),
             QStringLiteral("err text\n"));
    adb.setOutput("only out\n", {});
    QCOMPARE(bridge.run({QStringLiteral("a"), QStringLiteral("b c")}, true),
             QStringLiteral("only out\n"));
    QCOMPARE(adb.calls().last(), QStringLiteral("a b c"));
}

void TestAdbBridge::outputEndsAtNulByte()
{
    ScriptedAdb adb;
    adb.setOutput(QByteArray("abc\0def", 7), {});
    AdbBridge bridge;
    QCOMPARE(bridge.run({}, true), QStringLiteral("abc"));
}

void TestAdbBridge::forwardCommandAndFailure()
{
    ScriptedAdb adb;
    adb.setOutput("anything at all\n", {});
    AdbBridge bridge;
    bridge.forward(QStringLiteral("SER1"), 42580, 32421);
    QCOMPARE(adb.calls(), QStringList{QStringLiteral("-s SER1 forward tcp:42580 tcp:32421")});
    adb.setOutput({}, "error: device offline\n");
    QCOMPARE(failureOf([&] { bridge.forward(QStringLiteral("SER1"), 1, 1); }),
             QStringLiteral("error: device offline\n"));
}

void TestAdbBridge::installAndUninstallNeedSuccessLine()
{
    ScriptedAdb adb;
    AdbBridge bridge;
    adb.setOutput("Performing push install\n  success  \n", {});
    bridge.install(QStringLiteral("S"), QStringLiteral("/tmp/app.apk"));
    adb.setOutput({}, "Success\n"); // install searches the error text too
    bridge.install(QStringLiteral("S"), QStringLiteral("/tmp/app.apk"));
    adb.setOutput("Failure [INSTALL_FAILED_ALREADY_EXISTS]\n", "warning\n");
    QCOMPARE(failureOf([&] { bridge.install(QStringLiteral("S"), QStringLiteral("a.apk")); }),
             QStringLiteral("warning\n\nFailure [INSTALL_FAILED_ALREADY_EXISTS]\n"));
    adb.setOutput("Success\n", {});
    bridge.uninstall(QStringLiteral("S"), QStringLiteral("org.example"));
    adb.setOutput("Success\n", "device not found\n");
    QCOMPARE(failureOf([&] { bridge.uninstall(QStringLiteral("S"), QStringLiteral("o")); }),
             QStringLiteral("device not found\n"));
    adb.setOutput("Failure\n", {});
    QCOMPARE(failureOf([&] { bridge.uninstall(QStringLiteral("S"), QStringLiteral("o")); }),
             QStringLiteral("Failure\n"));
    const QStringList calls = adb.calls();
    QCOMPARE(calls.first(), QStringLiteral("-s S install /tmp/app.apk"));
    QCOMPARE(calls.last(), QStringLiteral("-s S uninstall o"));
}

void TestAdbBridge::listPackagesTakesPackageLines()
{
    ScriptedAdb adb;
    adb.setOutput("package:com.a\n   package: com.b  \nPackage:com.c\nxpackage:com.d\n", {});
    AdbBridge bridge;
    QCOMPARE(bridge.listPackages(QStringLiteral("S")),
             (Serials{QStringLiteral("com.a"), QStringLiteral("com.b")}));
    QCOMPARE(adb.calls().last(), QStringLiteral("-s S shell pm -l"));
}

void TestAdbBridge::startActivityCommandAndErrorLines()
{
    ScriptedAdb adb;
    AdbBridge bridge;
    adb.setOutput("Starting: Intent\n", {});
    bridge.startActivity(QStringLiteral("S"), QStringLiteral("start"), QStringLiteral("p/.A"),
                         QStringLiteral("act"), QStringLiteral("content://x"),
                         {QStringLiteral("c1"), QStringLiteral("c2")},
                         QStringLiteral("text/plain"));
    bridge.startActivity(QStringLiteral("S"), QStringLiteral("start"), {}, {}, {}, {}, {});
    QCOMPARE(adb.calls(),
             (QStringList{QStringLiteral("-s S shell am start -n p/.A -a act -d content://x -c c1 "
                                         "-c c2 -t text/plain"),
                          QStringLiteral("-s S shell am start")}));
    adb.setOutput("Starting\n  ERROR: Activity class does not exist.\n", {});
    QCOMPARE(failureOf([&] {
                 bridge.startActivity(QStringLiteral("S"), QStringLiteral("start"), {}, {}, {}, {},
                                      {});
             }),
             QStringLiteral("Starting\n  ERROR: Activity class does not exist.\n"));
    adb.setOutput("An error: not at the start\n", {});
    bridge.startActivity(QStringLiteral("S"), QStringLiteral("start"), {}, {}, {}, {}, {});
}

void TestAdbBridge::logcatAndKillServer()
{
    ScriptedAdb adb;
    AdbBridge bridge;
    adb.setOutput("log line\n", "note\n");
    QCOMPARE(bridge.logcat(QStringLiteral("S")), QStringLiteral("note\n\nlog line\n"));
    bridge.killServer();
    QCOMPARE(adb.calls(),
             (QStringList{QStringLiteral("-s S shell logcat -d"), QStringLiteral("kill-server")}));
}

void TestAdbBridge::missingToolIsSilent()
{
    const QByteArray oldPath = qgetenv("PATH");
    QTemporaryDir empty;
    qputenv("PATH", QFile::encodeName(empty.path()));
    AdbBridge bridge;
    QCOMPARE(bridge.run({QStringLiteral("devices")}, true), QString());
    QVERIFY(bridge.devices().isEmpty());
    bridge.forward(QStringLiteral("S"), 42580, 42580);
    qputenv("PATH", oldPath);
}

void TestAdbBridge::projectFakeToolListsAndForwards()
{
    tbtest::FakeAdbEnvironment fake;
    fake.setDevices({QStringLiteral("SIMA"), QStringLiteral("SIMB")});
    AdbBridge bridge;
    QCOMPARE(bridge.devices(), (Serials{QStringLiteral("SIMA"), QStringLiteral("SIMB")}));
    bridge.forward(QStringLiteral("SIMB"), 32422, 32422);
    QVERIFY(fake.commands().contains(QStringLiteral("-s SIMB forward tcp:32422 tcp:32422")));
    QVERIFY(failureOf([&] { bridge.forward(QStringLiteral("NOPE"), 1, 1); }).contains("NOPE"));
    fake.setErrorText(QStringLiteral("adb server is out of date"));
    QCOMPARE(failureOf([&] { bridge.devices(); }), QStringLiteral("adb server is out of date\n"));
}

QTEST_GUILESS_MAIN(TestAdbBridge)
#include "tst_adbbridge.moc"
