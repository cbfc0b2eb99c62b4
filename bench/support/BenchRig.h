#pragma once

#include "CpuClock.h"
#include "Link.h"
#include "LogSink.h"
#include "SimProcess.h"
#include "TComPort.h"

#include <QStringList>
#include <cstdio>

// A log that keeps nothing: benchmarks measure the line, not the window.
struct NullLog : LogSink {
    void addLine(const QString&) override {}
    void append(const QString&) override {}
    void setColor(LogColor) override {}
    void clear() override {}
};

// The velmar-sim program on a pseudo-terminal, opened with the real port code, and a link
// over it.
struct PtyBoard {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    NullLog log;
    TComPort port;
    Link link{port, log};
    bool ok = false;

    explicit PtyBoard(const QStringList& simArguments)
    {
        if (!sim.start(simArguments)) {
            std::printf("velmar-sim did not start\n");
            return;
        }
        link.ConnectDispatcher();
        port.SetPort(sim.devicePath());
        port.Open();
        ok = true;
    }
};
