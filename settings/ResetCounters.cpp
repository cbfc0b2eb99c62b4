#include "ResetCounters.h"

#include "CommandSet.h"
#include "EepromByte.h"
#include "HexText.h"
#include "Link.h"
#include "StepReporter.h"

#include <array>

QString ResetCounters::label(int index)
{
    static const std::array<QString, Count> labels{
        QStringLiteral("Reset Counter: "),  QStringLiteral("      external: "), QStringLiteral("     brown out: "),
        QStringLiteral("      watchdog: "), QStringLiteral("          itag: "),
    };
    return labels.at(std::size_t(index));
}

std::optional<std::vector<std::uint16_t>> ResetCounters::read(StepReporter& steps)
{
    EepromByte::select(steps, Address);
    const std::uint8_t code =
        steps.readStep(QStringLiteral("Daten aus dem EEPROM lesen: "), CommandSet::eepromRead(2 * Count));
    // An unexpected answer shows nothing here, unlike the other reads of the dialogs.
    if (code != CommandSet::EepromRead) {
        if (StepReporter::isUnexpected(code, CommandSet::EepromRead))
            steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(code));
        return std::nullopt;
    }
    steps.addLine(QStringLiteral("EEPR = "));
    const auto data = steps.link().AnswerData();
    std::vector<std::uint16_t> counters;
    // Only pairs that arrived whole; a trailing single byte and bytes past the ten are left out.
    for (std::size_t i = 1; i < data.size() && i < std::size_t(2 * Count); i += 2) {
        const std::uint8_t low = data[i - 1], high = data[i];
        steps.addLine(label(int(i / 2)) + ByteToHex(high) + ByteToHex(low));
        counters.push_back(std::uint16_t(low | (high << 8)));
    }
    return counters;
}

bool ResetCounters::clear(StepReporter& steps)
{
    if (!EepromByte::selectForWrite(steps, Address))
        return false;
    // The board moves its address on with every byte, so the two bytes land at 0x001E.
    const std::uint8_t eight =
        steps.writeStep(QStringLiteral("Clear Reset Counter: "), CommandSet::eepromWriteEightZeros());
    const std::uint8_t two = steps.writeOnly(CommandSet::eepromWriteTwoZeros());
    return eight == CommandSet::Ack && two == CommandSet::Ack;
}
