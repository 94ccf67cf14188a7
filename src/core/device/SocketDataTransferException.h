#pragma once

#include <QString>
#include <stdexcept>

namespace simpleprotocol {

// The socket failed: no connection, a failed write or flush, no data, an empty line, or a
// line too long to be a protocol line.
class SocketDataTransferException : public std::runtime_error
{
public:
    explicit SocketDataTransferException(const QString& message);
};

} // namespace simpleprotocol
