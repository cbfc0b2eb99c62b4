#include "CommandLine.h"

#include "VelmarVersion.h"

#include <QCommandLineParser>

namespace {

const QString Program = QStringLiteral("velmar-cli");

struct OptionEntry {
    OptionEntry(QStringList n, QString d, QString v = {})
        : names(std::move(n)),
          description(std::move(d)),
          valueName(std::move(v))
    {}
    QStringList names;
    QString description;
    QString valueName; // empty for a flag
    [[nodiscard]] QCommandLineOption option() const
    {
        return valueName.isEmpty() ? QCommandLineOption(names, description)
                                   : QCommandLineOption(names, description, valueName);
    }
};

const QList<OptionEntry>& commonOptions()
{
    static const QList<OptionEntry> options{
        {{"p", "port"},
         "The port: a device path, COMn (/dev/ttyS(n-1)), a name in /dev, a /dev/serial/by-id name, or SIM "
         "(a simulated board inside the program). Default: the port the window stored in Settings.ini, else SIM.",
         "name"},
        {{"b", "baud"}, "The line's speed in bit/s (default 57600).", "n"},
        {{"q", "quiet"}, "Print nothing but errors (and the object of --json)."},
        {{"json"}, "Print the result as one JSON object (info, send, config read, reset-counters, onewire read)."},
        {{"echo"}, "Echo every telegram and its answer, as \"Debug Telegramm\" does in the windows."},
        {{"settings"}, "Read the stored port from <file> instead of the window's Settings.ini.", "file"},
    };
    return options;
}

struct CommandEntry {
    QString name;
    QString synopsis; // the arguments
    QString summary;  // one line for the list of commands
    QString description;
    QList<OptionEntry> options;
    int minArgs = 0;
    int maxArgs = 0;
    QStringList subcommands; // words the first argument may be, when any
};

const QList<CommandEntry>& commandTable()
{
    static const QList<CommandEntry> table{
        {"ports",
         "",
         "the serial devices with their /dev/serial/by-id names",
         "Lists the serial devices of this system, one a line, each followed by its /dev/serial/by-id names, "
         "and SIM last.",
         {},
         0,
         0,
         {}},
        {"send",
         "TEXT...",
         "one telegram: prints the answer code and the data bytes",
         "Sends one telegram and prints the answer code and the data bytes. TEXT is the telegram's bytes in "
         "hex, the command first (\"32 02 00\" selects EEPROM address 0x0002), or the whole telegram text "
         "(\":aa03320200a5\").",
         {{{"raw"}, "Print the answer line as it came instead."}},
         1,
         -1,
         {}},
        {"info",
         "",
         "board kind, configuration byte with its settings, reset counters",
         "Asks the board for its kind and prints it with its name, the configuration byte with each of its "
         "settings named for that kind (the I2C address for an I/O module), and the five reset counters.",
         {},
         0,
         0,
         {}},
        {"config",
         "read | write BYTE",
         "read or write the configuration byte",
         "Reads the configuration byte (EEPROM 0x0002) with its settings named for the board's kind, or writes "
         "BYTE (0x13, $13 or 19). A byte the board's settings dialog could not write (bits the kind does not "
         "use, more than one LCD connection) is refused.",
         {},
         1,
         2,
         {"read", "write"}},
        {"reset-counters",
         "",
         "the five reset counters",
         "Reads the five reset counters (EEPROM 0x0016 to 0x001F); --clear zeroes them first.",
         {{{"clear"}, "Zero the counters, then read them."}},
         0,
         0,
         {}},
        {"i2c",
         "read | write ADDR",
         "the I2C address of the I/O module",
         "Reads or writes the I2C address of the I/O module (EEPROM 0x0003), in hex as the settings dialog "
         "shows it (\"40\"; \"$40\" and \"0x40\" are taken too).",
         {},
         1,
         2,
         {"read", "write"}},
        {"onewire",
         "read [FILE] | write FILE",
         "the 1-Wire table of the LCD module",
         "Reads the LCD module's 1-Wire table into FILE (onto stdout without one), or writes it from FILE. "
         "The file holds the number of devices in hex on its first line, then one entry of 22 hex digits a "
         "line, eight entries; an empty line is an empty entry (written as zeros). Lines that start with # "
         "are comments.",
         {},
         1,
         2,
         {"read", "write"}},
        {"sd",
         "put PCFILE | get NAME [PCFILE]",
         "copy a text file to or from the CPU board's SD card",
         "put copies the text file PCFILE onto the CPU board's SD card, under its file name; get copies the "
         "card's file NAME onto the PC, into PCFILE or into NAME in the current folder. Ctrl+C stops a copy "
         "and still closes the card's file; a stopped get leaves the PC file as it was.",
         {},
         2,
         3,
         {"put", "get"}},
        {"flash",
         "FILE.hex",
         "firmware download with verify",
         "Writes an Intel HEX firmware into the board through its bootloader, reads it back and compares it, "
         "then starts the new firmware. Ctrl+C stops after the current block and leaves the bootloader.",
         {},
         1,
         1,
         {}},
        {"awl",
         "FILE.vlb",
         "AWL byte-code download",
         "Writes an AWL byte-code program into the AWL area behind the firmware, reads it back and starts "
         "it. With --watch the program is downloaded again whenever the file changes, until Ctrl+C.",
         {{{"watch"},
           "Download again whenever the file changes (once a second, as the window's file "
           "synchronization does), until Ctrl+C."}},
         1,
         1,
         {}},
        {"script",
         "LIST.csv",
         "run a send list",
         "Runs a send list (the script monitor's CSV file) once, row after row on the 100 ms tick with each "
         "row's delay; with --loop again and again as auto send does, until Ctrl+C or a CLW row stops it after "
         "a failure. The script monitor's log lines go to stdout.",
         {{{"loop"}, "Run the list again and again."},
          {{"log"}, "Write the measurement log file <file> as the script monitor does.", "file"},
          {{"info"}, "A line for every telegram (\"Telegramm Infos\")."}},
         1,
         1,
         {}},
        {"terminal",
         "",
         "a plain terminal on the line",
         "A plain terminal on the line: each line read from stdin goes to the board with a CR, and what the "
         "board sends is printed. Ends at Ctrl+C, or at the end of stdin once the board has been quiet for "
         "half a second.",
         {{{"time"}, "Send the PC's time and date first (\"time hh mm ss\", \"date dd mm yyyy w\")."}},
         0,
         0,
         {}},
        {"watch",
         "",
         "the debug window's poll as CSV rows",
         "Polls the digital I/O and the signals given, as the debug window does, and prints one CSV row per "
         "cycle: the time (ISO 8601 with milliseconds), the status (ok, busy, no answer, refused, invalid "
         "answer), the inputs, buttons and outputs in hex, then one column per signal; a value that did not "
         "come is an empty cell. Each answer may take the rest of its cycle, so a silent board gives rows "
         "\"no answer\" on time. Ends at the end of --duration, or at Ctrl+C (with 130, as every command).",
         {{{"bit"}, "A 1-bit signal, 0 to 255 (up to five times).", "n"},
          {{"word"}, "A 16-bit signal, 0 to 255 (up to five times).", "n"},
          {{"interval"}, "Milliseconds from one cycle to the next, 10 or more (default 100).", "ms"},
          {{"duration"}, "End after <s> seconds.", "s"},
          {{"csv"}, "Write the rows into <file> instead of stdout.", "file"}},
         0,
         0,
         {}},
    };
    return table;
}

const CommandEntry* findCommand(const QString& name)
{
    for (const CommandEntry& c : commandTable())
        if (c.name == name)
            return &c;
    return nullptr;
}

// Options laid out as the help shows them: the names and value on the left, the text wrapped
// beside them.
QString optionLines(const QList<OptionEntry>& options)
{
    QString out;
    constexpr int Left = 24, Width = 100;
    for (const OptionEntry& o : options) {
        QStringList names;
        for (const QString& n : o.names)
            names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QString head = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!o.valueName.isEmpty())
            head += QStringLiteral(" <") + o.valueName + QLatin1Char('>');
        QString line = head.leftJustified(Left - 1) + QLatin1Char(' ');
        if (head.size() >= Left - 1)
            line = head + QLatin1Char('\n') + QString(Left, QLatin1Char(' '));
        int column = Left;
        for (const QString& word : o.description.split(QLatin1Char(' '))) {
            if (column + word.size() > Width && column > Left) {
                line += QLatin1Char('\n') + QString(Left, QLatin1Char(' '));
                column = Left;
            } else if (column > Left) {
                line += QLatin1Char(' ');
                ++column;
            }
            line += word;
            column += int(word.size());
        }
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString wrapped(const QString& text, int width = 100)
{
    QString out;
    int column = 0;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        if (column + word.size() > width && column > 0) {
            out += QLatin1Char('\n');
            column = 0;
        } else if (column > 0) {
            out += QLatin1Char(' ');
            ++column;
        }
        out += word;
        column += int(word.size());
    }
    return out + QLatin1Char('\n');
}

CommandLine::Result usageError(const QString& text, const QString& command = {})
{
    CommandLine::Result r;
    r.code = ExitCode::UsageOrFile;
    const QString help = command.isEmpty() ? Program + QStringLiteral(" --help")
                                           : Program + QLatin1Char(' ') + command + QStringLiteral(" --help");
    r.err = Program + QStringLiteral(": ") + text + QStringLiteral("\nTry '") + help + QStringLiteral("'.\n");
    return r;
}

CommandLine::Result answer(const QString& text)
{
    CommandLine::Result r;
    r.out = text;
    return r;
}

void addOptions(QCommandLineParser& parser, const QList<OptionEntry>& options)
{
    for (const OptionEntry& o : options)
        parser.addOption(o.option());
}

// The common options as a parser found them; what a later parser found wins.
bool takeCommon(const QCommandLineParser& p, Invocation& inv, QString& error)
{
    if (p.isSet(QStringLiteral("port")))
        inv.port = p.value(QStringLiteral("port"));
    if (p.isSet(QStringLiteral("settings")))
        inv.settingsFile = p.value(QStringLiteral("settings"));
    if (p.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        const int baud = p.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || baud <= 0) {
            error = QStringLiteral("the baud rate must be a whole number of bit/s, not '%1'")
                        .arg(p.value(QStringLiteral("baud")));
            return false;
        }
        inv.baud = baud;
    }
    inv.quiet = inv.quiet || p.isSet(QStringLiteral("quiet"));
    inv.json = inv.json || p.isSet(QStringLiteral("json"));
    inv.echo = inv.echo || p.isSet(QStringLiteral("echo"));
    return true;
}

