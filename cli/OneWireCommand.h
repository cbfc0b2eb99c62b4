#pragma once

#include "Command.h"
#include "OneWireTable.h"

#include <QByteArray>
#include <QString>
#include <array>

// "onewire read [FILE]" and "onewire write FILE": the LCD module's 1-Wire table as text, the
// number of devices in hex on the first line, then one entry of 22 hex digits a line.
class OneWireCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;
    [[nodiscard]] QStringList files() const override;

    struct Table {
        QString count;
        std::array<QString, OneWireTable::Entries> entries;
    };
    // The file of a table as read: a comment line, the count, the eight entries (an entry that
    // did not come is an empty line).
    [[nodiscard]] static QByteArray format(const OneWireTable::Texts& texts);
    // Reads a table file: lines starting with # are comments, an empty line is an empty entry.
    // False, with `error` naming the line, for a count that is no hex number, an entry that is
    // not 22 hex digits, or more than eight entries.
    [[nodiscard]] static bool parse(const QByteArray& text, Table& table, QString& error);

private:
    Outcome read();
    Outcome write();
};
