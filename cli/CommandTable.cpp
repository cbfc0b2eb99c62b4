#include "CommandTable.h"

#include "AwlCommand.h"
#include "ConfigCommand.h"
#include "FlashCommand.h"
#include "I2cCommand.h"
#include "InfoCommand.h"
#include "OneWireCommand.h"
#include "PortsCommand.h"
#include "ReadFlashCommand.h"
#include "ResetCountersCommand.h"
#include "ScriptCommand.h"
#include "SdCommand.h"
#include "SendCommand.h"
#include "TerminalCommand.h"
#include "VerifyCommand.h"
#include "WatchCommand.h"

#include <algorithm>

namespace {

template <class C>
std::unique_ptr<Command> make(Session& session)
{
    return std::make_unique<C>(session);
}

const QList<CommandTable::Row> Rows{
    {.word = "ports",
     .summary = "the serial devices with their /dev/serial/by-id names",
     .description = "Lists the serial devices of this system, one a line, each followed by its /dev/serial/by-id "
                    "names, and SIM last.",
     .make = make<PortsCommand>},
    {.word = "send",
     .synopsis = "TEXT...",
     .summary = "one telegram: prints the answer code and the data bytes",
     .description = "Sends one telegram and prints the answer code and the data bytes. TEXT is the telegram's bytes "
                    "in hex, the command first (\"32 02 00\" selects EEPROM address 0x0002), or the whole telegram "
                    "text (\":aa03320200a5\").",
     .options = {{{"raw"}, "Print the answer line as it came instead."}},
     .args = {1, -1},
     .json = true,
     .make = make<SendCommand>},
    {.word = "info",
     .summary = "board kind, configuration byte with its settings, reset counters",
     .description = "Asks the board for its kind and prints it with its name, the configuration byte with each of its "
                    "settings named for that kind (the I2C address for an I/O module), and the five reset counters.",
     .json = true,
     .make = make<InfoCommand>},
    {.word = "config",
     .synopsis = "read | write BYTE",
     .summary = "read or write the configuration byte",
     .description = "Reads the configuration byte (EEPROM 0x0002) with its settings named for the board's kind, or "
                    "writes BYTE (0x13, $13 or 19). A byte the board's settings dialog could not write (bits the kind "
                    "does not use, more than one LCD connection) is refused.",
     .subWords = {{"read", {0, 0}, true}, {"write", {1, 1}, false}},
     .make = make<ConfigCommand>},
    {.word = "reset-counters",
     .summary = "the five reset counters",
     .description = "Reads the five reset counters (EEPROM 0x0016 to 0x001F); --clear zeroes them first.",
     .options = {{{"clear"}, "Zero the counters, then read them."}},
     .json = true,
     .make = make<ResetCountersCommand>},
    {.word = "i2c",
     .synopsis = "read | write ADDR",
     .summary = "the I2C address of the I/O module",
     .description = "Reads or writes the I2C address of the I/O module (EEPROM 0x0003), in hex as the settings dialog "
                    "shows it (\"40\"; \"$40\" and \"0x40\" are taken too).",
     .subWords = {{"read", {0, 0}, false}, {"write", {1, 1}, false}},
     .make = make<I2cCommand>},
    {.word = "onewire",
     .synopsis = "read [FILE] | write FILE",
     .summary = "the 1-Wire table of the LCD module",
     .description = "Reads the LCD module's 1-Wire table into FILE (onto stdout without one), or writes it from FILE. "
                    "The file holds the number of devices in hex on its first line, then one entry of 22 hex digits "
                    "a line, eight entries; an empty line is an empty entry (written as zeros). Lines that start "
                    "with # are comments.",
     .subWords = {{"read", {0, 1}, true}, {"write", {1, 1}, false}},
     .make = make<OneWireCommand>},
    {.word = "sd",
     .synopsis = "put PCFILE | get NAME [PCFILE]",
     .summary = "copy a text file to or from the CPU board's SD card",
     .description = "put copies the text file PCFILE onto the CPU board's SD card, under its file name; get copies the "
                    "card's file NAME onto the PC, into PCFILE or into NAME in the current folder. Ctrl+C stops a "
                    "copy and still closes the card's file; a stopped get leaves the PC file as it was.",
     .subWords = {{"put", {1, 1}, false}, {"get", {1, 2}, false}},
     .make = make<SdCommand>},
    {.word = "flash",
     .synopsis = "FILE.hex",
     .summary = "firmware download with verify",
     .description = "Writes an Intel HEX firmware into the board through its bootloader, reads it back and compares "
                    "it, then starts the new firmware. Ctrl+C stops after the current step and, once the "
                    "bootloader has signed on, tells the board to leave it.",
     .args = {1, 1},
     .json = true,
     .make = make<FlashCommand>},
    {.word = "read-flash",
     .synopsis = "FILE.hex",
     .summary = "the board's firmware into an Intel HEX file",
     .description = "Reads the board's firmware area through its bootloader, from address 0 up to the end the "
                    "bootloader reports, block by block, into FILE.hex as Intel HEX (16-byte records, segment "
                    "records above 64 KiB), then starts the firmware again. Lines of erased flash (all 0xFF) are "
                    "left out unless --all. The file is written once the read is complete: a read that breaks off "
                    "leaves no file, and an existing one as it was.",
     .options = {{{"all"}, "Write the lines of erased flash (all 0xFF) too."}},
     .args = {1, 1},
     .json = true,
     .make = make<ReadFlashCommand>},
    {.word = "verify",
     .synopsis = "FILE.hex",
     .summary = "compare the board's firmware with a file, writing nothing",
     .description = "Compares the board's firmware with an Intel HEX file: the firmware download's steps without a "
                    "block write, then the firmware is started again. Exits with 0 when every byte of the file's "
                    "image matches, with 1 when not, naming the first difference and how many bytes differ.",
     .args = {1, 1},
     .json = true,
     .make = make<VerifyCommand>},
    {.word = "awl",
     .synopsis = "FILE.vlb",
     .summary = "AWL byte-code download",
     .description = "Writes an AWL byte-code program into the AWL area behind the firmware, reads it back and starts "
                    "it. With --watch the program is downloaded again whenever the file changes, until Ctrl+C. With "
                    "--verify the AWL area is only compared with the file; the board then leaves its bootloader, "
                    "which starts its firmware as at power-up.",
     .options = {{{"watch"},
                  "Download again whenever the file changes (once a second, as the window's file synchronization "
                  "does), until Ctrl+C."},
                 {{"verify"}, "Compare the AWL area with the file, writing nothing (exit 1 when a byte differs)."}},
     .args = {1, 1},
     .make = make<AwlCommand>,
     .takeOptions = AwlCommand::takeOptions},
    {.word = "script",
     .synopsis = "LIST.csv",
     .summary = "run a send list",
     .description = "Runs a send list (the script monitor's CSV file) once, row after row on the 100 ms tick with each "
                    "row's delay; with --loop again and again as auto send does, until Ctrl+C or a CLW row stops it "
                    "after a failure. The script monitor's log lines go to stdout.",
     .options = {{{"loop"}, "Run the list again and again."},
                 {{"log"}, "Write the measurement log file <file> as the script monitor does.", "file"},
                 {{"info"}, "A line for every telegram (\"Telegramm Infos\")."}},
     .args = {1, 1},
     .make = make<ScriptCommand>},
    {.word = "terminal",
     .summary = "a plain terminal on the line",
     .description = "A plain terminal on the line: each line read from stdin goes to the board with a CR, and what the "
                    "board sends is printed. Ends at Ctrl+C, or at the end of stdin once the board has been quiet "
                    "for half a second.",
     .options = {{{"time"}, "Send the PC's time and date first (\"time hh mm ss\", \"date dd mm yyyy w\")."}},
     .make = make<TerminalCommand>},
    {.word = "watch",
     .summary = "the debug window's poll as CSV rows",
     .description = "Polls the digital I/O and the signals given, as the debug window does, and prints one CSV row "
                    "per cycle: the time (ISO 8601 with milliseconds), the status (ok, busy, no answer, refused, "
                    "invalid answer), the inputs, buttons and outputs in hex, then one column per signal; a value "
                    "that did not come is an empty cell. Each answer may take the rest of its cycle, so a silent "
                    "board gives rows \"no answer\" on time. Ends at the end of --duration, or at Ctrl+C (with 130, "
                    "as every command). Without --csv, the echo of --echo goes to stderr.",
     .options = {{{"bit"}, "A 1-bit signal, 0 to 255 (up to five times).", "n"},
                 {{"word"}, "A 16-bit signal, 0 to 255 (up to five times).", "n"},
                 {{"interval"}, "Milliseconds from one cycle to the next, 10 to 2147483647 (default 100).", "ms"},
                 {{"duration"},
                  "End after <s> seconds (up to 2147483.647), at the earliest after the first cycle.",
                  "s"},
                 {{"csv"}, "Write the rows into <file> instead of stdout.", "file"}},
     .make = make<WatchCommand>,
     .takeOptions = WatchCommand::takeOptions},
};

const QList<CommandTable::Option> CommonOptions{
    {{"p", "port"},
     "The port: a device path, COMn (/dev/ttyS(n-1)), a name in /dev, a /dev/serial/by-id name, SIM "
     "(a simulated board inside the program), or a serial port on another machine: rfc2217://HOST:PORT "
     "(ser2net's telnet(rfc2217) accepter, a device server; the line settings reach it) or socket://HOST:PORT "
     "(raw TCP; the line is set there), an IPv6 address in brackets. Default: the port the window stored in "
     "Settings.ini, else SIM.",
     "name"},
    {{"b", "baud"}, "The line's speed in bit/s (default 57600).", "n"},
    {{"q", "quiet"}, "Print nothing but errors (and the object of --json)."},
    {{"json"},
     "Print the result as one JSON object (info, send, config read, reset-counters, onewire read, flash, read-flash, "
     "verify)."},
    {{"echo"}, "Echo every telegram and its answer, as \"Debug Telegramm\" does in the windows."},
    {{"settings"},
     "Read the stored port from <file> instead of the window's Settings.ini; a file that is not there is an error.",
     "file"},
    {{"record"},
     "Write every byte on the line, both ways, with its time to <file>, one chunk a line (a line recording; "
     "velmar-sim --replay plays the board's side back). The file is made once the port is open; it may be none "
     "of the command's own files.",
     "file"},
};

} // namespace

