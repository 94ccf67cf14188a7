#pragma once

#include <memory>

class DeviceConnection;

// The current phone connection; without one and with askUser, the connection dialog runs
// first. Empty when there is still none (the user cancelled or the connection failed).
std::shared_ptr<DeviceConnection> ensureConnection(bool askUser);
