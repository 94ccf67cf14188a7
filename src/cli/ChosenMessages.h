#pragma once

#include <memory>

class SMSCursorSource;
struct Invocation;

// The messages of the open account, oldest first: all of them, or the conversation of
// --conversation NUMBER (CommandFailure when it has none).
std::unique_ptr<SMSCursorSource> chosenMessages(const Invocation& invocation);
