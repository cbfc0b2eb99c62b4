#include "StepReporter.h"

#include "CommandSet.h"
#include "HexText.h"
#include "LogSink.h"

void StepReporter::addLine(const QString& text) { m_log.addLine(text); }

void StepReporter::append(const QString& text) { m_log.append(text); }

std::uint8_t StepReporter::writeStep(const QString& line, const QString& telegram)
{
    startStep(line);
    return writeOnly(telegram);
}

std::uint8_t StepReporter::writeOnly(const QString& telegram)
{
    const std::uint8_t code = send(telegram);
    appendWriteOutcome(code);
    return code;
}

std::uint8_t StepReporter::readStep(const QString& line, const QString& telegram)
{
    startStep(line);
    const std::uint8_t code = send(telegram);
    appendReadFailure(code);
    return code;
}

void StepReporter::startStep(const QString& line)
{
    m_stepLine = line;
    m_log.addLine(line);
}

std::uint8_t StepReporter::send(const QString& telegram)
{
    m_interrupted = false;
    const std::uint8_t code = m_link.SendTelegram(telegram);
    // A refusal notice came in below the step's line while it waited: the outcome goes on
    // a repeated step line instead of behind the notice.
    if (m_interrupted)
        m_log.addLine(m_stepLine);
    m_interrupted = false;
    return code;
}

void StepReporter::appendWriteOutcome(std::uint8_t code)
{
    switch (code) {
    case 0: m_log.append(QStringLiteral("  timeout")); break;
    case CommandSet::Ack: m_log.append(QStringLiteral("  pass")); break;
    case CommandSet::Refused: m_log.append(QStringLiteral("  fail")); break;
    default: break;
    }
}

void StepReporter::appendReadFailure(std::uint8_t code)
{
    if (code == 0)
        m_log.append(QStringLiteral("  timeout"));
    else if (code == CommandSet::Refused)
        m_log.append(QStringLiteral("  fail"));
}

AnswerBytes StepReporter::answer() const
{
    AnswerBytes a{};
    m_link.GetAnswer(a);
    return a;
}

bool StepReporter::isUnexpected(std::uint8_t code, std::uint8_t dataCode)
{
    return code != 0 && code != CommandSet::Refused && code != dataCode;
}

QString StepReporter::invalidAnswerLine(std::uint8_t code)
{
    return QStringLiteral("Rückmeldung ungültig ? ") + ByteToHex(code);
}

bool StepReporter::refuseIfBusy(const QString& what)
{
    if (!m_link.busy())
        return false;
    m_log.addLine(QStringLiteral("busy, please wait"));
    m_interrupted = true;
    m_link.refuseIfBusy(what);
    return true;
}
