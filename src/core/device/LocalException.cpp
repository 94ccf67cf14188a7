#include "core/device/LocalException.h"

#include "core/device/SimpleProtocol.h"

namespace simpleprotocol {

LocalException::LocalException(QIODevice* socket, const QString& message)
    : std::runtime_error(message.toStdString())
{
    writeCommand(socket, QString::fromLatin1(ERROR_PREFIX),
                 QString::fromLatin1(message.toUtf8().toBase64()), true);
}

} // namespace simpleprotocol
