#pragma once

#include "core/device/SocketDataTransferException.h"

namespace simpleprotocol {

// A line longer than MAX_LINE_BYTES: a socket failure, but never a read time-out.
class LineTooLongException : public SocketDataTransferException
{
public:
    using SocketDataTransferException::SocketDataTransferException;
};

} // namespace simpleprotocol
