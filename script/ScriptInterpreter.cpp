#include "ScriptInterpreter.h"

#include "CommandSet.h"
#include "EComPort.h"
#include "EConvertError.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"
#include "MeasurementLog.h"
#include "ScriptTexts.h"
#include "TCustomComPort.h"

#include <QScopedValueRollback>
#include <array>
#include <vector>

namespace {

const QString Timeout = QStringLiteral("  timeout");
const QString Fail = QStringLiteral("  fail");
const QString Pass = QStringLiteral("  pass");

} // namespace

ScriptInterpreter::ScriptInterpreter(Link& link, SendList& list, ScriptState& state, LogSink& log, MeasurementLog& file)
    : m_link(link),
      m_list(list),
      m_state(state),
      m_log(log),
      m_file(file)
{
    m_lineLostConnection =
        QObject::connect(&m_link.port(), &TCustomComPort::LineLost, [this](const QString&) { m_lineLost = true; });
}

ScriptInterpreter::~ScriptInterpreter() { QObject::disconnect(m_lineLostConnection); }

ScriptInterpreter::Command ScriptInterpreter::find(const QString& cmd) const
{
    struct Entry {
        const char* mnemonic;
        Command command;
    };
    static const std::array<Entry, 22> commands{{
        {"ACK", &ScriptInterpreter::ack},        {"RES", &ScriptInterpreter::res},   {"ADRR", &ScriptInterpreter::adrr},
        {"ADRW", &ScriptInterpreter::adrw},      {"EEPR", &ScriptInterpreter::eepr}, {"EEPW", &ScriptInterpreter::eepw},
        {"RAMR", &ScriptInterpreter::ramr},      {"RAMW", &ScriptInterpreter::ramw}, {"ROMR", &ScriptInterpreter::romr},
        {"RFBA", &ScriptInterpreter::rfba},      {"MSGR", &ScriptInterpreter::msgr}, {"MSGW", &ScriptInterpreter::msgw},
        {"TIME", &ScriptInterpreter::timeStamp}, {"GETT", &ScriptInterpreter::gett}, {"GETU", &ScriptInterpreter::getu},
        {"BVAR", &ScriptInterpreter::bvar},      {"WVAR", &ScriptInterpreter::wvar}, {"WCAN", &ScriptInterpreter::wcan},
        {"RCAN", &ScriptInterpreter::rcan},      {"DIG", &ScriptInterpreter::dig},   {"CLW", &ScriptInterpreter::clw},
        {"GOTO", &ScriptInterpreter::jump},
    }};
    // The whole text counts: "ACK " with a blank is no ACK.
    for (const Entry& e : commands)
        if (cmd.compare(QLatin1String(e.mnemonic), Qt::CaseInsensitive) == 0)
            return e.command;
    return nullptr;
}

void ScriptInterpreter::ExecuteRow(int index)
{
    if (m_state.Busy || !m_list.contains(index))
        return;
    // Marks the running row, also when an error ends it.
    const QScopedValueRollback busy(m_state.Busy, true);
    m_row = m_list.at(index);
    m_index = index;
    m_rowId = m_list.rowId(index);
    m_lineLost = false;
    const Command command = find(m_row.CMD);
    if (!command) {
        addLine(QStringLiteral("unbekannter Befehl ") + m_row.CMD);
        return;
    }
    try {
        (this->*command)();
    } catch (const EComPort&) {
        // The port has shown its loss once already; the row just ends.
        if (m_lineLost)
            return;
        throw;
    }
}

int ScriptInterpreter::send(const QString& request)
{
    ++m_telegrams;
    try {
        const int code = m_link.SendTelegram(request);
        if (code == 0)
            ++m_unanswered;
        return code;
    } catch (const EConvertError& e) {
        // A broken answer is an answer like any unexpected one: the run goes on.
        ++m_unanswered;
        addLine(e.message());
        return Garbled;
    }
}

std::span<const std::uint8_t> ScriptInterpreter::answer() const { return m_link.AnswerData(); }

void ScriptInterpreter::label(const QString& text)
{
    if (TelegramInfo)
        addLine(text);
}

void ScriptInterpreter::info(const QString& text)
{
    if (TelegramInfo)
        append(text);
}

void ScriptInterpreter::addLine(const QString& text) { m_log.addLine(text); }

void ScriptInterpreter::append(const QString& text) { m_log.append(text); }

void ScriptInterpreter::unexpected(int code)
{
    // A garbled answer has already put its own text into the log.
    if (code != Garbled)
        addLine(QStringLiteral("Rückmeldung ungültig ? ") + ByteToHex(std::uint8_t(code)));
}

