#include "IoModuleAddress.h"

#include "EepromByte.h"
#include "HexInput.h"

std::optional<std::uint8_t> IoModuleAddress::read(StepReporter& steps) { return EepromByte::read(steps, Address); }

bool IoModuleAddress::write(StepReporter& steps, const QString& text)
{
    if (!EepromByte::selectForWrite(steps, Address))
        return false;
    return EepromByte::writeSelected(steps, HexInput::lowByte(text));
}
