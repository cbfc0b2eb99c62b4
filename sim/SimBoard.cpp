#include "SimBoard.h"

#include "MemoryLayout.h"

#include <QTimer>
#include <cmath>
#include <memory>

namespace {

constexpr std::uint8_t Esc = 0x1B;
constexpr std::uint8_t Sync = 0xAA;
// How long a restarted board listens for the bootloader sync before its firmware starts.
constexpr int BootWaitMs = 1000;

QByteArray hexPair(std::uint8_t b) { return QByteArray::number(b, 16).rightJustified(2, '0'); }

// The board refuses a telegram with 0x21, but a 1-Wire table entry (eleven bytes written to
// the EEPROM) with 0x22.
constexpr int TableEntryBytes = 11;
QByteArray refusalOf(std::uint8_t code, qsizetype dataSize)
{
    return QByteArray(1, char(code == 0x33 && dataSize == TableEntryBytes ? 0x22 : 0x21));
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SimBoard::SimBoard(QObject* parent)
    : QObject(parent),
      m_boot(m_flash, m_faults, [this](const QByteArray& b) { send(b); })
{
    m_clock.start();
    setFlashAreaEnd(0x1F000);
    setKind(0);
}

void SimBoard::setKind(std::uint8_t kind)
{
    std::fill(m_eeprom.begin(), m_eeprom.end(), 0xFF);
    m_eeprom[0x0000] = kind;
    m_eeprom[0x0001] = 0x00; // firmware valid
    switch (kind) {
    case 0: m_eeprom[0x0002] = 0x13; break; // CAN on, LCD on board, hardware clock
    case 1: m_eeprom[0x0002] = 0x52; break; // LCD on board, hardware clock, SD card
    case 2: m_eeprom[0x0002] = 0x04; break; // LCD on I2C
    default: m_eeprom[0x0002] = 0x00; break;
    }
    m_eeprom[0x0003] = 0x40; // I2C address of the I/O module
    // Reset counters: power-on, external, brown-out, watchdog, itag; low byte first.
    const std::uint8_t counters[10] = {0x17, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00};
    std::copy(std::begin(counters), std::end(counters), m_eeprom.begin() + 0x16);
    // 1-Wire table: count, then eight entries of eleven bytes.
    m_eeprom[0x0100] = 2;
    for (int n = 0; n < 8; ++n)
        for (int i = 0; i < 11; ++i)
            m_eeprom[0x0101 + 11 * n + i] = n < 2 ? std::uint8_t(0x28 + n + i) : 0x00;
    countReset(ResetCause::PowerOn);
}

std::uint16_t SimBoard::resetCount(ResetCause cause) const
{
    const std::size_t at = 0x16 + 2 * std::size_t(cause);
    return std::uint16_t(m_eeprom[at] | (m_eeprom[at + 1] << 8));
}

void SimBoard::countReset(ResetCause cause)
{
    const std::size_t at = 0x16 + 2 * std::size_t(cause);
    const std::uint16_t n = std::uint16_t(resetCount(cause) + 1);
    m_eeprom[at] = std::uint8_t(n & 0xFF);
    m_eeprom[at + 1] = std::uint8_t(n >> 8);
}

void SimBoard::setFlashAreaEnd(std::uint32_t end)
{
    // An area end of no known layout gets room for the byte code behind it.
    const auto layout = MemoryLayout::of(end);
    m_flash.assign(layout ? std::size_t(layout->flashSize) : std::size_t(end) + 0x4000, 0xFF);
    m_boot.setAreaEnd(end);
}

void SimBoard::send(const QByteArray& bytes)
{
    if (!bytes.isEmpty())
        Q_EMIT transmit(bytes);
}

void SimBoard::receive(const QByteArray& bytes)
{
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        switch (m_state) {
        case State::Firmware: receiveFirmware(b); break;
        case State::BootWait:
            if (m_lastByte == Esc && b == Sync && !m_faults.noSignOn) {
                ++m_bootWaitId; // the firmware does not start
                m_state = State::Bootloader;
                m_boot.restart();
                send(QByteArrayLiteral("VLMR Bootloader V1.3\r\n"));
            }
            break;
        case State::Bootloader:
            // The reset telegram restarts the board from within the bootloader too; the data
            // of a block being written is never taken for it.
            if (!m_boot.idle()) {
                m_line.clear();
            } else {
                m_line.append(c);
                if (m_line.size() > 32)
                    m_line.remove(0, m_line.size() - 32);
            }
            if (m_boot.idle() && m_line.endsWith(":aa0110a5\r")) {
                m_line.clear();
                enterBootWait();
                break;
            }
            if (m_boot.receive(b)) {
                m_line.clear();
                startFirmware();
            }
            break;
        }
        m_lastByte = b;
    }
}

void SimBoard::enterBootWait()
{
    // The firmware restarts the board through its watchdog; an open file is closed.
    countReset(ResetCause::Watchdog);
    m_card.reset();
    m_state = State::BootWait;
    m_line.clear();
    const int id = ++m_bootWaitId;
    QTimer::singleShot(BootWaitMs, this, [this, id] {
        if (id == m_bootWaitId && m_state == State::BootWait)
            startFirmware();
    });
}

void SimBoard::startFirmware()
{
    m_state = State::Firmware;
    m_line.clear();
    const bool valid = m_eeprom[0x0001] != 0xFF;
    send(valid ? QByteArrayLiteral("Velmar SPS firmware V2.07 running\r\n")
               : QByteArrayLiteral("Velmar: no valid firmware\r\n"));
}

void SimBoard::receiveFirmware(std::uint8_t b)
{
    if (b == '\r') {
        const QByteArray line = m_line;
        m_line.clear();
        handleLine(line);
        return;
    }
    if (b == '\n')
        return;
    if (m_line.size() < 1024) // room for a file name of 254 characters
        m_line.append(char(b));
}

void SimBoard::handleLine(const QByteArray& line)
{
    // Every ':' starts a telegram afresh, so that one cut short (a cable pulled in the middle
    // of it) does not spoil the next.
    const QByteArray t = line.trimmed();
    if (t.startsWith(':'))
        handleTelegram(t.mid(t.lastIndexOf(':')));
    else if (!line.trimmed().isEmpty())
        handleTerminalLine(line.trimmed());
}

void SimBoard::handleTerminalLine(const QByteArray& line)
{
    const QList<QByteArray> f = line.split(' ');
    if (f.value(0) == "time" && f.size() >= 4) {
        send("Uhrzeit gestellt: " + f[1] + ':' + f[2] + ':' + f[3] + "\r\n");
    } else if (f.value(0) == "date" && f.size() >= 5) {
        static const char* days[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
        const int wd = f[4].toInt();
        send("Datum gestellt: " + QByteArray(days[wd >= 0 && wd < 7 ? wd : 0]) + ' ' + f[1] + '.' + f[2] + '.' + f[3] +
             "\r\n");
    } else if (f.value(0) == "flood" && f.size() >= 2) {
        flood(f[1].toInt() * 1000);
    } else if (line == "help" || line == "?") {
        send("Befehle: time hh mm ss, date dd mm yyyy w, flood s, help\r\n");
    } else {
        send("> " + line + "\r\n");
    }
}

void SimBoard::handleTelegram(const QByteArray& line)
{
    // A board that runs for days under the debug window must not fill the memory.
    if (m_telegrams.size() >= MaxTelegramLog)
        m_telegrams.remove(0, MaxTelegramLog / 2);
    m_telegrams.append(line);
    // ":" then hex pairs: aa LL CC data.. a5
    QByteArray bytes;
    for (qsizetype i = 1; i + 1 < line.size(); i += 2) {
        const int hi = hexValue(line[i]), lo = hexValue(line[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        bytes.append(char(hi * 16 + lo));
    }
    const auto at = [&](qsizetype i) { return i < bytes.size() ? std::uint8_t(bytes[i]) : std::uint8_t(0); };
    const int n = at(1);
    const QByteArray refused(1, char(0x21));
    if (bytes.size() < 4 || at(0) != 0xAA || n < 1 || bytes.size() != n + 3 || at(n + 2) != 0xA5) {
        sendAnswer(refused, m_faults.onlyCodes.isEmpty());
        return;
    }
    const std::uint8_t code = at(2);
    const bool faulty = m_faults.onlyCodes.isEmpty() || m_faults.onlyCodes.contains(code);
    // A refusing board does not carry the command out; the reset still restarts it.
    const bool refuseThis = m_faults.refuseEvery > 0 && faulty && ++m_faultyTelegrams % m_faults.refuseEvery == 0;
    if (faulty && (m_faults.refuseAll || refuseThis) && code != 0x10) {
        sendAnswer(refusalOf(code, n - 1), true);
        return;
    }
    if (faulty && m_faults.randomPercent > 0 && code != 0x10) {
        // A small generator of its own, so that a seed gives the same faults on every machine.
        if (!m_randomSeeded) {
            m_random = m_faults.randomSeed;
            m_randomSeeded = true;
        }
        const auto next = [this] {
            m_random = m_random * 1664525u + 1013904223u;
            return m_random >> 8;
        };
        if (int(next() % 100) < m_faults.randomPercent) {
            ++m_randomFaults;
            switch (next() % 3) {
            case 0: return; // silence
            case 1: sendAnswer(refusalOf(code, n - 1), true); return;
            default: {
                SimFaults corrupt = m_faults;
                m_faults.badGroup = true;
                const QByteArray answer = execute(code, bytes.mid(3, n - 1));
                sendAnswer(answer.isEmpty() ? refused : answer, true);
                m_faults = corrupt;
                return;
            }
            }
        }
    }
    const QByteArray answer = execute(code, bytes.mid(3, n - 1));
    if (!answer.isEmpty())
        sendAnswer(answer, faulty);
}

void SimBoard::flood(int ms)
{
    delete m_floodTimer;
    m_floodTimer = nullptr;
    if (ms <= 0)
        return;
    QElapsedTimer since;
    since.start();
    m_floodTimer = new QTimer(this);
    m_floodTimer->setTimerType(Qt::PreciseTimer);
    // Short lines at 5700 bytes per second, a little under the 5760 of the line, so that a
    // paced line never falls behind; counted from the start, so that a late tick catches up.
    auto sent = std::make_shared<qint64>(0);
    connect(m_floodTimer, &QTimer::timeout, this, [this, since, ms, sent] {
        if (since.elapsed() >= ms) {
            m_floodTimer->deleteLater();
            m_floodTimer = nullptr;
            send("flood end\r\n");
            return;
        }
        const qint64 due = since.elapsed() * 5700 / 1000;
        QByteArray lines;
        while (*sent + lines.size() < due && lines.size() < 4096)
            lines += 'F' + QByteArray::number(qulonglong(m_floodLines++ % 100000)) + "\r\n";
        *sent += lines.size();
        if (!lines.isEmpty())
            send(lines);
    });
    m_floodTimer->start(14);
}

QByteArray SimBoard::execute(std::uint8_t code, const QByteArray& data)
{
    updateAnimation();
    if (auto answer = m_peripherals.execute(code, data, m_clock.elapsed(), animate))
        return *answer;
    const auto d = [&](int i) { return i < data.size() ? std::uint8_t(data[i]) : std::uint8_t(0); };
    const QByteArray ok(1, char(0x20));
    const QByteArray refused(1, char(0x21));
    QByteArray a(1, char(code));
    switch (code) {
    case 0x10: enterBootWait(); return {};
    case 0x20: return ok;
    case 0x31: return a.append(char(m_pointer & 0xFF)).append(char(m_pointer >> 8));
    case 0x32:
        if (data.size() != 2)
            return refused;
        m_pointer = std::uint16_t(d(0) | (d(1) << 8));
        return ok;
    case 0x33:
    case 0x34:
    case 0x35:
    case 0x36:
    case 0x37: return accessMemory(code, data);
    case 0x40: {
        // File block 0 is the 1-Wire table, mirrored into RAM for reading.
        if (d(0) != 0)
            return refused;
        constexpr std::uint16_t blockAt = 0x0800;
        std::copy(m_eeprom.begin() + 0x100, m_eeprom.begin() + 0x159, m_ram.begin() + blockAt);
        if (animate)
            m_peripherals.fillSensorTable(m_ram, blockAt, m_clock.elapsed());
        m_pointer = blockAt;
        return a.append(char(blockAt & 0xFF)).append(char(blockAt >> 8));
    }
    case 0x52: return a.append(char(inputs)).append(char(buttons)).append(char(outputs));
    case 0x53: {
        const std::size_t index = d(0) | (d(1) << 8);
        if (index >= 32)
            return refused;
        return a.append(char(m_ram[BitVariablesAt + index]));
    }
    case 0x54: {
        const std::size_t n = d(0) | (d(1) << 8);
        if (n >= 256)
            return refused;
        return a.append(char(m_ram[WordVariablesAt + 2 * n])).append(char(m_ram[WordVariablesAt + 2 * n + 1]));
    }
    case 0x70:
    case 0x71:
    case 0x72:
    case 0x73:
    case 0x74: return m_card.execute(code, data);
    default: return refused;
    }
}

QByteArray SimBoard::accessMemory(std::uint8_t code, const QByteArray& data)
{
    const QByteArray refused(1, char(0x21));
    if (code == 0x33 || code == 0x35) {
        auto& mem = code == 0x33 ? m_eeprom : m_ram;
        if (data.isEmpty() || m_pointer + std::size_t(data.size()) > mem.size())
            return refusalOf(code, data.size());
        for (char c : data)
            mem[m_pointer++] = std::uint8_t(c);
        return QByteArray(1, char(0x20));
    }
    const auto& mem = code == 0x34 ? m_eeprom : code == 0x36 ? m_ram : m_flash;
    const int count = data.isEmpty() ? 0 : std::uint8_t(data[0]);
    if (data.size() != 1 || count < 1 || count > 99 || m_pointer + std::size_t(count) > mem.size())
        return refused;
    QByteArray a(1, char(code));
    for (int i = 0; i < count; ++i)
        a.append(char(mem[m_pointer++]));
    return a;
}

void SimBoard::sendAnswer(const QByteArray& payload, bool faulty)
{
    SimFaults f;
    if (faulty)
        f = m_faults;
    if (f.silent)
        return;
    QByteArray t = f.noise + ':' + (f.wrongStart ? "ab" : "aa") + hexPair(std::uint8_t(payload.size()));
    for (qsizetype i = 0; i < payload.size(); ++i) {
        const auto byte = std::uint8_t(i == 0 && f.wrongCode ? payload[i] ^ 0x80 : payload[i]);
        t += (i == 0 && f.badGroup) ? QByteArray("zz") : hexPair(byte);
    }
    t += f.wrongEnd ? "a4" : "a5";
    t += "\r\n";
    if (f.answerDelayMs > 0)
        QTimer::singleShot(f.answerDelayMs, Qt::PreciseTimer, this, [this, t] { send(t); });
    else
        send(t);
}

void SimBoard::updateAnimation()
{
    if (!animate)
        return;
    const qint64 ms = m_clock.elapsed();
    const int step = int(ms / 500);
    inputs = std::uint8_t(1u << (step % 6)); // a running light on the inputs
    // Now and then a button is pressed for two seconds, each of the four in turn.
    buttons = std::uint8_t((step / 4) % 2 ? 1u << ((step / 8) % 4) : 0x00);
    outputs = std::uint8_t((step / 2) & 0x3F); // a binary counter on the outputs
    // 1-bit signals: byte 0 blinks, byte 1 follows the inputs.
    m_ram[BitVariablesAt + 0] = std::uint8_t(step % 2 ? 0x55 : 0xAA);
    m_ram[BitVariablesAt + 1] = inputs;
    // 16-bit signals: 0 counts tenths of seconds, 1 is a temperature in 0.1 degC, 2 a level.
    const auto setWord = [this](int n, int v) {
        m_ram[WordVariablesAt + 2 * n] = std::uint8_t(v & 0xFF);
        m_ram[WordVariablesAt + 2 * n + 1] = std::uint8_t((v >> 8) & 0xFF);
    };
    setWord(0, int((ms / 100) & 0xFFFF));
    setWord(1, 215 + int(std::lround(25.0 * std::sin(double(ms) / 6000.0))));
    setWord(2, int((ms / 37) % 1024));
}
