#include "StepReporter.h"

#include "CommandSet.h"
#include "HexText.h"
#include "LogSink.h"

void StepReporter::addLine(const QString& text) { m_log.addLine(text); }

void StepReporter::append(const QString& text) { m_log.append(text); }

void StepReporter::beginStep(const QString& line)
{
    m_step = line;
    m_log.addLine(line);
}

std::uint8_t StepReporter::writeStep(const QString& line, const QString& telegram)
{
    beginStep(line);
    return writeOnly(telegram);
}

std::uint8_t StepReporter::writeOnly(const QString& telegram)
{
    const std::uint8_t code = exchange(telegram);
    appendWriteOutcome(code);
    return code;
}

std::uint8_t StepReporter::readStep(const QString& line, const QString& telegram)
{
    beginStep(line);
    const std::uint8_t code = exchange(telegram);
    appendReadFailure(code);
    return code;
}

std::uint8_t StepReporter::exchange(const QString& telegram)
{
    struct Waiting {
        bool& flag;
        explicit Waiting(bool& f) : flag(f) { flag = true; }
        ~Waiting() { flag = false; }
    } waiting(m_waiting);
    return m_link.SendTelegram(telegram);
}

void StepReporter::appendWriteOutcome(std::uint8_t code)
{
    switch (code) {
    case 0: appendTimeout(); break;
    case CommandSet::Ack: m_log.append(QStringLiteral("  pass")); break;
    case CommandSet::Refused: appendFail(); break;
    default: break;
    }
}

void StepReporter::appendReadFailure(std::uint8_t code)
{
    if (code == 0)
        appendTimeout();
    else if (code == CommandSet::Refused)
        appendFail();
}

void StepReporter::appendTimeout()
{
    m_log.append(QStringLiteral("  timeout"));
    noteFailure(StepFailure::Kind::NoAnswer, QStringLiteral("timeout"));
}

void StepReporter::appendFail()
{
    m_log.append(QStringLiteral("  fail"));
    noteFailure(StepFailure::Kind::Refused, QStringLiteral("fail"));
}

void StepReporter::noteFailure(StepFailure::Kind kind, const QString& detail)
{
    StepFailure::keepFirst(m_failure, {kind, m_step.trimmed(), detail});
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
    if (!m_link.refuseIfBusy(what))
        return false;
    const QString notice = QStringLiteral("busy, please wait");
    if (m_waiting)
        m_log.addLineAbove(notice);
    else
        m_log.addLine(notice);
    return true;
}
