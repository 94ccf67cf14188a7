#include <QBuffer>
#include <QtTest>

#include "device/SimpleProtocol.h"
#include "device/SocketPair.h"

using simpleprotocol::LocalException;
using simpleprotocol::RemoteException;
using simpleprotocol::SocketDataTransferException;

namespace {

const QString ADDRESS = QStringLiteral("127.0.0.20");

QByteArray errorLine(const QString& text)
{
    return QByteArray(ERROR_PREFIX) + text.toUtf8().toBase64() + '\n';
}

template <typename Exception, typename F> QString messageOf(F&& call)
{
    try {
        call();
    } catch (const Exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QStringLiteral("<no exception>");
}

} // namespace

class TestSimpleProtocol : public QObject
{
    Q_OBJECT
private slots:
    void carriageReturnsAreDropped();
    void linesArriveOneAtATime();
    void lineSplitOverSeveralArrivals();
    void bytesAreLatin1();
    void emptyLineIsNullCommand();
    void errorLineBecomesRemoteException();
    void emptyErrorLineGivesEmptyMessage();
    void capitalErrorKeywordIsNotAnError();
    void closedConnectionEndsTheWait();
    void lineOfTheLimitIsAccepted();
    void longerLineIsRefused();
    void writeCommandForms();
    void writeTextStopsAtNul();
    void localExceptionTellsThePeer();
    void localExceptionOnGonePeerIsSocketFailure();
};

void TestSimpleProtocol::carriageReturnsAreDropped()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("abc\r\n");
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("abc"));
    pair.send("a\rb\r\rc\n");
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("abc"));
}

void TestSimpleProtocol::linesArriveOneAtATime()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("$count:3\n$batch:\n\n$end:\n");
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("$count:3"));
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("$batch:"));
    QCOMPARE(readLine(&pair.client, 5000), QString());
    QCOMPARE(readReply(&pair.client, 5000), QStringLiteral("$end:"));
}

void TestSimpleProtocol::lineSplitOverSeveralArrivals()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("$sms:12");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&pair.client, 100));
    QCOMPARE(pair.client.error(), QAbstractSocket::SocketTimeoutError);
    pair.send("34,\r");
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException, readLine(&pair.client, 100));
    pair.send("x\nnext\n");
    // A read that timed out in the middle of a line leaves the line whole for the next one.
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("$sms:1234,x"));
    QCOMPARE(readLine(&pair.client, 5000), QStringLiteral("next"));
}

void TestSimpleProtocol::bytesAreLatin1()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("\xc3\xa4\xff\n");
    const QString line = readLine(&pair.client, 5000);
    QCOMPARE(line.size(), 3);
    QCOMPARE(line.at(0).unicode(), ushort(0xc3));
    QCOMPARE(line.at(2).unicode(), ushort(0xff));
}

void TestSimpleProtocol::emptyLineIsNullCommand()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("\r\n");
    QCOMPARE(messageOf<SocketDataTransferException>([&] { readReply(&pair.client, 5000); }),
             QStringLiteral("Null command."));
}

void TestSimpleProtocol::errorLineBecomesRemoteException()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    const QString text = QStringLiteral("Speicher voll – память заполнена 📵");
    pair.send(errorLine(text));
    QCOMPARE(messageOf<RemoteException>([&] { readReply(&pair.client, 5000); }), text);
}

void TestSimpleProtocol::emptyErrorLineGivesEmptyMessage()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("$error:\n");
    QCOMPARE(messageOf<RemoteException>([&] { readReply(&pair.client, 5000); }), QString());
}

void TestSimpleProtocol::capitalErrorKeywordIsNotAnError()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("$ERROR:YWJj\n$Error:\n");
    QCOMPARE(readReply(&pair.client, 5000), QStringLiteral("$ERROR:YWJj"));
    QCOMPARE(readReply(&pair.client, 5000), QStringLiteral("$Error:"));
}

void TestSimpleProtocol::closedConnectionEndsTheWait()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.send("$count:1\npartial");
    pair.peer->disconnectFromHost();
    QCOMPARE(readReply(&pair.client, -1), QStringLiteral("$count:1"));
    const QString message =
        messageOf<SocketDataTransferException>([&] { readReply(&pair.client, -1); });
    QCOMPARE(message, pair.client.errorString());
    QCOMPARE(pair.client.error(), QAbstractSocket::RemoteHostClosedError);
}

void TestSimpleProtocol::lineOfTheLimitIsAccepted()
{
    QByteArray data(MAX_LINE_BYTES, 'A');
    data += "\nnext\n";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(readLine(&buffer, 0).size(), MAX_LINE_BYTES);
    QCOMPARE(readLine(&buffer, 0), QStringLiteral("next"));
}

void TestSimpleProtocol::longerLineIsRefused()
{
    QByteArray data(MAX_LINE_BYTES + 1, 'A');
    data += '\n';
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    const QString message = messageOf<SocketDataTransferException>([&] { readLine(&buffer, 0); });
    QVERIFY2(message.contains(QString::number(MAX_LINE_BYTES)), qPrintable(message));
}

void TestSimpleProtocol::writeCommandForms()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    writeCommand(&pair.client, QString(), QString(), true);
    QCOMPARE(pair.received(1), QByteArray("\n"));
    writeCommand(&pair.client, QStringLiteral("$bye:"), QString(), true);
    QCOMPARE(pair.received(6), QByteArray("$bye:\n"));
    writeCommand(&pair.client, QStringLiteral("$sms:"), QStringLiteral("1,0,,\n"), false);
    writeLine(&pair.client, QStringLiteral("plain"), true);
    QCOMPARE(pair.received(18), QByteArray("$sms:1,0,,\n\nplain\n"));
}

void TestSimpleProtocol::writeTextStopsAtNul()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeText(&buffer, QStringLiteral("ab") + QChar(0) + QStringLiteral("cd"));
    QCOMPARE(buffer.data(), QByteArray("ab"));
}

void TestSimpleProtocol::localExceptionTellsThePeer()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    const QString text = QStringLiteral("Datensatz unlesbar – запись");
    const LocalException e(&pair.client, text);
    QCOMPARE(QString::fromUtf8(e.what()), text);
    const QByteArray expected = errorLine(text);
    QCOMPARE(pair.received(expected.size()), expected);
}

void TestSimpleProtocol::localExceptionOnGonePeerIsSocketFailure()
{
    SocketPair pair;
    QVERIFY(pair.open(ADDRESS));
    pair.peer->close();
    QVERIFY(!pair.client.waitForReadyRead(5000));
    QVERIFY_THROWS_EXCEPTION(SocketDataTransferException,
                             LocalException(&pair.client, QStringLiteral("x")));
}

QTEST_GUILESS_MAIN(TestSimpleProtocol)
#include "tst_simpleprotocol.moc"
