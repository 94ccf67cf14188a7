#include "cli/CommandLine.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommandLine", text);
}

enum class Takes
{
    Nothing,
    Value,
    OptionalValue,
};

struct OptionForm
{
    const char* name;
    Takes takes;
};

const OptionForm options[] = {
    {"account", Takes::Value},      {"wifi", Takes::Value},    {"usb", Takes::OptionalValue},
    {"conversation", Takes::Value}, {"format", Takes::Value},  {"to", Takes::Value},
    {"yes", Takes::Nothing},        {"inbox", Takes::Nothing}, {"sent", Takes::Nothing},
    {"quiet", Takes::Nothing},      {"json", Takes::Nothing},  {"help", Takes::Nothing},
    {"version", Takes::Nothing},    {"timeout", Takes::Value},
};

// Options every sub-command takes.
const QStringList globalOptions = {"quiet", "json", "help", "version"};

struct CommandForm
{
    const char* name;
    const char* argument; // name of the one positional argument, or null for none
    QStringList options;  // besides the global ones
    QStringList required;
    bool phone; // exactly one of --wifi and --usb
};

const CommandForm commands[] = {
    {"accounts", nullptr, {"yes"}, {}, false},
    {"backup", nullptr, {"account", "wifi", "usb", "timeout"}, {"account"}, true},
    {"restore", nullptr, {"account", "wifi", "usb", "conversation", "timeout"}, {"account"}, true},
    {"import", "FILE", {"account", "format"}, {"account"}, false},
    {"export", "FILE", {"account", "conversation"}, {"account"}, false},
    {"search", "WORD", {"account", "inbox", "sent"}, {"account"}, false},
    {"send", "TEXT", {"account", "wifi", "usb", "to", "timeout"}, {"account", "to"}, true},
    {"listen", nullptr, {"account", "wifi", "usb", "timeout"}, {"account"}, true},
};

const OptionForm* findOption(const QString& name)
{
    const auto* it = std::find_if(std::begin(options), std::end(options), [&](const OptionForm& o) {
        return name == QLatin1String(o.name);
    });
    return it == std::end(options) ? nullptr : it;
}

const CommandForm* findCommand(const QString& name)
{
    const auto* it =
        std::find_if(std::begin(commands), std::end(commands),
                     [&](const CommandForm& c) { return name == QLatin1String(c.name); });
    return it == std::end(commands) ? nullptr : it;
}

void requireExclusive(const Invocation& invocation, const char* a, const char* b)
{
    if (invocation.has(QLatin1String(a)) && invocation.has(QLatin1String(b)))
        throw UsageError(tr("--%1 and --%2 exclude each other.").arg(a, b));
}

// "accounts", "accounts create NAME", "accounts delete NAME [--yes]".
void checkAccounts(const Invocation& invocation)
{
    const QStringList& args = invocation.arguments;
    if (args.isEmpty()) {
        if (invocation.has(QStringLiteral("yes")))
            throw UsageError(tr("--yes only goes with accounts delete."));
        return;
    }
    const QString& action = args.first();
    if (action != QLatin1String("create") && action != QLatin1String("delete"))
        throw UsageError(tr("Unknown accounts command %1.").arg(action));
    if (args.size() < 2)
        throw UsageError(tr("accounts %1 needs NAME.").arg(action));
    if (args.size() > 2)
        throw UsageError(tr("Unexpected argument %1.").arg(args.at(2)));
    if (action == QLatin1String("create") && invocation.has(QStringLiteral("yes")))
        throw UsageError(tr("--yes only goes with accounts delete."));
}

void checkArguments(const CommandForm& form, const Invocation& invocation)
{
    const int wanted = form.argument ? 1 : 0;
    if (invocation.arguments.size() < wanted)
        throw UsageError(tr("%1 needs %2.").arg(invocation.command, form.argument));
    if (invocation.arguments.size() > wanted)
        throw UsageError(tr("Unexpected argument %1.").arg(invocation.arguments.at(wanted)));
}

void checkOptions(const CommandForm& form, const Invocation& invocation)
{
    for (auto it = invocation.options.cbegin(); it != invocation.options.cend(); ++it) {
        if (!globalOptions.contains(it.key()) && !form.options.contains(it.key()))
            throw UsageError(tr("%1 does not take --%2.").arg(invocation.command, it.key()));
    }
    for (const QString& name : form.required) {
        if (!invocation.has(name))
            throw UsageError(tr("%1 needs --%2.").arg(invocation.command, name));
    }
    if (form.phone) {
        requireExclusive(invocation, "wifi", "usb");
        if (!invocation.has(QStringLiteral("wifi")) && !invocation.has(QStringLiteral("usb")))
            throw UsageError(tr("%1 needs --wifi ADDRESS or --usb [SERIAL].").arg(form.name));
    }
    requireExclusive(invocation, "inbox", "sent");
    const QString format = invocation.value(QStringLiteral("format"));
    if (invocation.has(QStringLiteral("format")) && format != QLatin1String("own") &&
        format != QLatin1String("other"))
        throw UsageError(tr("--format is own or other, not %1.").arg(format));
    if (invocation.has(QStringLiteral("timeout")) && CommandLine::timeoutSeconds(invocation) < 0)
        throw UsageError(tr("--timeout is a number of seconds (0: no limit), not %1.")
                             .arg(invocation.value(QStringLiteral("timeout"))));
}

} // namespace

