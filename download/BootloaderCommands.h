#pragma once

#include <QByteArray>

// The bootloader's one-letter commands, as the board takes them after its sign-on.
namespace BootloaderCommands {

// ESC and 0xAA: the bootloader's call while it listens after a reset.
constexpr char SyncPair[] = {0x1B, char(0xAA)};
constexpr char SelectAddress = 'A'; // + four address bytes, answered by a CR
constexpr char WriteBlock = 'B';    // + size high, size low, 'F' and the block, answered by a CR
constexpr char ReadBlock = 'g';     // + size high, size low, 'F', answered by the block
constexpr char BlockEnd = 'F';

// Answered by a number and a CR.
inline QByteArray areaEnd() { return QByteArrayLiteral("X"); }
inline QByteArray blockSize() { return QByteArrayLiteral("b"); }
// Leaves the bootloader; the firmware starts and sends its first line.
inline QByteArray leave() { return QByteArrayLiteral("E"); }

} // namespace BootloaderCommands
