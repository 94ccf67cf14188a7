#include "cli/PhoneLink.h"

#include <QCoreApplication>

#include "cli/CatalogueText.h"
#include "cli/CliSession.h"
#include "core/device/AdbBridge.h"
#include "core/device/DeviceConnection.h"
#include "core/device/SimpleProtocol.h"
#include "core/frame/ReasonText.h"

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("PhoneLink", text);
}

// The one device adb lists; several or none cannot be chosen from.
QString onlyAttachedDevice()
{
    AdbBridge bridge;
    QStringList serials = bridge.devices().values();
    if (serials.isEmpty())
        throw CommandFailure(catalogueText("IDS_USB_CONNECTION_CAN_NOT_FIND_ANY_DEVICES"));
    if (serials.size() > 1) {
        serials.sort();
        throw CommandFailure(tr("Several devices are attached (%1): name one with --usb SERIAL.")
                                 .arg(serials.join(QStringLiteral(", "))));
    }
    return serials.first();
}

QString connectionFailure(const std::exception& e)
{
    return withReason(catalogueText("IDS_CAN_NOT_MAKE_CONNECTION_START_SYNC_FIRST_ERR_%1"),
                      QString::fromUtf8(e.what()));
}

} // namespace

void connectPhone(CliSession& session)
{
    const Invocation& invocation = session.invocation();
    const bool usb = invocation.has(QStringLiteral("usb"));
    QString serial =
        invocation.value(usb ? QStringLiteral("usb") : QStringLiteral("wifi")).trimmed();
    const QString host = usb ? QStringLiteral("127.0.0.1") : serial;
    if (!usb && !DeviceConnection::isWifiAddress(host)) {
        throw UsageError(catalogueText("IDS_INVALID_WIFI_ADDR_WHEN_CONNECT_TO_DEVICE") +
                         QLatin1Char(' ') + host);
    }
    const int timeout = CommandLine::timeoutSeconds(invocation);
    setPhoneSilenceLimitMs(timeout == 0 ? -1 : timeout * 1000);
    session.console().note(usb ? tr("Connecting to the phone over USB...")
                               : tr("Connecting to the phone at %1...").arg(host));
    try {
        session.runTask([&] {
            if (usb) {
                if (serial.isEmpty())
                    serial = onlyAttachedDevice();
                AdbBridge bridge;
                bridge.forward(serial, DeviceConnection::COMMAND_PORT,
                               DeviceConnection::COMMAND_PORT);
            }
            setConnection(serial, host, usb);
        });
    } catch (const simpleprotocol::PhoneSilentException& e) {
        throw CommandFailure(QString::fromUtf8(e.what()));
    } catch (const simpleprotocol::SocketDataTransferException& e) {
        throw CommandFailure(connectionFailure(e));
    } catch (const simpleprotocol::RemoteException& e) {
        // The service is there but refused the hello: told like a failed connection.
        throw CommandFailure(connectionFailure(e));
    }
}
