#include "EepromByte.h"

#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "StepReporter.h"

std::optional<std::uint8_t> EepromByte::read(StepReporter& steps, std::uint16_t address)
{
    select(steps, address);
    const std::uint8_t code = steps.readStep(QStringLiteral("Daten aus dem EEPROM lesen: "), CommandSet::eepromRead(1));
    const auto data = steps.link().AnswerData();
    if (code == CommandSet::EepromRead && !data.empty()) {
        steps.addLine(QStringLiteral("EEPR = "));
        steps.append(ByteToHex(data[0]) + QLatin1Char(' '));
        return data[0];
    }
    // A data answer without its byte is invalid like any unexpected code, and changes nothing.
    if (code == CommandSet::EepromRead || StepReporter::isUnexpected(code, CommandSet::EepromRead)) {
        steps.addLine(StepReporter::invalidAnswerLine(code));
        steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(code));
    }
    return std::nullopt;
}

namespace {

QString selectLine(std::uint16_t address)
{
    return QStringLiteral("Adresse senden: 0x") +
           QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

} // namespace

void EepromByte::select(StepReporter& steps, std::uint16_t address)
{
    steps.writeStep(selectLine(address), CommandSet::selectAddress(address));
}

bool EepromByte::selectForWrite(StepReporter& steps, std::uint16_t address, const QString& line)
{
    const std::uint8_t code = steps.writeStep(line, CommandSet::selectAddress(address));
    if (code == CommandSet::Ack)
        return true;
    // A timeout and a refusal are on the step's line already; any other answer is not.
    if (code != 0 && code != CommandSet::Refused)
        steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(code));
    steps.addLine(SkippedLine);
    return false;
}

bool EepromByte::selectForWrite(StepReporter& steps, std::uint16_t address)
{
    return selectForWrite(steps, address, selectLine(address));
}

bool EepromByte::writeSelected(StepReporter& steps, std::uint8_t b)
{
    return steps.writeStep(ByteToHexDigits(b) + QStringLiteral(" in das EEPROM schreiben: "),
                           CommandSet::eepromWriteByte(b)) == CommandSet::Ack;
}
