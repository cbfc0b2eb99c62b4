#pragma once

#include "TFormEinstBase.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

// Settings of the I/O module: its I2C address (EEPROM 0x0003), read and written on request;
// the reset counters.
class TFormEXM62 : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEXM62(Link& link, QWidget* owner);

    QGroupBox* GBoxOW = nullptr;
    QLineEdit* EditI2C = nullptr;
    QPushButton* Button1 = nullptr; // "read"
    QPushButton* Button2 = nullptr; // "write"

    void readOnClick();
    // The edit's text as hex; a text that is not hex ends the handler with the conversion
    // error after the address select.
    void writeOnClick();
};
