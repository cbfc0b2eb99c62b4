#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class Command;
struct Invocation;
class Session;

// The commands of velmar-cli, one row each: the help, the parser and the dispatch read them
// from here, and a test holds the man page to them. A new command is its class and one row.
class CommandTable {
public:
    // An option: its names ("p", "port"), its help text and, for one that takes a value, the
    // value's name.
    struct Option {
        Option(QStringList n, QString d, QString v = {})
            : names(std::move(n)),
              description(std::move(d)),
              valueName(std::move(v))
        {}
        QStringList names;
        QString description;
        QString valueName; // empty for a flag

        // The name the invocation keeps it under: the long one.
        [[nodiscard]] QString key() const { return names.last(); }
        [[nodiscard]] QCommandLineOption option() const;
    };

    // How many arguments a command or a sub-word takes; `most` -1 for any number.
    struct Count {
        int least = 0;
        int most = 0;
    };

    // A word the first argument may be ("read" of config), with the arguments behind it.
    struct SubWord {
        QString word;
        Count args;
        bool json = false; // --json prints its result
    };

    using Factory = std::unique_ptr<Command> (*)(Session&);

    // Every member has its default, so that a row names only what its command has.
    struct Row {
        QString word{};
        QString synopsis{}; // the arguments as the help shows them
        QString summary{};  // one line for the list of commands
        QString description{};
        QList<Option> options{};
        Count args{};              // the arguments of a command without sub-words
        bool json = false;         // --json prints its result (a command without sub-words)
        QList<SubWord> subWords{}; // the words the first argument may be, when any
        Factory make = nullptr;
        // Reads the command's options further, for a command that checks them: what is wrong
        // with them, or nothing.
        QString (*takeOptions)(Invocation& inv) = nullptr;

        // The sub-word `word`; null for none of them.
        [[nodiscard]] const SubWord* subWord(const QString& word) const;
        // How many arguments there may be in all, the sub-word counted.
        [[nodiscard]] Count allArgs() const;
        // Whether --json goes with the arguments `args`.
        [[nodiscard]] bool takesJson(const QStringList& args) const;
    };

    [[nodiscard]] static const QList<Row>& rows();
    // The row of a command word; null for a word that is no command.
    [[nodiscard]] static const Row* find(const QString& word);
    // The options every command takes, before or behind its word.
    [[nodiscard]] static const QList<Option>& commonOptions();
};
