#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class StepReporter;

// The 1-Wire table of the LCD module: the number of devices and eight entries of eleven
// bytes, each shown as 22 hex digits. The write stores it in the EEPROM from 0x0100; the read
// fetches it through the board's file block 0. The count is not tied to the entries: all
// eight are always read and written.
class OneWireTable {
public:
    static constexpr int Entries = 8;
    static constexpr int EntryBytes = 11;
    static constexpr std::uint16_t Address = 0x0100;

    // What a read brought: a text only where its telegram was answered with data.
    struct Texts {
        std::optional<QString> count;
        std::array<std::optional<QString>, Entries> entries;
    };

    // Ten telegrams whatever each answered: the block lookup, the count, the eight entries.
    static Texts read(StepReporter& steps);
    // Selects 0x0100, writes the count (hex, "$" or "0x" accepted, low 8 bits) and the eight
    // entries. An entry that is not exactly 22 hex digits is reported with its length and
    // written as eleven zero bytes. A count that is not hex throws EConvertError after the
    // count's first line, before the count or any entry is written. A select that is not
    // acknowledged writes nothing at all (EepromByte::selectForWrite).
    static void write(StepReporter& steps, const QString& count, const std::array<QString, Entries>& entries);

private:
    static void writeEntry(StepReporter& steps, int n, const QString& text);
};
