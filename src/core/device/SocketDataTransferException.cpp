#include "core/device/SocketDataTransferException.h"

namespace simpleprotocol {

SocketDataTransferException::SocketDataTransferException(const QString& message)
    : std::runtime_error(message.toStdString())
{}

} // namespace simpleprotocol
