#include "device/DeviceConnection.h"

#include <QTcpSocket>
#include <mutex>

#include "device/ConnectionForm.h"
#include "device/SimpleProtocol.h"

namespace {

struct ConnectionState
{
    std::mutex mutex; // workers read the pointer from their own threads
    std::shared_ptr<DeviceConnection> current;
    std::function<void()> stopListener;
    std::function<void()> restartListener;
};

ConnectionState& state()
{
    static ConnectionState s;
    return s;
}

void callHook(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

std::function<void()> hookCopy(std::function<void()> ConnectionState::*member)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().*member;
}

} // namespace

DeviceConnection::DeviceConnection(const QString& serial, const QString& host, bool isUsb)
    : m_host(host), m_serial(serial), m_isUsb(isUsb)
{
    hello();
}

void DeviceConnection::open(QTcpSocket& socket, const QString& requestLine) const
{
    socket.connectToHost(m_host, COMMAND_PORT, QIODevice::ReadWrite);
    if (!socket.waitForConnected(CONNECT_TIMEOUT_MS))
        throw simpleprotocol::SocketDataTransferException(socket.errorString());
    socket.write((requestLine + QLatin1Char('\n')).toUtf8());
    socket.flush();
}

void DeviceConnection::hello() const
{
    QTcpSocket socket;
    open(socket, QStringLiteral("hello://127.0.0.1/"));
    // Waits as long as the service keeps the connection open without answering.
    readReply(&socket, -1);
}

std::shared_ptr<DeviceConnection> currentConnection()
{
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().current;
}

void setConnection(const QString& serial, const QString& host, bool isUsb)
{
    auto next = std::make_shared<DeviceConnection>(serial, host, isUsb);
    // The listener may still use the previous connection: stop it before letting that go.
    callHook(hookCopy(&ConnectionState::stopListener));
    std::shared_ptr<DeviceConnection> previous;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        previous = std::exchange(state().current, std::move(next));
    }
    previous.reset();
    callHook(hookCopy(&ConnectionState::restartListener));
}

DeviceConnection* ensureConnection(bool askUser)
{
    if (auto connection = currentConnection())
        return connection.get();
    if (askUser) {
        ConnectionForm form;
        form.exec();
    }
    return currentConnection().get();
}

void setListenerHooks(std::function<void()> stopListener, std::function<void()> restartListener)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().stopListener = std::move(stopListener);
    state().restartListener = std::move(restartListener);
}

void clearConnection()
{
    callHook(hookCopy(&ConnectionState::stopListener));
    std::shared_ptr<DeviceConnection> previous;
    std::lock_guard<std::mutex> lock(state().mutex);
    previous = std::exchange(state().current, nullptr);
}