// What is wrong with the arguments behind a command word; empty when nothing is.
QString argumentsError(const CommandEntry& entry, const QStringList& args)
{
    const int n = int(args.size());
    if (n < entry.minArgs)
        return QStringLiteral("%1: an argument is missing").arg(entry.name);
    if (entry.maxArgs >= 0 && n > entry.maxArgs)
        return QStringLiteral("%1: too many arguments").arg(entry.name);
    if (entry.subcommands.isEmpty())
        return {};
    const QString sub = args.value(0);
    if (!entry.subcommands.contains(sub))
        return QStringLiteral("%1: '%2' is none of %3").arg(entry.name, sub, entry.subcommands.join(", "));
    // The arguments each of them takes: "read" of config and i2c none, "get" of sd one or two.
    const bool reads = sub == QLatin1String("read");
    int least = 1, most = 1;
    if (entry.name == QLatin1String("config") || entry.name == QLatin1String("i2c"))
        least = most = reads ? 0 : 1;
    else if (entry.name == QLatin1String("onewire"))
        least = reads ? 0 : 1;
    else if (sub == QLatin1String("get"))
        most = 2;
    if (n - 1 < least)
        return QStringLiteral("%1 %2: an argument is missing").arg(entry.name, sub);
    if (n - 1 > most)
        return QStringLiteral("%1 %2: too many arguments").arg(entry.name, sub);
    return {};
}

