#pragma once

#include <QString>

#include "core/frame/SMSInfo.h"

class DeviceConnection;

// Asks the phone to send one SMS and returns the record the phone answers with. Storing it is
// the caller's part (IncomingSMSGate::offer, which keeps it until the account can take it), so
// that a message the phone sent is never reported as failed. Blocks the calling thread: up to
// 10 s for the connection, for the answer as long as the phone's silence limit allows
// (core/device/SimpleProtocol.h). Throws the protocol's exceptions.
SMSInfo sendSMSThroughPhone(DeviceConnection* connection, const QString& address,
                            const QString& body);
