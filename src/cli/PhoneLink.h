#pragma once

class CliSession;

// Connects to the phone of --wifi or --usb (hello included); Ctrl+C cancels, and every wait for
// the phone from now on gives up after --timeout seconds of silence. Throws UsageError for an
// address that is none, CommandFailure when the phone cannot be reached.
void connectPhone(CliSession& session);
