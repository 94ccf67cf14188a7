#pragma once

#include <QString>
#include <stdexcept>

namespace simpleprotocol {

// The peer answered with an error line; the message is the peer's decoded text.
class RemoteException : public std::runtime_error
{
public:
    explicit RemoteException(const QString& message);
};

} // namespace simpleprotocol
