#include "TFormEinst.h"

#include "HandlerBoundary.h"
#include "RichLog.h"

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

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    layout->addLayout(buttonRow({BrClear}));
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
    layout->addLayout(buttonRow({BrReadResetCounter, BtResetCounter}));
}

void TFormEinst::buildHardwareBox()
{
    GBoxLCD = makeLightBox("GBoxLCD", QStringLiteral("hardware selection"));
    GBoxLCD->setMinimumWidth(px(360));
    auto* rows = new QVBoxLayout(GBoxLCD);
    m_lcd = addLcdChoices(GBoxLCD, rows);
    RBLcdOff = m_lcd.off;
    RBLcdOnBoard = m_lcd.onBoard;
    RBLcdOnI2C = m_lcd.onI2C;
    RBLcdOnRS232 = m_lcd.onRS232;
    rows->addSpacing(px(8));
    CB_0x40 = addCheck(GBoxLCD, rows, "CB_0x40", BaseBoardConfig::CanText);
    CB_0x10 = addCheck(GBoxLCD, rows, "CB_0x10", BaseBoardConfig::ClockText);
    CB_0x20 = addCheck(GBoxLCD, rows, "CB_0x20", BaseBoardConfig::ButtonText);
}

void TFormEinst::MainFormShow()
{
    TFormEinstBase::MainFormShow();
    hw_selection();
}

void TFormEinst::readOnClick() { hw_selection(); }

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

BaseBoardConfig TFormEinst::selection() const
{
    BaseBoardConfig c;
    c.lcd = m_lcd.selected();
    c.clock = CB_0x10->isChecked();
    c.button = CB_0x20->isChecked();
    c.can = CB_0x40->isChecked();
    return c;
}

void TFormEinst::showSelection(const BaseBoardConfig& config)
{
    CB_0x40->setChecked(config.can);
    m_lcd.show(config.lcd);
    CB_0x10->setChecked(config.clock);
    CB_0x20->setChecked(config.button);
}