QCommandLineOption CommandTable::Option::option() const
{
    return valueName.isEmpty() ? QCommandLineOption(names, description)
                               : QCommandLineOption(names, description, valueName);
}

const CommandTable::SubWord* CommandTable::Row::subWord(const QString& w) const
{
    const auto it = std::find_if(subWords.begin(), subWords.end(), [&](const SubWord& s) { return s.word == w; });
    return it == subWords.end() ? nullptr : &*it;
}

CommandTable::Count CommandTable::Row::allArgs() const
{
    if (subWords.isEmpty())
        return args;
    Count all{1 + subWords.first().args.least, 1 + subWords.first().args.most};
    for (const SubWord& s : subWords) {
        all.least = std::min(all.least, 1 + s.args.least);
        all.most = std::max(all.most, 1 + s.args.most);
    }
    return all;
}

bool CommandTable::Row::takesJson(const QStringList& arguments) const
{
    if (subWords.isEmpty())
        return json;
    const SubWord* sub = subWord(arguments.value(0));
    return sub && sub->json;
}

const QList<CommandTable::Row>& CommandTable::rows() { return Rows; }

const CommandTable::Row* CommandTable::find(const QString& w)
{
    const auto it = std::find_if(Rows.begin(), Rows.end(), [&](const Row& r) { return r.word == w; });
    return it == Rows.end() ? nullptr : &*it;
}

const QList<CommandTable::Option>& CommandTable::commonOptions() { return CommonOptions; }
