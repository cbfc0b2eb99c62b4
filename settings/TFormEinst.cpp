#include "TFormEinst.h"

#include "HandlerBoundary.h"
#include "RichLog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormEinst::TFormEinst(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEinst"));
    setWindowTitle(QStringLiteral("Einstellungen Velmar R1, R07, R08"));
    setDesignSize(845, 760);
    buildHardwareBox();

    Button1 = makeButton("Button1", QStringLiteral("read"));
    Button2 = makeButton("Button2", QStringLiteral("write"));
    for (auto* b : {Button1, Button2})
        b->setMinimumWidth(px(100));
    connect(Button1, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst::readOnClick));
    connect(Button2, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst::writeOnClick));
    connect(BrReadResetCounter, &QPushButton::clicked, this,
            HandlerBoundary::slot(this, &TFormEinst::ONClickReadReset));
    connect(BtResetCounter, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst::ONClickResetCounter));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(BrClear);
    clearRow->addStretch(1);
    layout->addLayout(clearRow);
    layout->addSpacing(px(12));
    auto* boxRow = new QHBoxLayout;
    boxRow->addWidget(GBoxLCD);
    boxRow->addStretch(1);
    layout->addLayout(boxRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addLayout(debugTelegramRow());
    auto* counters = new QHBoxLayout;
    counters->addWidget(BrReadResetCounter);
    counters->addWidget(BtResetCounter);
    counters->addStretch(1);
    layout->addLayout(counters);
}

void TFormEinst::buildHardwareBox()
{
    GBoxLCD = makeLightBox("GBoxLCD", QStringLiteral("hardware selection"));
    GBoxLCD->setMinimumWidth(px(360));
    auto* rows = new QVBoxLayout(GBoxLCD);
    auto* group = new QButtonGroup(GBoxLCD);
    RBLcdOff = addRadio(GBoxLCD, rows, group, "RBLcdOff", BaseBoardConfig::LcdOffText);
    RBLcdOnBoard = addRadio(GBoxLCD, rows, group, "RBLcdOnBoard", BaseBoardConfig::LcdOnBoardText);
    RBLcdOnI2C = addRadio(GBoxLCD, rows, group, "RBLcdOnI2C", BaseBoardConfig::LcdOnI2CText);
    RBLcdOnRS232 = addRadio(GBoxLCD, rows, group, "RBLcdOnRS232", BaseBoardConfig::LcdOnRS232Text);
    rows->addSpacing(px(8));
    CB_0x40 = addCheck(GBoxLCD, rows, "CB_0x40", BaseBoardConfig::CanText);
    CB_0x10 = addCheck(GBoxLCD, rows, "CB_0x10", BaseBoardConfig::ClockText);
    CB_0x20 = addCheck(GBoxLCD, rows, "CB_0x20", BaseBoardConfig::ButtonText);
    RBLcdOff->setChecked(true);
}

void TFormEinst::MainFormShow()
{
    TFormEinstBase::MainFormShow();
    hw_selection();
}

void TFormEinst::readOnClick() { hw_selection(); }

void TFormEinst::ONClickReadReset() { readResetCounters(); }

void TFormEinst::ONClickResetCounter() { clearResetCounters(); }

void TFormEinst::hw_selection()
{
    if (steps().refuseIfBusy(QStringLiteral("read")))
        return;
    if (const auto b = BaseBoardConfig::read(steps()))
        showSelection(BaseBoardConfig::fromByte(*b));
}

void TFormEinst::writeOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("write")))
        return;
    BaseBoardConfig::write(steps(), selection().toByte());
}

QRadioButton* TFormEinst::lcdButton(BaseBoardConfig::Lcd lcd) const
{
    switch (lcd) {
    case BaseBoardConfig::Lcd::OnBoard: return RBLcdOnBoard;
    case BaseBoardConfig::Lcd::OnI2C: return RBLcdOnI2C;
    case BaseBoardConfig::Lcd::OnRS232: return RBLcdOnRS232;
    case BaseBoardConfig::Lcd::Off: break;
    }
    return RBLcdOff;
}

BaseBoardConfig TFormEinst::selection() const
{
    BaseBoardConfig c;
    for (auto lcd : {BaseBoardConfig::Lcd::OnBoard, BaseBoardConfig::Lcd::OnI2C, BaseBoardConfig::Lcd::OnRS232})
        if (lcdButton(lcd)->isChecked())
            c.lcd = lcd;
    c.clock = CB_0x10->isChecked();
    c.button = CB_0x20->isChecked();
    c.can = CB_0x40->isChecked();
    return c;
}

void TFormEinst::showSelection(const BaseBoardConfig& config)
{
    CB_0x40->setChecked(config.can);
    lcdButton(config.lcd)->setChecked(true);
    CB_0x10->setChecked(config.clock);
    CB_0x20->setChecked(config.button);
}
