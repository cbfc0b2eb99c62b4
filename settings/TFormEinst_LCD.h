#pragma once

#include "TFormEinstBase.h"

// Settings of the LCD module.
class TFormEinst_LCD : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEinst_LCD(Link& link, QWidget* owner);
};