Invocation CommandLine::parse(const QStringList& arguments)
{
    Invocation invocation;
    bool optionsEnded = false;
    bool usbTookLast = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            if (invocation.command.isEmpty())
                invocation.command = arg;
            else
                invocation.arguments.append(arg);
            continue;
        }
        QString name = arg == QLatin1String("-h") ? QStringLiteral("--help") : arg;
        if (!name.startsWith(QLatin1String("--")))
            throw UsageError(tr("Unknown option %1.").arg(arg));
        name = name.mid(2);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool inlineValue = equals >= 0;
        if (inlineValue) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        const OptionForm* option = findOption(name);
        if (!option)
            throw UsageError(tr("Unknown option %1.").arg(arg));
        if (option->takes == Takes::Nothing && inlineValue)
            throw UsageError(tr("--%1 takes no value.").arg(name));
        if (option->takes == Takes::Value && !inlineValue) {
            if (i + 1 >= arguments.size())
                throw UsageError(tr("--%1 needs a value.").arg(name));
            value = arguments.at(++i);
        }
        if (option->takes == Takes::OptionalValue && !inlineValue && i + 1 < arguments.size() &&
            !arguments.at(i + 1).startsWith(QLatin1Char('-'))) {
            value = arguments.at(++i);
            usbTookLast = i == arguments.size() - 1;
        }
        if (invocation.options.contains(name))
            throw UsageError(tr("--%1 is given twice.").arg(name));
        invocation.options.insert(name, value);
    }
    if (invocation.has(QStringLiteral("help")) || invocation.has(QStringLiteral("version")))
        return invocation;
    if (invocation.command.isEmpty())
        throw UsageError(tr("No command given."));
    checkCommand(invocation, usbTookLast);
    return invocation;
}

void CommandLine::checkCommand(Invocation& invocation, bool usbTookLast)
{
    const CommandForm* form = findCommand(invocation.command);
    if (!form)
        throw UsageError(tr("Unknown command %1.").arg(invocation.command));
    // "send --to 5550100 --usb Hello": the last word was the message, not a device serial.
    if (usbTookLast && form->argument && invocation.arguments.isEmpty()) {
        invocation.arguments.append(invocation.value(QStringLiteral("usb")));
        invocation.options.insert(QStringLiteral("usb"), QString());
    }
    checkOptions(*form, invocation);
    if (invocation.command == QLatin1String("accounts"))
        checkAccounts(invocation);
    else
        checkArguments(*form, invocation);
}

int CommandLine::timeoutSeconds(const Invocation& invocation)
{
    if (!invocation.has(QStringLiteral("timeout")))
        return DEFAULT_TIMEOUT_S;
    bool ok = false;
    const int seconds = invocation.value(QStringLiteral("timeout")).toInt(&ok, 10);
    return ok && seconds >= 0 && seconds <= MAX_TIMEOUT_S ? seconds : -1;
}

QString CommandLine::usage()
{
    return tr("Usage: tallowbrook-cli COMMAND [OPTIONS]\n"
              "\n"
              "Commands:\n"
              "  accounts                      list the accounts with their message counts\n"
              "  accounts create NAME          create an empty account\n"
              "  accounts delete NAME [--yes]  delete an account (asks unless --yes)\n"
              "  backup --account NAME PHONE   back up every message of the phone\n"
              "  restore --account NAME PHONE [--conversation NUMBER]\n"
              "                                write the stored messages (or one conversation) to\n"
              "                                the phone\n"
              "  import FILE --account NAME [--format own|other]\n"
              "                                import a CSV file written by Tallowbrook (own, the\n"
              "                                default) or by another phone's tool (other), or an\n"
              "                                XML backup file (.xml)\n"
              "  export FILE --account NAME [--conversation NUMBER]\n"
              "                                export to FILE; its suffix names the format: .csv,\n"
              "                                .txt, .htm, .html, .doc, .pdf or .xml\n"
              "  search WORD --account NAME [--inbox|--sent]\n"
              "                                print the messages whose text, number or contact\n"
              "                                contains WORD: date, direction, contact, text\n"
              "  send --account NAME PHONE --to NUMBER[,NUMBER...] TEXT\n"
              "                                send TEXT to each number through the phone\n"
              "  listen --account NAME PHONE   store and print incoming messages until Ctrl+C\n"
              "\n"
              "PHONE is --wifi ADDRESS (the phone's IP address) or --usb [SERIAL] (through adb;\n"
              "without SERIAL the one attached device).\n"
              "NAME is an account file in the data folder; the .db suffix may be left out.\n"
              "\n"
              "Options:\n"
              "  --timeout SECONDS\n"
              "             give up on a phone that says nothing for that long (default 60;\n"
              "             0 waits for ever); listen waits for messages without limit\n"
              "  --quiet    no progress on standard error\n"
              "  --json     one JSON object per line on standard output (progress and result)\n"
              "  --help     this text\n"
              "  --version  the program's version\n"
              "  --         ends the options, for a TEXT or WORD that begins with -\n"
              "\n"
              "Exit status: 0 done, 1 failed, 2 bad usage, 130 cancelled (Ctrl+C).\n");
}