void ScriptInterpreter::writeRule(int code)
{
    if (code == 0)
        append(Timeout);
    else if (code == CommandSet::Ack)
        info(Pass);
    else if (code == CommandSet::Refused)
        append(Fail);
}

void ScriptInterpreter::dumpRule(int code, int echo, const QString& title)
{
    if (code == 0) {
        append(Timeout);
    } else if (code == CommandSet::Refused) {
        append(Fail);
    } else if (code == echo) {
        addLine(title);
        for (std::uint8_t b : answer())
            append(ByteToHex(b) + QLatin1Char(' '));
    } else {
        unexpected(code);
    }
}

QString ScriptInterpreter::addressText() const
{
    const auto d = answer();
    return ByteToHex(d[1]) + QLatin1Char(' ') + ByteToHex(d[0]) + QStringLiteral("   ") +
           QString::number(d[1] * 256 + d[0]);
}

void ScriptInterpreter::logFileWrite(const QString& text)
{
    if (m_file.isOpen())
        m_file.write(text);
}

void ScriptInterpreter::closeMeasurement(const QString& title, std::uint8_t n, QString result)
{
    result += QLatin1Char(';');
    addLine(title + ByteToHex(n) + QLatin1Char(' ') + result);
    logFileWrite(result);
}

void ScriptInterpreter::ack()
{
    label(QStringLiteral("ACK "));
    writeRule(send(CommandSet::ack()));
}

void ScriptInterpreter::res()
{
    label(QStringLiteral("RES "));
    send(CommandSet::reset()); // the board restarts; its answer is not looked at
}

void ScriptInterpreter::adrr()
{
    label(QStringLiteral("Adresse lesen: "));
    const int code = send(CommandSet::readAddressPointer());
    if (code == 0)
        append(Timeout);
    else if (code == CommandSet::Ack)
        append(Fail);
    else if (code == CommandSet::ReadAddressPointer && answer().size() >= 2)
        addLine(QStringLiteral("Adresse = ") + addressText());
    else if (code == CommandSet::ReadAddressPointer)
        append(Fail); // short of its two bytes: no address to show, as when refused
}

void ScriptInterpreter::adrw()
{
    label(QStringLiteral("Adresse senden: "));
    const std::array<std::uint8_t, 2> address{d0(), m_row.given(1)};
    writeRule(send(CommandSet::build(CommandSet::SelectAddress, address)));
}

void ScriptInterpreter::eepr()
{
    dumpRule(send(CommandSet::eepromRead(d0())), CommandSet::EepromRead, QStringLiteral("EEPR = "));
}

namespace {

// The cells a write command sends: those given in decimal or hex, in column order.
std::vector<std::uint8_t> writtenBytes(const SendRow& row)
{
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < SendRow::DataCount; ++i)
        if (row.notation[i] == CellNotation::Decimal || row.notation[i] == CellNotation::Hex)
            bytes.push_back(row.data[i]);
    return bytes;
}

} // namespace

void ScriptInterpreter::eepw()
{
    label(QStringLiteral("Adresse senden: "));
    writeRule(send(CommandSet::eepromWrite(writtenBytes(m_row))));
}

void ScriptInterpreter::ramr()
{
    dumpRule(send(CommandSet::ramRead(d0())), CommandSet::RamRead, QStringLiteral("RAMR = "));
}

void ScriptInterpreter::ramw()
{
    label(QStringLiteral("RAM-Speicher schreiben: "));
    writeRule(send(CommandSet::ramWrite(writtenBytes(m_row))));
}

void ScriptInterpreter::romr()
{
    dumpRule(send(CommandSet::romRead(d0())), CommandSet::RomRead, QStringLiteral("ROMR = "));
}

void ScriptInterpreter::rfba()
{
    label(QStringLiteral("Adresse lesen: "));
    const int code = send(CommandSet::fileBlockAddress(m_row.given(0)));
    if (code == 0) {
        append(Timeout);
    } else if (code == CommandSet::Ack) {
        append(Fail);
    } else if (code == CommandSet::FileBlockAddress && answer().size() >= 2) {
        append(QStringLiteral("Adresse = ") + addressText());
        // The row may have been removed or moved while the telegram waited; other changes of
        // the list leave it where it was.
        if (!m_list.contains(m_index) || m_list.rowId(m_index) != m_rowId)
            return;
        SendRow& row = m_list.at(m_index);
        row.data[0] = answer()[0];
        row.data[1] = answer()[1];
        row.notation[0] = row.notation[1] = CellNotation::Hex;
        if (rowChanged)
            rowChanged(m_index);
    } else if (code == CommandSet::FileBlockAddress) {
        append(Fail); // short of its two bytes: the row keeps its cells, as when refused
    }
}

