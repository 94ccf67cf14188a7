#include "core/device/PhoneSilentException.h"

#include <QCoreApplication>

namespace simpleprotocol {

PhoneSilentException::PhoneSilentException(int limitMs)
    : SocketDataTransferException(
          QCoreApplication::translate("QObject", "IDS_PHONE_STOPPED_ANSWERING_%1")
              .arg(QString::number(limitMs / 1000.0)))
{}

} // namespace simpleprotocol
