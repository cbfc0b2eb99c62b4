#pragma once

#include "VelmarError.h"

// A text that does not convert to a number, for example a telegram group that is not hex.
class EConvertError : public VelmarError {
public:
    using VelmarError::VelmarError;
};
