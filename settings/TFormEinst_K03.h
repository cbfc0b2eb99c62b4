#pragma once

#include "CpuBoardConfig.h"
#include "TFormEinstBase.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// Settings of the CPU board with the SD card: the configuration byte at EEPROM 0x0002, read
// on show and by "read", written by "write"; the reset counters; text files copied between
// the PC and the SD card.
class TFormEinst_K03 : public TFormEinstBase {
    Q_OBJECT
public:
    TFormEinst_K03(Link& link, QWidget* owner);

    // The file dialogs of both copies offer these.
    static const QString FileFilter;
    static const QString DefaultExtension;

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
    QLabel* LabelCopy = nullptr;
    QPushButton* ButtonUF = nullptr; // "upload file", SD card to PC
    QPushButton* ButtonDF = nullptr; // "download file", PC to SD card

    void MainFormShow() override;
    void readOnClick();
    void writeOnClick();
    // The read itself, run on show and by "read".
    void hw_selection();
    void ButtonDFClick();
    void ButtonUFClick();

    // The controls as a configuration, and back.
    [[nodiscard]] CpuBoardConfig selection() const;
    void showSelection(const CpuBoardConfig& config);

private:
    // The PC file of a copy, asked for through `prompt`; empty when the user cancelled.
    QString chooseFile(QString (*prompt)(QWidget*, const QString&, const QString&, const QString&, const QString&));
    LcdChoices m_lcd;
    void buildHardwareBox();
    QLayout* buildCopyColumn();
};
