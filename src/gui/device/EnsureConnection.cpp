#include "gui/device/EnsureConnection.h"

#include "core/device/DeviceConnection.h"
#include "gui/device/ConnectionForm.h"

std::shared_ptr<DeviceConnection> ensureConnection(bool askUser)
{
    if (auto connection = currentConnection())
        return connection;
    if (askUser) {
        ConnectionForm form;
        form.exec();
    }
    return currentConnection();
}