// The options of watch; what is wrong with them, or nothing.
QString takeWatch(const QCommandLineParser& p, Invocation& inv)
{
    const auto signalsOf = [&](const QString& name, QList<int>& into) -> QString {
        for (const QString& text : p.values(name)) {
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < 0 || n > 255)
                return QStringLiteral("watch: --%1 takes a signal number from 0 to 255, not '%2'").arg(name, text);
            into.append(n);
        }
        if (into.size() > 5)
            return QStringLiteral("watch: at most five --%1 signals, as in the debug window").arg(name);
        return {};
    };
    if (QString wrong = signalsOf(QStringLiteral("bit"), inv.bits); !wrong.isEmpty())
        return wrong;
    if (QString wrong = signalsOf(QStringLiteral("word"), inv.words); !wrong.isEmpty())
        return wrong;
    if (p.isSet(QStringLiteral("interval"))) {
        bool ok = false;
        inv.intervalMs = p.value(QStringLiteral("interval")).toInt(&ok);
        if (!ok || inv.intervalMs < 10)
            return QStringLiteral("watch: --interval takes 10 ms or more, not '%1'")
                .arg(p.value(QStringLiteral("interval")));
    }
    if (p.isSet(QStringLiteral("duration"))) {
        bool ok = false;
        const double s = p.value(QStringLiteral("duration")).toDouble(&ok);
        if (!ok || !(s > 0) || s > 2e6)
            return QStringLiteral("watch: --duration takes a number of seconds above 0, not '%1'")
                .arg(p.value(QStringLiteral("duration")));
        inv.durationMs = qint64(s * 1000);
    }
    inv.csvFile = p.value(QStringLiteral("csv"));
    return {};
}

} // namespace

