#include "TFormEinst_K03.h"

#include "HandlerBoundary.h"
#include "Link.h"
#include "Prompts.h"
#include "RichLog.h"
#include "SdCardCopy.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

const QString TFormEinst_K03::FileFilter = QStringLiteral("Byte Code (*.txt)|*.txt|alle Dateien (*.*)|*.*");
const QString TFormEinst_K03::DefaultExtension = QStringLiteral("*.txt");

TFormEinst_K03::TFormEinst_K03(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEinst_K03"));
    setWindowTitle(QStringLiteral("Einstellungen ATmega128 & AT90CAN128"));
    setDesignSize(845, 751);
    buildHardwareBox();

    Button1 = makeButton("Button1", QStringLiteral("read"));
    Button2 = makeButton("Button2", QStringLiteral("write"));
    for (auto* b : {Button1, Button2})
        b->setMinimumWidth(px(100));
    connect(Button1, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_K03::readOnClick));
    connect(Button2, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_K03::writeOnClick));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    layout->addLayout(debugTelegramRow());
    layout->addLayout(buttonRow({BrReadResetCounter, BtResetCounter, BrClear}));
    layout->addSpacing(px(12));

    auto* lower = new QHBoxLayout;
    auto* settings = new QVBoxLayout;
    settings->addWidget(GBoxLCD);
    auto* readWrite = new QHBoxLayout;
    readWrite->addWidget(Button1);
    readWrite->addWidget(Button2);
    readWrite->addStretch(1);
    settings->addLayout(readWrite);
    settings->addStretch(1);
    lower->addLayout(settings);
    lower->addSpacing(px(48));
    lower->addLayout(buildCopyColumn());
    lower->addStretch(1);
    layout->addLayout(lower);
}

void TFormEinst_K03::buildHardwareBox()
{
    GBoxLCD = makeLightBox("GBoxLCD", QStringLiteral("hw selection"));
    GBoxLCD->setMinimumWidth(px(360));
    auto* rows = new QVBoxLayout(GBoxLCD);
    m_lcd = addLcdChoices(GBoxLCD, rows);
    RBLcdOff = m_lcd.off;
    RBLcdOnBoard = m_lcd.onBoard;
    RBLcdOnI2C = m_lcd.onI2C;
    RBLcdOnRS232 = m_lcd.onRS232;
    rows->addSpacing(px(8));
    CB_0x10 = addCheck(GBoxLCD, rows, "CB_0x10", CpuBoardConfig::ClockText);
    CB_0x20 = addCheck(GBoxLCD, rows, "CB_0x20", CpuBoardConfig::ButtonText);
    CB_0x40 = addCheck(GBoxLCD, rows, "CB_0x40", CpuBoardConfig::SdCardText);
}

QLayout* TFormEinst_K03::buildCopyColumn()
{
    LabelCopy = new QLabel(QStringLiteral("copy text files "), this);
    LabelCopy->setObjectName(QStringLiteral("LabelCopy"));
    QFont underlined = LabelCopy->font();
    underlined.setUnderline(true);
    LabelCopy->setFont(underlined);
    ButtonUF = makeButton("ButtonUF", QStringLiteral("upload file"));
    ButtonDF = makeButton("ButtonDF", QStringLiteral("download file"));
    connect(ButtonUF, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_K03::ButtonUFClick));
    connect(ButtonDF, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_K03::ButtonDFClick));

    auto* column = new QVBoxLayout;
    column->addWidget(LabelCopy);
    auto* pair = new QHBoxLayout;
    const auto side = [&](const QString& caption, QPushButton* button) {
        auto* c = new QVBoxLayout;
        c->addWidget(new QLabel(caption, this));
        c->addWidget(button);
        pair->addLayout(c);
    };
    side(QStringLiteral("SD-Card => PC"), ButtonUF);
    side(QStringLiteral("PC => SD-Card"), ButtonDF);
    column->addLayout(pair);
    column->addStretch(1);
    return column;
}

void TFormEinst_K03::MainFormShow()
{
    TFormEinstBase::MainFormShow();
    hw_selection();
}

void TFormEinst_K03::readOnClick() { hw_selection(); }

void TFormEinst_K03::hw_selection()
{
    if (steps().refuseIfBusy(QStringLiteral("read")))
        return;
    if (const auto b = CpuBoardConfig::read(steps()))
        showSelection(CpuBoardConfig::fromByte(*b));
}

void TFormEinst_K03::writeOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("write")))
        return;
    CpuBoardConfig::write(steps(), selection().toByte());
}

void TFormEinst_K03::ButtonDFClick()
{
    if (steps().refuseIfBusy(QStringLiteral("download file")))
        return;
    RichEdit->setColor(LogColors::Green);
    const QString path = chooseFile(Prompts::openFile);
    if (path.isEmpty())
        return;
    (void)SdCardCopy(steps()).download(path);
}

void TFormEinst_K03::ButtonUFClick()
{
    if (steps().refuseIfBusy(QStringLiteral("upload file")))
        return;
    RichEdit->setColor(LogColors::Green);
    const QString path = chooseFile(Prompts::saveFile);
    if (path.isEmpty())
        return;
    (void)SdCardCopy(steps()).upload(path);
}

QString TFormEinst_K03::chooseFile(QString (*prompt)(QWidget*, const QString&, const QString&, const QString&,
                                                     const QString&))
{
    // The line is held while the user chooses, so that no timer starts an exchange meanwhile.
    Link::Hold choosing(m_link);
    return prompt(this, QString(), FileFilter, DefaultExtension, QString());
}

CpuBoardConfig TFormEinst_K03::selection() const
{
    CpuBoardConfig c;
    c.lcd = m_lcd.selected();
    c.clock = CB_0x10->isChecked();
    c.button = CB_0x20->isChecked();
    c.sdCard = CB_0x40->isChecked();
    return c;
}

void TFormEinst_K03::showSelection(const CpuBoardConfig& config)
{
    m_lcd.show(config.lcd);
    CB_0x10->setChecked(config.clock);
    CB_0x20->setChecked(config.button);
    CB_0x40->setChecked(config.sdCard);
}
