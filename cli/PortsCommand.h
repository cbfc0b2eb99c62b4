#pragma once

#include "Command.h"

#include <QMap>
#include <QStringList>
#include <functional>

// "ports": the serial devices with their /dev/serial/by-id names and what they are, one a line,
// "SIM" last.
class PortsCommand : public Command {
public:
    using Command::Command;
    [[nodiscard]] Outcome run() override;

    // The lines it prints for these names (as PortNames::available gives them), by-id names
    // and descriptions (as PortNames::describePort gives them; none without one).
    using Describe = std::function<QString(const QString& portName)>;
    [[nodiscard]] static QStringList lines(const QStringList& available, const QMap<QString, QStringList>& byId,
                                           const Describe& describe = {});
};
