#pragma once

#include <QString>

#include "core/frame/SMSInfo.h"

class DeviceConnection;

// Asks the phone to send one SMS and stores the record the phone answers with in the current
// database (a duplicate is skipped silently). Blocks the calling thread: up to 10 s for the
// connection, without limit for the answer. Throws the protocol's exceptions and the
// database layer's.
SMSInfo sendSMSThroughPhone(DeviceConnection* connection, const QString& address,
                            const QString& body);
