#include "BoardKinds.h"

#include "BaseBoardConfig.h"
#include "CpuBoardConfig.h"
#include "LcdModuleConfig.h"

#include <array>

namespace {

// One configuration layout: its struct gives the byte's meaning and its steps.
template <typename Layout>
BoardKinds::Config configOf()
{
    return {[](StepReporter& steps) { return Layout::read(steps); },
            [](StepReporter& steps, std::uint8_t b) { Layout::write(steps, b); },
            [](std::uint8_t b) { return Layout::fromByte(b).toByte(); },
            [](std::uint8_t b) { return Layout::fromByte(b).controls(); }};
}

BoardKinds::Config lcdModuleConfig()
{
    BoardKinds::Config config = configOf<LcdModuleConfig>();
    config.write = [](StepReporter& steps, std::uint8_t b) {
        LcdModuleConfig::write(steps, LcdModuleConfig::fromByte(b).lcdOnI2C);
    };
    return config;
}

} // namespace

const BoardKinds::Kind* BoardKinds::of(std::uint8_t kind)
{
    static const std::array<Kind, 4> kinds{{
        {BaseBoard, Dialog::BaseBoard, QStringLiteral("base board (Velmar R1, R07, R08)"), configOf<BaseBoardConfig>()},
        {CpuBoard, Dialog::CpuBoard, QStringLiteral("CPU board (ATmega128 & AT90CAN128)"), configOf<CpuBoardConfig>()},
        {LcdModule, Dialog::LcdModule, QStringLiteral("LCD module"), lcdModuleConfig()},
        {IoModule, Dialog::IoModule, QStringLiteral("I/O module"), std::nullopt},
    }};
    for (const Kind& row : kinds) {
        if (row.kind == kind)
            return &row;
    }
    return nullptr;
}

QString BoardKinds::name(std::uint8_t kind)
{
    const Kind* row = of(kind);
    return row ? row->name : QStringLiteral("unknown");
}
