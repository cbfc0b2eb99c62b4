#pragma once

#include "TFormEinstBase.h"

// Settings of the CPU board with the SD card.
class TFormEinst_K03 : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEinst_K03(Link& link, QWidget* owner);
};
