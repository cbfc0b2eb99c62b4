#pragma once

#include "VelmarError.h"

// A file that cannot be opened, created or written; the message names the file and the
// system's reason.
class EInOutError : public VelmarError {
public:
    using VelmarError::VelmarError;
};
