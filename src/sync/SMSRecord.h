#pragma once

// The wire form of one SMS lives with the protocol (the send exchange needs it too).
#include "device/SMSRecord.h"
