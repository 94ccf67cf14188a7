#pragma once

#include <QString>
#include <stdexcept>

class QIODevice;

namespace simpleprotocol {

// The program could not accept what the peer sent. Building it tells the peer with an error
// line first (a failing write throws SocketDataTransferException instead).
class LocalException : public std::runtime_error
{
public:
    LocalException(QIODevice* socket, const QString& message);
};

} // namespace simpleprotocol
