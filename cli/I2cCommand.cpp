#include "I2cCommand.h"

#include "BoardKind.h"
#include "Console.h"
#include "EConvertError.h"
#include "HexInput.h"
#include "HexText.h"
#include "Invocation.h"
#include "IoModuleAddress.h"
#include "Session.h"
#include "StepReporter.h"

Outcome I2cCommand::run()
{
    const bool write = inv().arg(0) == QLatin1String("write");
    if (write) {
        // Checked before the board is asked: a text that is no hex number writes nothing.
        try {
            (void)HexInput::lowByte(inv().arg(1));
        } catch (const EConvertError& e) {
            return usage(e.message());
        }
    }
    Outcome outcome;
    if (!openBoard(outcome, BoardKind::IoModule))
        return outcome;
    StepReporter steps(link(), m_session.log());
    if (write) {
        IoModuleAddress::write(steps, inv().arg(1));
        return outcome.ok() ? outcomeOf(steps) : outcome;
    }
    const auto address = IoModuleAddress::read(steps);
    if (address)
        console().result(QStringLiteral("I2C address ") + ByteToHexDigits(*address));
    return outcome.ok() ? outcomeOf(steps) : outcome;
}
