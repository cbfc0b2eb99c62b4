#pragma once

#include "Link.h"
#include "RecordingLog.h"
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"

#include <QString>

// A simulated board on the in-process port, with the link over it and a recording terminal.
// The port name is unique per rig so that several rigs can live in one test.
struct SimRig {
    SimBoard board;
    RecordingLog terminal;
    TCustomComPort port;
    Link link{port, terminal};
    SimPortBackend* backend = nullptr;
    QString name;

    explicit SimRig(bool paced = false)
    {
        static int counter = 0;
        name = QStringLiteral("SIMRIG%1").arg(++counter);
        TCustomComPort::RegisterBackend(name, [this, paced](const QString&) {
            auto b = std::make_unique<SimPortBackend>(&board);
            b->setPaced(paced);
            backend = b.get();
            return b;
        });
        link.ConnectDispatcher();
        port.SetPort(name);
        port.Open();
    }
    ~SimRig()
    {
        try {
            port.Close();
        } catch (...) {
        }
        TCustomComPort::UnregisterBackend(name);
    }
};
