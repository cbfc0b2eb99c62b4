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
    if (auto failed = openPort())
        return *failed;
    console().log().setColor(LogColors::Yellow);
    StepReporter steps(link(), m_session.log());
    Outcome outcome;
    const auto kind = BoardKind::ask(m_session, job(), outcome);
    if (!kind)
        return outcome;
    if (*kind != BoardKind::IoModule)
        return BoardKind::notA(job(), *kind, BoardKind::IoModule);
    if (auto interrupted = stopped())
        return *interrupted;
    if (write) {
        IoModuleAddress::write(steps, inv().arg(1));
        return outcome.ok() ? outcomeOf(steps) : outcome;
    }
    const auto address = IoModuleAddress::read(steps);
    if (address)
        console().result(QStringLiteral("I2C address ") + ByteToHexDigits(*address));
    return outcome.ok() ? outcomeOf(steps) : outcome;
}
