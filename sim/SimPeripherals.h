#pragma once

#include <QByteArray>
#include <QList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What hangs off the simulated board besides its memories: the message pool, the modules
// that give a temperature reading, CAN nodes, and the live 1-Wire sensors. Temperatures are
// raw counts, tenths of a degree above -30 degC (535 is 23.5 degC), low byte first.
class SimPeripherals {
public:
    static constexpr int ModuleCount = 8;
    static constexpr int SensorCount = 8;
    static constexpr int PoolSize = 16;

    // A message in the pool: a number and a 16-bit value.
    struct Message {
        std::uint8_t number = 0;
        std::uint8_t lo = 0;
        std::uint8_t hi = 0;
    };
    // A CAN node: the number it answers with (another one for a misconfigured node) and the
    // three bytes last written to it.
    struct CanNode {
        std::uint8_t number = 0;
        std::uint8_t answersAs = 0;
        std::array<std::uint8_t, 3> data{};
    };

    SimPeripherals();

    // Answers the commands handled here (message pool 0x50, module reading 0x60, CAN read
    // 0x61 and write 0x62); nothing for the others. `ms` is the board's time since start.
    std::optional<QByteArray> execute(std::uint8_t code, const QByteArray& data, qint64 ms, bool animate);

    // The reading of module n, moving slowly around its base while animated.
    [[nodiscard]] std::uint16_t moduleRaw(int n, qint64 ms, bool animate) const;
    // The temperature of 1-Wire sensor n, moving slowly around its base.
    [[nodiscard]] std::uint16_t sensorRaw(int n, qint64 ms) const;
    // Puts the live temperatures into the RAM copy of the 1-Wire table at `at` (count byte,
    // then 11-byte records): bytes 1 and 2 of the record of every counted sensor.
    void fillSensorTable(std::vector<std::uint8_t>& ram, std::size_t at, qint64 ms) const;

    std::array<std::uint16_t, ModuleCount> moduleBase{};
    std::array<std::uint16_t, SensorCount> sensorBase{};
    QList<Message> pool;
    QList<CanNode> canNodes;

private:
    [[nodiscard]] CanNode* node(std::uint8_t number);
};