QStringList CommandLine::commands()
{
    QStringList names;
    for (const CommandEntry& c : commandTable())
        names << c.name;
    return names;
}

bool CommandLine::takesJson(const Invocation& inv)
{
    static const QStringList always{QStringLiteral("info"), QStringLiteral("send"), QStringLiteral("reset-counters")};
    if (always.contains(inv.command))
        return true;
    return (inv.command == QLatin1String("config") || inv.command == QLatin1String("onewire")) &&
           inv.arg(0) == QLatin1String("read");
}

QString CommandLine::programHelp()
{
    QString help = QStringLiteral("Usage: velmar-cli [options] COMMAND [arguments]\n\n");
    help +=
        wrapped(QStringLiteral("The jobs of the Velmar operator tool from a shell, on the same code as its windows: "
                               "flash a board, download an AWL program, read and write its settings, copy files to "
                               "its SD card, run a send list, talk to it in a terminal."));
    help += QStringLiteral("\nCommands:\n");
    for (const CommandEntry& c : commandTable()) {
        const QString head =
            QStringLiteral("  ") + c.name + (c.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + c.synopsis);
        help += head.leftJustified(40) + QLatin1Char(' ') + c.summary + QLatin1Char('\n');
    }
    help += QStringLiteral("\nOptions (before or behind the command word):\n");
    help += optionLines(commonOptions());
    help += optionLines({{{"h", "help"}, "Show this help, or a command's help behind its word."},
                         {{"v", "version"}, "Show the version."}});
    help += QLatin1Char('\n') + ExitCodeHelp();
    help += QStringLiteral("\nA failure is named in one line on stderr, with the step that failed. Progress goes to "
                           "stderr,\nresults and the log lines of the windows to stdout (coloured on a terminal unless "
                           "NO_COLOR is set).\n");
    help += QStringLiteral("'velmar-cli help COMMAND' or 'velmar-cli COMMAND --help' tells more about a command.\n");
    return help;
}

