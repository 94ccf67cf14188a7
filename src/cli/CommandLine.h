#pragma once

#include <QString>
#include <QStringList>

#include "cli/Invocation.h"
#include "cli/UsageError.h"

// The command line of tallowbrook-cli: options may come anywhere ("--name value" or
// "--name=value"), "--" ends them. "--usb" takes the next argument as the device serial unless
// it begins with "-" or is the sub-command's last argument.
class CommandLine
{
public:
    // The arguments without the program name. Throws UsageError.
    static Invocation parse(const QStringList& arguments);
    // --timeout in seconds (DEFAULT_TIMEOUT_S when not given, 0 for no limit), or -1 when it is
    // not a whole number from 0 to MAX_TIMEOUT_S.
    static int timeoutSeconds(const Invocation& invocation);
    static constexpr int DEFAULT_TIMEOUT_S = 60;
    static constexpr int MAX_TIMEOUT_S = 1000000;
    // The usage text printed by --help and after a usage error.
    static QString usage();

private:
    static void checkCommand(Invocation& invocation, bool usbTookLast);
};
