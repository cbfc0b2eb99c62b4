#include "SimPeripherals.h"

#include <cmath>

namespace {

// A slow swing of up to 2.5 degC, each sensor in its own phase.
int swing(int n, qint64 ms) { return int(std::lround(25.0 * std::sin(double(ms) / 9000.0 + 1.3 * n))); }

} // namespace

SimPeripherals::SimPeripherals()
{
    for (int n = 0; n < ModuleCount; ++n)
        moduleBase[std::size_t(n)] = std::uint16_t(500 + 10 * n); // 20.0 degC, 21.0 degC, ...
    for (int n = 0; n < SensorCount; ++n)
        sensorBase[std::size_t(n)] = std::uint16_t(515 + 7 * n);  // 21.5 degC, 22.2 degC, ...
    canNodes = {{1, 1, {}}, {2, 2, {}}, {3, 3, {}}, {9, 10, {}}}; // node 9 answers as 10
}

SimPeripherals::CanNode* SimPeripherals::node(std::uint8_t number)
{
    for (CanNode& n : canNodes)
        if (n.number == number)
            return &n;
    return nullptr;
}

std::uint16_t SimPeripherals::moduleRaw(int n, qint64 ms, bool animate) const
{
    const int base = moduleBase[std::size_t(n)];
    return std::uint16_t(animate ? base + swing(n + 3, ms) : base);
}

std::uint16_t SimPeripherals::sensorRaw(int n, qint64 ms) const
{
    return std::uint16_t(sensorBase[std::size_t(n)] + swing(n, ms));
}

void SimPeripherals::fillSensorTable(std::vector<std::uint8_t>& ram, std::size_t at, qint64 ms) const
{
    const int count = std::min<int>(ram[at], SensorCount);
    for (int n = 0; n < count; ++n) {
        const std::uint16_t raw = sensorRaw(n, ms);
        const std::size_t record = at + 1 + 11 * std::size_t(n);
        ram[record + 1] = std::uint8_t(raw & 0xFF);
        ram[record + 2] = std::uint8_t(raw >> 8);
    }
}

std::optional<QByteArray> SimPeripherals::execute(std::uint8_t code, const QByteArray& data, qint64 ms, bool animate)
{
    const QByteArray refused(1, char(0x21));
    const auto d = [&](int i) { return i < data.size() ? std::uint8_t(data[i]) : std::uint8_t(0); };
    QByteArray a(1, char(code));
    switch (code) {
    case 0x50:
        if (data.isEmpty()) {
            // The oldest message, or status 0 for an empty pool.
            const Message m = pool.isEmpty() ? Message{} : pool.takeFirst();
            return a.append(char(m.number)).append(char(m.lo)).append(char(m.hi));
        }
        if (data.size() != 3 || pool.size() >= PoolSize)
            return refused;
        pool.append({d(0), d(1), d(2)});
        return QByteArray(1, char(0x20));
    case 0x60: {
        if (data.size() != 1 || d(0) >= ModuleCount)
            return refused;
        const std::uint16_t raw = moduleRaw(d(0), ms, animate);
        return a.append(char(d(0))).append(char(raw & 0xFF)).append(char(raw >> 8));
    }
    case 0x61: {
        const CanNode* n = data.size() == 1 ? node(d(0)) : nullptr;
        if (!n)
            return refused;
        return a.append(char(n->data[0])).append(char(n->data[1])).append(char(n->data[2]));
    }
    case 0x62: {
        CanNode* n = data.size() == 4 ? node(d(0)) : nullptr;
        if (!n)
            return refused;
        n->data = {d(1), d(2), d(3)};
        return a.append(char(n->answersAs));
    }
    default: return std::nullopt;
    }
}
