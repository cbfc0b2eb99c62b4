#pragma once

#include "OneWireTable.h"
#include "TFormEinstBase.h"

#include <array>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Settings of the LCD module: whether its LCD is driven over the I2C bus (bit 2 of the
// configuration byte), the 1-Wire table of up to eight devices, and the reset counters.
// Nothing is read on show.
class TFormEinst_LCD : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEinst_LCD(Link& link, QWidget* owner);

    QGroupBox* GBoxLCD = nullptr;
    // The only radio button of its box: once selected it stays selected.
    QRadioButton* RBLcdOnI2C = nullptr;
    QPushButton* Button1 = nullptr; // "read"
    QPushButton* Button2 = nullptr; // "write"
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* EditOwAnz = nullptr;
    std::array<QLineEdit*, OneWireTable::Entries> Edit_ow{}; // Edit_ow0 .. Edit_ow7
    QPushButton* BtOw_read = nullptr;
    QPushButton* BtOw_write = nullptr;

    void readOnClick();
    void writeOnClick();
    void OwReadOnClick();
    // A count that is not hex ends the handler with the conversion error before anything of
    // the table is written.
    void OwWriteOnClick();

private:
    void buildTableBox();
};
