#pragma once

#include "Link.h"
#include "RecordingLog.h"
#include "SimProcess.h"
#include "TCustomComPort.h"

#include <QStringList>
#include <gtest/gtest.h>

// The velmar-sim program (VELMAR_SIM_PROGRAM of the test) started with `args`, and the link
// over the real port code on its pseudo-terminal, or on the link `linkPath` it makes to it.
// A test asserts `started` before it uses the port.
struct SimProcessRig {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    RecordingLog terminal;
    TCustomComPort port;
    Link link{port, terminal};
    bool started = false;

    explicit SimProcessRig(const QStringList& args = {}, const QString& linkPath = {})
    {
        QStringList all = args;
        if (!linkPath.isEmpty())
            all << "--link" << linkPath;
        started = sim.start(all);
        if (!started)
            return;
        link.ConnectDispatcher();
        port.SetPort(linkPath.isEmpty() ? sim.devicePath() : linkPath);
        port.Open();
    }
};
