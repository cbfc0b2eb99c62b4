#include "SimPort.h"

#include "PortNames.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"

SimPort::SimPort()
{
    TCustomComPort::RegisterBackend(PortNames::simulatedBoard(), [this](const QString&) {
        auto line = std::make_unique<SimPortBackend>(&m_board);
        line->setPaced(true);
        return line;
    });
}

SimPort::~SimPort() { TCustomComPort::UnregisterBackend(PortNames::simulatedBoard()); }