void ScriptInterpreter::msgr()
{
    label(QStringLiteral("message pool lesen: "));
    const int code = send(CommandSet::messageRead());
    if (code == 0) {
        append(Timeout);
    } else if (code == CommandSet::Ack) {
        append(Fail);
    } else if (code == CommandSet::Message && answer().size() >= 3) {
        const auto d = answer();
        addLine(QStringLiteral("Staus = ") + ByteToHex(d[0]) + QStringLiteral(" hi =  ") + ByteToHex(d[2]) +
                QStringLiteral(" lo =  ") + ByteToHex(d[1]));
    } else if (code == CommandSet::Message) {
        append(Fail); // short of its three bytes, as when refused
    }
}

void ScriptInterpreter::msgw()
{
    label(QStringLiteral("Message Pool schreiben: "));
    writeRule(send(CommandSet::messageWrite(m_row.data[0], m_row.data[1], m_row.data[2])));
}

void ScriptInterpreter::timeStamp()
{
    const QString text = TimeOfDayText(clock ? clock() : QTime::currentTime(), locale) + QLatin1Char(';');
    addLine(text);
    if (m_file.isOpen()) {
        m_file.endLine();
        m_file.write(text);
    }
}

ScriptInterpreter::Answer ScriptInterpreter::classify(int code, int expected, std::size_t bytes, int refusal) const
{
    if (code == 0 || code == Garbled)
        return Answer::Lost;
    if (code == refusal)
        return Answer::Refused;
    if (code == expected && answer().size() >= bytes)
        return Answer::Expected;
    return Answer::Unexpected;
}

template <typename Attempt>
void ScriptInterpreter::attempts(const AttemptRule& rule, Attempt attempt)
{
    for (int i = 0; i < rule.attempts; ++i) {
        const Answer a = attempt();
        if (a == Answer::Expected)
            return;
        const bool failed = a == Answer::Lost || (a == Answer::Refused && rule.refusalIsFault) ||
                            (a == Answer::Unexpected && rule.retryUnexpected);
        if (failed)
            m_state.FaultFlag = true;
        if (a == Answer::Unexpected && !rule.retryUnexpected)
            return;
    }
}

QString ScriptInterpreter::missed(int code, Answer answer, bool shown)
{
    QString text = QStringLiteral("?");
    if (answer == Answer::Lost && code == 0)
        text = Timeout;
    else if (answer == Answer::Refused)
        text = Fail;
    else if (answer == Answer::Unexpected)
        unexpected(code);
    if (shown && text != QLatin1String("?"))
        info(text);
    return text;
}

void ScriptInterpreter::gett()
{
    const std::uint8_t n = m_row.given(0);
    QString result;
    attempts(Measuring, [&] { return gettAttempt(n, result); });
    closeMeasurement(QStringLiteral("Baustein "), n, result);
}

ScriptInterpreter::Answer ScriptInterpreter::gettAttempt(std::uint8_t n, QString& result)
{
    // The first two steps write nothing for a code they do not expect; the last one names it.
    const auto failed = [&](int code, Answer a, bool named) {
        result = a == Answer::Unexpected && !named ? QStringLiteral("?") : missed(code, a, true);
        return a;
    };
    // Where the sensor table lies: a count byte, then one 11-byte record per sensor.
    label(QStringLiteral("Adresse lesen: "));
    int code = send(CommandSet::fileBlockAddress(0));
    Answer a = classify(code, CommandSet::FileBlockAddress, 2, CommandSet::Ack);
    if (a != Answer::Expected) {
        failed(code, a, false);
        if (code == 0)
            result = QStringLiteral("timeout");
        return a;
    }
    info(Pass);
    const int base = answer()[1] * 256 + answer()[0];

    label(QStringLiteral("Adresse schreiben: "));
    const auto address = std::uint16_t((base + 1 + 11 * n) & 0xFFFF);
    const std::array<std::uint8_t, 2> at{std::uint8_t(address & 0xFF), std::uint8_t(address >> 8)};
    code = send(CommandSet::build(CommandSet::SelectAddress, at, CommandSet::EndCase::Upper));
    a = classify(code, CommandSet::Ack, 0);
    if (a != Answer::Expected)
        return failed(code, a, false);
    info(Pass);

    label(QStringLiteral("RAM lesen: "));
    code = send(CommandSet::ramRead(3));
    a = classify(code, CommandSet::RamRead, 3);
    if (a != Answer::Expected)
        return failed(code, a, true);
    info(Pass);
    result = TemperatureText(std::uint16_t(answer()[2] * 256 + answer()[1]), locale);
    return a;
}

