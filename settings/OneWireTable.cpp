#include "OneWireTable.h"

#include "CommandSet.h"
#include "EepromByte.h"
#include "HexInput.h"
#include "HexText.h"
#include "Link.h"
#include "StepReporter.h"

namespace {

QString entryReadLine(int n)
{
    return QStringLiteral("Daten ow") + QString::number(n) + QStringLiteral(" aus dem File Block lesen: ");
}

} // namespace

OneWireTable::Texts OneWireTable::read(StepReporter& steps)
{
    Texts texts;
    // The block's address in the data answer is not needed: the board reads from its start.
    steps.writeStep(QStringLiteral("Adresse OW File Block lesen:"), CommandSet::fileBlockAddress(0));

    std::uint8_t code = steps.readStep(entryReadLine(0), CommandSet::ramRead(1));
    const auto count = steps.link().AnswerData();
    if (code == CommandSet::RamRead && !count.empty()) {
        steps.addLine(QStringLiteral("ow anz = "));
        steps.append(ByteToHex(count[0]) + QLatin1Char(' '));
        texts.count = ByteToHexDigits(count[0]);
    } else if (code == CommandSet::RamRead || StepReporter::isUnexpected(code, CommandSet::RamRead)) {
        // A count answer without its byte is invalid like any unexpected code.
        steps.addLine(StepReporter::invalidAnswerLine(code));
        steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(code));
    }

    for (int n = 0; n < Entries; ++n) {
        code = steps.readStep(entryReadLine(n), CommandSet::ramReadEleven());
        if (code == CommandSet::RamRead) {
            steps.addLine(QStringLiteral("RAMR = "));
            QString entry;
            // As many bytes as the answer carries, no more and no fewer.
            for (std::uint8_t b : steps.link().AnswerData()) {
                steps.append(ByteToHex(b) + QLatin1Char(' '));
                entry += ByteToHexDigits(b);
            }
            texts.entries[std::size_t(n)] = entry;
        } else if (StepReporter::isUnexpected(code, CommandSet::RamRead)) {
            steps.addLine(StepReporter::invalidAnswerLine(code));
            steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(code));
        }
    }
    return texts;
}

void OneWireTable::write(StepReporter& steps, const QString& count, const std::array<QString, Entries>& entries)
{
    if (!EepromByte::selectForWrite(steps, Address, QStringLiteral("Adresse 0x0100 schreiben: ")))
        return;
    steps.beginStep(QStringLiteral("Anzahl der ow Bausteine in das EEPROM schreiben: "));
    const std::uint8_t m = HexInput::lowByte(count);
    steps.writeStep(ByteToHexDigits(m) + QStringLiteral(" in das EEPROM schreiben: "), CommandSet::eepromWriteByte(m));
    // The board moves its address on with every byte: entry n lands at 0x0101 + 11 n.
    for (int n = 0; n < Entries; ++n)
        writeEntry(steps, n, entries[std::size_t(n)]);
}

void OneWireTable::writeEntry(StepReporter& steps, int n, const QString& text)
{
    steps.beginStep(QStringLiteral("Daten ow") + QString::number(n) + QStringLiteral(" in das EEPROM schreiben: "));
    QString telegram;
    if (text.size() == 2 * EntryBytes && HexInput::allHexDigits(text)) {
        telegram = CommandSet::eepromWriteEntryText(text);
    } else {
        // Also for 22 characters that are not all hex digits: those must not reach a telegram.
        steps.addLine(QStringLiteral("Fehler in der Länge ") + ByteToHexDigits(std::uint8_t(text.size() & 0xFF)));
        telegram = CommandSet::eepromWriteElevenZeros();
    }
    // A refused entry answers 0x22; 0x21 shows nothing here.
    switch (steps.exchange(telegram)) {
    case 0: steps.appendTimeout(); break;
    case CommandSet::Ack: steps.append(QStringLiteral("  pass")); break;
    case CommandSet::FileRefused: steps.appendFail(); break;
    default: break;
    }
}
