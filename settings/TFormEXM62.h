#pragma once

#include "TFormEinstBase.h"

// Settings of the I/O module.
class TFormEXM62 : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEXM62(Link& link, QWidget* owner);
};
