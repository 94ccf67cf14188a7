#include "core/device/RemoteException.h"

namespace simpleprotocol {

RemoteException::RemoteException(const QString& message) : std::runtime_error(message.toStdString())
{}

} // namespace simpleprotocol