QString CommandLine::commandHelp(const QString& command)
{
    const CommandEntry* c = findCommand(command);
    if (!c)
        return {};
    QString help = QStringLiteral("Usage: velmar-cli [options] ") + c->name +
                   (c->options.isEmpty() ? QString() : QStringLiteral(" [") + c->name + QStringLiteral(" options]")) +
                   (c->synopsis.isEmpty() ? QString() : QLatin1Char(' ') + c->synopsis) + QStringLiteral("\n\n");
    help += wrapped(c->description);
    if (!c->options.isEmpty())
        help += QStringLiteral("\nOptions of ") + c->name + QStringLiteral(":\n") + optionLines(c->options);
    help += QStringLiteral("\nCommon options:\n") + optionLines(commonOptions());
    help += QLatin1Char('\n') + ExitCodeHelp();
    return help;
}

CommandLine::Result CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser global;
    global.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(global, commonOptions());
    global.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    global.addOption({{QStringLiteral("v"), QStringLiteral("version")}, QString()});
    if (!global.parse(arguments))
        return usageError(global.errorText());
    if (global.isSet(QStringLiteral("version")))
        return answer(Program + QLatin1Char(' ') + QStringLiteral(VELMAR_VERSION_STRING) + QLatin1Char('\n'));

    const QStringList positional = global.positionalArguments();
    if (positional.isEmpty()) {
        if (global.isSet(QStringLiteral("help")))
            return answer(programHelp());
        return usageError(QStringLiteral("no command given"));
    }
    QString word = positional.first();
    if (word == QLatin1String("help")) {
        if (positional.size() < 2)
            return answer(programHelp());
        word = positional.at(1);
        if (!findCommand(word))
            return usageError(QStringLiteral("unknown command '%1'").arg(word));
        return answer(commandHelp(word));
    }
    const CommandEntry* entry = findCommand(word);
    if (!entry)
        return usageError(QStringLiteral("unknown command '%1'").arg(word));
    if (global.isSet(QStringLiteral("help")))
        return answer(commandHelp(word));

    Invocation inv;
    inv.command = word;
    QString error;
    if (!takeCommon(global, inv, error))
        return usageError(error);

    QCommandLineParser local;
    local.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(local, commonOptions());
    addOptions(local, entry->options);
    local.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (!local.parse(QStringList{arguments.value(0, Program)} + positional.mid(1)))
        return usageError(local.errorText(), word);
    if (local.isSet(QStringLiteral("help")))
        return answer(commandHelp(word));
    if (!takeCommon(local, inv, error))
        return usageError(error, word);

    inv.args = local.positionalArguments();
    if (const QString wrong = argumentsError(*entry, inv.args); !wrong.isEmpty())
        return usageError(wrong, word);

    // Only the command's own options may be asked for: the parser warns about any other.
    const auto has = [&](const char* name) {
        for (const OptionEntry& o : entry->options)
            if (o.names.contains(QLatin1String(name)))
                return local.isSet(QLatin1String(name));
        return false;
    };
    inv.raw = has("raw");
    inv.clear = has("clear");
    inv.watch = has("watch");
    inv.loop = has("loop");
    inv.telegramInfo = has("info");
    if (has("log"))
        inv.logFile = local.value(QStringLiteral("log"));
    inv.time = has("time");
    if (inv.command == QLatin1String("watch"))
        if (const QString wrong = takeWatch(local, inv); !wrong.isEmpty())
            return usageError(wrong, word);
    if (inv.json && !takesJson(inv))
        return usageError(QStringLiteral("--json is for info, send, config read, reset-counters and onewire read"),
                          word);

    Result r;
    r.invocation = inv;
    return r;
}
