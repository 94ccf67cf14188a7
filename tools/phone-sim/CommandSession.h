#pragma once

#include "SessionBase.h"

namespace phonesim {

// The command port: one request line, then the exchange the request asks for.
class CommandSession : public SessionBase
{
    Q_OBJECT
public:
    CommandSession(QTcpSocket* socket, const QString& name, SimContext& context, QObject* parent);

protected:
    void handleLine(const QByteArray& line) override;

private:
    enum class State
    {
        AwaitRequest,
        AwaitMessage,
        AwaitBye,
        Done
    };

    void handleRequest(const QByteArray& line);
    void answerHello();
    void handleMessageLine(const QByteArray& line);
    void reject(const QString& text);

    State m_state = State::AwaitRequest;
};

} // namespace phonesim
