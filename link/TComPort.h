#pragma once

#include "TCustomComPort.h"

// The port component as the main window owns it.
class TComPort : public TCustomComPort {
    Q_OBJECT
public:
    using TCustomComPort::TCustomComPort;
};
