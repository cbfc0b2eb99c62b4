#pragma once

#include "Command.h"

#include <QMap>
#include <QStringList>

// "ports": the serial devices with their /dev/serial/by-id names, one a line, "SIM" last.
class PortsCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;

    // The lines it prints for these names (as PortNames::available gives them) and by-id names.
    [[nodiscard]] static QStringList lines(const QStringList& available, const QMap<QString, QStringList>& byId);
};
