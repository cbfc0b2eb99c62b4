#pragma once

#include "Link.h"
#include "RecordingLog.h"
#include "StubPortBackend.h"
#include "TCustomComPort.h"

// A link over a stub port: the test sees every byte written and feeds the answers.
struct StubRig {
    RecordingLog terminal;
    TCustomComPort port;
    Link link{port, terminal};
    StubPortBackend* stub = nullptr;
    QString name;

    StubRig()
    {
        static int counter = 0;
        name = QStringLiteral("STUBRIG%1").arg(++counter);
        TCustomComPort::RegisterBackend(name, [this](const QString&) {
            auto b = std::make_unique<StubPortBackend>();
            stub = b.get();
            return b;
        });
        link.ConnectDispatcher();
        port.SetPort(name);
        port.Open();
    }
    ~StubRig()
    {
        try {
            port.Close();
        } catch (...) {
        }
        TCustomComPort::UnregisterBackend(name);
    }
    ReceiveDispatcher& rx() { return link.rx(); }
};
