#pragma once

#include "BaseBoardConfig.h"
#include "TFormEinstBase.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Settings of the base boards: the configuration byte at EEPROM 0x0002, read on show and by
// "read", written by "write"; the reset counters.
class TFormEinst : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEinst(Link& link, QWidget* owner);

    QGroupBox* GBoxLCD = nullptr;
    QRadioButton* RBLcdOff = nullptr;
    QRadioButton* RBLcdOnBoard = nullptr;
    QRadioButton* RBLcdOnI2C = nullptr;
    QRadioButton* RBLcdOnRS232 = nullptr;
    QCheckBox* CB_0x10 = nullptr;
    QCheckBox* CB_0x20 = nullptr;
    QCheckBox* CB_0x40 = nullptr;
    QPushButton* Button1 = nullptr; // "read"
    QPushButton* Button2 = nullptr; // "write"

    void MainFormShow() override;
    void readOnClick();
    void writeOnClick();
    // The read itself, run on show and by "read".
    void hw_selection();

    // The controls as a configuration, and back.
    [[nodiscard]] BaseBoardConfig selection() const;
    void showSelection(const BaseBoardConfig& config);

private:
    LcdChoices m_lcd;
    void buildHardwareBox();
};
