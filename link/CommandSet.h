#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// The board's telegram commands in one place: every request text the tool sends is built here.
// Fixed texts keep the exact spelling the board has always been sent (some end in "a5", some
// in "A5"); computed bytes are two upper-case hex digits.
class CommandSet {
public:
    enum Code : std::uint8_t {
        Reset = 0x10,
        Ack = 0x20,
        Refused = 0x21,
        FileRefused = 0x22,
        ReadAddressPointer = 0x31,
        SelectAddress = 0x32,
        EepromWrite = 0x33,
        EepromRead = 0x34,
        RamWrite = 0x35,
        RamRead = 0x36,
        RomRead = 0x37,
        FileBlockAddress = 0x40,
        Message = 0x50,
        DigitalIO = 0x52,
        BitVariable = 0x53,
        WordVariable = 0x54,
        ModuleReading = 0x60,
        CanRead = 0x61,
        CanWrite = 0x62,
        FileOpenWrite = 0x70,
        FileWrite = 0x71,
        FileOpenRead = 0x72,
        FileRead = 0x73,
        FileClose = 0x74,
    };

    enum class EndCase { Lower, Upper };
    // Computed bytes go out as upper-case digits, but for two that the board has always been
    // sent in lower case: the length of a table entry ("0c") and the line feed that ends the
    // last part of a file line ("0a").
    enum class Spelling { Upper, LowerLength, LowerLastByte };

    // ":aa" LL CC data end "\r", with LL = 1 + number of data bytes.
    static QString build(std::uint8_t code, std::span<const std::uint8_t> data = {}, EndCase end = EndCase::Lower,
                         Spelling spelling = Spelling::Upper);

    // Restarts the board; the downloads send resetIntoBootloader() instead.
    static QString reset() { return QStringLiteral(":aa0110a5\r"); }
    // A carriage return first, so that a half-typed line on the board is ended.
    static QByteArray resetIntoBootloader() { return QByteArrayLiteral("\r:aa0110a5\r"); }
    static QString ack() { return QStringLiteral(":aa0120a5\r"); }
    static QString readAddressPointer() { return QStringLiteral(":aa0131a5\r"); }
    // 16-bit address, low byte first: 0x0002 gives ":aa03320200a5\r".
    static QString selectAddress(std::uint16_t address);
    // One byte at the pointer: ":aa0233" b "a5\r".
    static QString eepromWriteByte(std::uint8_t value);
    // Up to 99 bytes at the pointer: ":aa" LL "33" bytes "A5\r".
    static QString eepromWrite(std::span<const std::uint8_t> bytes);
    // The reset counters are cleared with eight zero bytes, then two more.
    static QString eepromWriteEightZeros() { return QStringLiteral(":aa09330000000000000000a5\r"); }
    static QString eepromWriteTwoZeros() { return QStringLiteral(":aa03330000a5\r"); }
    static QString eepromWriteElevenZeros() { return QStringLiteral(":aa0c330000000000000000000000a5\r"); }
    // Eleven bytes of a table entry: ":aa0c33" bytes "a5\r".
    static QString eepromWriteEntry(std::span<const std::uint8_t, 11> bytes);
    // The same from the 22 hex digits of the entry as the user typed them (their case kept).
    static QString eepromWriteEntryText(const QString& digits);
    // ":aa0234" count "a5\r"; one byte is ":aa023401a5\r", ten are ":aa02340Aa5\r".
    static QString eepromRead(std::uint8_t count);
    static QString ramWrite(std::span<const std::uint8_t> bytes);
    static QString ramRead(std::uint8_t count);
    // The table read of the LCD module has always been sent with a lower-case digit.
    static QString ramReadEleven() { return QStringLiteral(":aa02360ba5\r"); }
    static QString romRead(std::uint8_t count);
    static QString fileBlockAddress(std::uint8_t block);
    static QString messageRead() { return QStringLiteral(":aa0150a5\r"); }
    static QString messageWrite(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
    static QString digitalIO() { return QStringLiteral(":aa0152a5\r"); }
    // 1-bit signal n: the byte index n / 8 as 16 bits, low byte first.
    static QString bitVariable(std::uint8_t signal);
    // 16-bit signal n: n as 16 bits, low byte first.
    static QString wordVariable(std::uint8_t signal);
    static QString moduleReading(std::uint8_t module);
    static QString canRead(std::uint8_t module);
    static QString canWrite(std::uint8_t module, std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);
    // A file on the SD card by name, up to 254 bytes (the length byte counts the command too).
    static QString fileOpenWrite(const QByteArray& name);
    static QString fileOpenRead(const QByteArray& name);
    // Up to 30 characters of text; `lineEnd` adds the line feed behind the last part of a line.
    static QString fileWrite(const QByteArray& text, bool lineEnd);
    static QString fileRead() { return QStringLiteral(":aa0173a5\r"); }
    static QString fileClose() { return QStringLiteral(":aa0174a5\r"); }
};
