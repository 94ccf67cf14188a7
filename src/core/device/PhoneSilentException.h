#pragma once

#include "core/device/SocketDataTransferException.h"

namespace simpleprotocol {

// The phone said nothing for the silence limit (see phoneSilenceLimitMs): the program gave up.
class PhoneSilentException : public SocketDataTransferException
{
public:
    explicit PhoneSilentException(int limitMs);
};

} // namespace simpleprotocol
