#include "CommandLine.h"

#include "CommandTable.h"
#include "VelmarVersion.h"

#include <QCommandLineParser>

namespace {

const QString Program = QStringLiteral("velmar-cli");

using Option = CommandTable::Option;
using Row = CommandTable::Row;

// Options laid out as the help shows them: the names and value on the left, the text wrapped
// beside them.
QString optionLines(const QList<Option>& options)
{
    QString out;
    constexpr int Left = 24, Width = 100;
    for (const Option& o : options) {
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

void addOptions(QCommandLineParser& parser, const QList<Option>& options)
{
    for (const Option& o : options)
        parser.addOption(o.option());
}

// The common options as a parser found them; what a later parser found wins.
bool takeCommon(const QCommandLineParser& p, Invocation& inv, QString& error)
{
    if (p.isSet(QStringLiteral("port")))
        inv.port = p.value(QStringLiteral("port"));
    if (p.isSet(QStringLiteral("settings")))
        inv.settingsFile = p.value(QStringLiteral("settings"));
    if (p.isSet(QStringLiteral("record")))
        inv.recordFile = p.value(QStringLiteral("record"));
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
QString argumentsError(const Row& row, const QStringList& args)
{
    const int n = int(args.size());
    const CommandTable::Count all = row.allArgs();
    if (n < all.least)
        return QStringLiteral("%1: an argument is missing").arg(row.word);
    if (all.most >= 0 && n > all.most)
        return QStringLiteral("%1: too many arguments").arg(row.word);
    if (row.subWords.isEmpty())
        return {};
    const QString word = args.value(0);
    const CommandTable::SubWord* sub = row.subWord(word);
    if (!sub) {
        QStringList words;
        for (const CommandTable::SubWord& s : row.subWords)
            words << s.word;
        return QStringLiteral("%1: '%2' is none of %3").arg(row.word, word, words.join(", "));
    }
    if (n - 1 < sub->args.least)
        return QStringLiteral("%1 %2: an argument is missing").arg(row.word, word);
    if (sub->args.most >= 0 && n - 1 > sub->args.most)
        return QStringLiteral("%1 %2: too many arguments").arg(row.word, word);
    return {};
}

// The command line behind the command word of `row`, the common options found before it
// already in `inv`.
CommandLine::Result parseCommand(const Row& row, const QString& program, const QStringList& words, Invocation inv)
{
    QCommandLineParser local;
    local.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    addOptions(local, CommandTable::commonOptions());
    addOptions(local, row.options);
    local.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
    if (!local.parse(QStringList{program} + words))
        return usageError(local.errorText(), row.word);
    if (local.isSet(QStringLiteral("help")))
        return answer(CommandLine::commandHelp(row.word));
    QString error;
    if (!takeCommon(local, inv, error))
        return usageError(error, row.word);

    inv.args = local.positionalArguments();
    if (const QString wrong = argumentsError(row, inv.args); !wrong.isEmpty())
        return usageError(wrong, row.word);
    // Only the command's own options were taken: the parser refused any other.
    for (const Option& o : row.options)
        if (local.isSet(o.key()))
            inv.options.insert(o.key(), o.valueName.isEmpty() ? QStringList{QString()} : local.values(o.key()));
    if (row.takeOptions)
        if (const QString wrong = row.takeOptions(inv); !wrong.isEmpty())
            return usageError(wrong, row.word);
    if (inv.json && !CommandLine::takesJson(inv))
        return usageError(
            QStringLiteral("--json is for info, send, config read, reset-counters, onewire read, flash, read-flash and "
                           "verify"),
            row.word);

    CommandLine::Result r;
    r.invocation = inv;
    return r;
}

} // namespace

QStringList CommandLine::commands()
{
    QStringList names;
    for (const Row& row : CommandTable::rows())
        names << row.word;
    return names;
}

bool CommandLine::takesJson(const Invocation& inv)
{
    const Row* row = CommandTable::find(inv.command);
    return row && row->takesJson(inv.args);
}

QString CommandLine::programHelp()
{
    QString help = QStringLiteral("Usage: velmar-cli [options] COMMAND [arguments]\n\n");
    help +=
        wrapped(QStringLiteral("The jobs of the Velmar operator tool from a shell, on the same code as its windows: "
                               "flash a board, download an AWL program, read and write its settings, copy files to "
                               "its SD card, run a send list, talk to it in a terminal."));
    help += QStringLiteral("\nCommands:\n");
    for (const Row& c : CommandTable::rows()) {
        const QString head =
            QStringLiteral("  ") + c.word + (c.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + c.synopsis);
        help += head.leftJustified(40) + QLatin1Char(' ') + c.summary + QLatin1Char('\n');
    }
    help += QStringLiteral("\nOptions (before or behind the command word):\n");
    help += optionLines(CommandTable::commonOptions());
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
    const Row* c = CommandTable::find(command);
    if (!c)
        return {};
    QString help = QStringLiteral("Usage: velmar-cli [options] ") + c->word +
                   (c->options.isEmpty() ? QString() : QStringLiteral(" [") + c->word + QStringLiteral(" options]")) +
                   (c->synopsis.isEmpty() ? QString() : QLatin1Char(' ') + c->synopsis) + QStringLiteral("\n\n");
    help += wrapped(c->description);
    if (!c->options.isEmpty())
        help += QStringLiteral("\nOptions of ") + c->word + QStringLiteral(":\n") + optionLines(c->options);
    help += QStringLiteral("\nCommon options:\n") + optionLines(CommandTable::commonOptions());
    help += QLatin1Char('\n') + ExitCodeHelp();
    return help;
}

CommandLine::Result CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser global;
    global.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(global, CommandTable::commonOptions());
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
    const bool helpWord = word == QLatin1String("help");
    if (helpWord) {
        if (positional.size() < 2)
            return answer(programHelp());
        word = positional.at(1);
    }
    const Row* row = CommandTable::find(word);
    if (!row)
        return usageError(QStringLiteral("unknown command '%1'").arg(word));
    if (helpWord || global.isSet(QStringLiteral("help")))
        return answer(commandHelp(word));

    Invocation inv;
    inv.command = word;
    QString error;
    if (!takeCommon(global, inv, error))
        return usageError(error);
    return parseCommand(*row, arguments.value(0, Program), positional.mid(1), inv);
}