void ScriptInterpreter::getu()
{
    const std::uint8_t n = m_row.given(0);
    QString result;
    attempts(Measuring, [&] {
        label(QStringLiteral("Temperatur lesen: "));
        const int code = send(CommandSet::moduleReading(n));
        const Answer a = classify(code, CommandSet::ModuleReading, 3);
        if (a != Answer::Expected) {
            result = missed(code, a, true);
            return a;
        }
        info(Pass);
        result = TemperatureText(std::uint16_t(answer()[2] * 256 + answer()[1]), locale);
        return a;
    });
    closeMeasurement(QStringLiteral("Baustein "), n, result);
}

void ScriptInterpreter::bvar()
{
    std::uint8_t v = m_row.given(0);
    QString result;
    attempts(Variable, [&] {
        const int code = send(CommandSet::bitVariable(v));
        const Answer a = classify(code, CommandSet::BitVariable, 1);
        if (a != Answer::Expected) {
            result = missed(code, a, false);
            return a;
        }
        v %= 8; // the bit's place in the answered byte
        result = (answer()[0] >> v) & 1 ? QStringLiteral("1") : QStringLiteral("0");
        return a;
    });
    closeMeasurement(QStringLiteral("Bit Variable "), v, result);
}

void ScriptInterpreter::wvar()
{
    const std::uint8_t v = m_row.given(0);
    QString result;
    attempts(Variable, [&] {
        const int code = send(CommandSet::wordVariable(v));
        const Answer a = classify(code, CommandSet::WordVariable, 2);
        result = a == Answer::Expected ? QString::number(answer()[1] * 256 + answer()[0]) : missed(code, a, false);
        return a;
    });
    closeMeasurement(QStringLiteral("Word Variable "), v, result);
}

void ScriptInterpreter::wcan()
{
    const std::uint8_t n = m_row.given(0);
    QString result;
    attempts(Measuring, [&] {
        label(QStringLiteral("Temperatur lesen: "));
        const int code = send(CommandSet::canWrite(n, m_row.given(1), m_row.given(2), m_row.given(3)));
        const Answer a = classify(code, CommandSet::CanWrite, 1);
        if (a != Answer::Expected) {
            result = missed(code, a, true);
            return a;
        }
        info(Pass);
        const std::uint8_t node = answer()[0];
        addLine(node == n ? QStringLiteral("Rückmeldung pass")
                          : QStringLiteral("Adresse ungültig : ") + ByteToHex(node));
        return a;
    });
    logFileWrite(result);
}

void ScriptInterpreter::rcan()
{
    const std::uint8_t n = m_row.given(0);
    QString result;
    attempts(Measuring, [&] {
        label(QStringLiteral("Temperatur lesen: "));
        const int code = send(CommandSet::canRead(n));
        const Answer a = classify(code, CommandSet::CanRead, 0);
        if (a != Answer::Expected) {
            result = missed(code, a, true);
            return a;
        }
        info(Pass);
        result += QStringLiteral(": ");
        addLine(QStringLiteral("Baustein ") + ByteToHex(n) + QLatin1Char(' ') + result);
        for (std::uint8_t b : answer())
            append(ByteToHex(b) + QLatin1Char(' '));
        return a;
    });
    logFileWrite(result);
}

void ScriptInterpreter::dig()
{
    attempts(Once, [&] {
        const int code = send(CommandSet::digitalIO());
        const Answer a = classify(code, CommandSet::DigitalIO, 0);
        if (a != Answer::Expected) {
            // A timeout and a refusal are appended to the row's line; a garbled answer has
            // its text in the log already.
            if (a == Answer::Lost && code == 0)
                append(Timeout);
            else if (a == Answer::Refused)
                append(Fail);
            else if (a == Answer::Unexpected)
                unexpected(code);
            return a;
        }
        addLine(QStringLiteral("Digital IO = "));
        for (std::uint8_t b : answer())
            append(ByteToHex(b) + QLatin1Char(' '));
        return a;
    });
}

void ScriptInterpreter::clw()
{
    const std::uint8_t v = m_row.given(0);
    if (m_state.FaultFlag && v == 1) {
        // The failure stays in view and the run ends.
        if (stopAutoSend)
            stopAutoSend();
    } else if (m_state.FaultFlag) {
        m_state.FaultFlag = false;
    } else {
        m_log.clear();
        if (DebugTelegram)
            m_link.terminal().clear();
    }
}

void ScriptInterpreter::jump()
{
    // The tick adds one after every row, so the target runs next.
    m_state.RowIndex = d0();
    m_state.DelayTicks = 0;
    if (TelegramInfo)
        addLine(QStringLiteral("Goto ") + QString::number(d0()));
    if (m_state.RowIndex > 0)
        --m_state.RowIndex;
}
