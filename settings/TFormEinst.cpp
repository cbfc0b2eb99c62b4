#include "TFormEinst.h"

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

    Button1 = new QPushButton(QStringLiteral("read"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("write"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    for (auto* b : {Button1, Button2}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(px(100));
    }
    connect(Button1, &QPushButton::clicked, this, &TFormEinst::readOnClick);
    connect(Button2, &QPushButton::clicked, this, &TFormEinst::writeOnClick);

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
}

void TFormEinst::buildHardwareBox()
{
    GBoxLCD = new QGroupBox(QStringLiteral("hardware selection"), this);
    GBoxLCD->setObjectName(QStringLiteral("GBoxLCD"));
    // A light box; its caption stays on the dialog's background.
    GBoxLCD->setStyleSheet(QStringLiteral(
        "QGroupBox#GBoxLCD { background: palette(light); border: 1px solid palette(mid); border-radius: 3px;"
        " margin-top: 1.1em; padding-top: 0.4em; }"
        "QGroupBox#GBoxLCD::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"));
    GBoxLCD->setMinimumWidth(px(360));

    auto* grid = new QVBoxLayout(GBoxLCD);
    auto* group = new QButtonGroup(GBoxLCD);
    auto radio = [&](const char* name, const QString& text) {
        auto* rb = new QRadioButton(GBoxLCD);
        rb->setObjectName(QString::fromLatin1(name));
        group->addButton(rb);
        grid->addLayout(boxWithLabel(rb, new QLabel(text, GBoxLCD)));
        return rb;
    };
    auto check = [&](const char* name, const QString& text) {
        auto* cb = new QCheckBox(GBoxLCD);
        cb->setObjectName(QString::fromLatin1(name));
        grid->addLayout(boxWithLabel(cb, new QLabel(text, GBoxLCD)));
        return cb;
    };
    RBLcdOff = radio("RBLcdOff", QStringLiteral("LCD disabled"));
    RBLcdOnBoard = radio("RBLcdOnBoard", QStringLiteral("LCD on board enabled"));
    RBLcdOnI2C = radio("RBLcdOnI2C", QStringLiteral("LCD on I2C bus enabled"));
    RBLcdOnRS232 = radio("RBLcdOnRS232", QStringLiteral("LCD on RS232 enabled"));
    grid->addSpacing(px(8));
    CB_0x40 = check("CB_0x40", QStringLiteral("CAN Controller disable / enable"));
    CB_0x10 = check("CB_0x10", QStringLiteral("Harware Uhr disable / enable"));
    CB_0x20 = check("CB_0x20", QStringLiteral("push button on LCD Display"));
    RBLcdOff->setChecked(true);
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
    c.cb0x10 = CB_0x10->isChecked();
    c.cb0x20 = CB_0x20->isChecked();
    c.cb0x40 = CB_0x40->isChecked();
    return c;
}

void TFormEinst::showSelection(const BaseBoardConfig& config)
{
    CB_0x40->setChecked(config.cb0x40);
    lcdButton(config.lcd)->setChecked(true);
    CB_0x10->setChecked(config.cb0x10);
    CB_0x20->setChecked(config.cb0x20);
}
