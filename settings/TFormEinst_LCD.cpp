#include "TFormEinst_LCD.h"

#include "BaseBoardConfig.h"
#include "HandlerBoundary.h"
#include "LcdModuleConfig.h"
#include "RichLog.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormEinst_LCD::TFormEinst_LCD(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEinst_LCD"));
    setWindowTitle(QStringLiteral("Einstellungen  LCD Modul"));
    setDesignSize(845, 690);

    GBoxLCD = makeLightBox("GBoxLCD", QStringLiteral("LCD Schnittstelle"));
    GBoxLCD->setMinimumWidth(px(280));
    auto* rows = new QVBoxLayout(GBoxLCD);
    // A group of its own: a lone radio button would otherwise let a second click clear it.
    RBLcdOnI2C = addRadio(GBoxLCD, rows, new QButtonGroup(GBoxLCD), "RBLcdOnI2C", BaseBoardConfig::LcdOnI2CText);
    Button1 = makeButton("Button1", QStringLiteral("read"));
    Button2 = makeButton("Button2", QStringLiteral("write"));
    connect(Button1, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_LCD::readOnClick));
    connect(Button2, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_LCD::writeOnClick));
    buildTableBox();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    layout->addLayout(buttonRow({BrReadResetCounter, BtResetCounter, BrClear}));
    layout->addSpacing(px(12));

    auto* lower = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(GBoxLCD);
    auto* readWrite = new QHBoxLayout;
    readWrite->addWidget(Button1);
    readWrite->addWidget(Button2);
    readWrite->addStretch(1);
    left->addLayout(readWrite);
    left->addStretch(1);
    left->addLayout(debugTelegramRow());
    lower->addLayout(left);
    lower->addSpacing(px(24));
    auto* right = new QVBoxLayout;
    right->addWidget(GroupBox1);
    auto* owButtons = new QHBoxLayout;
    owButtons->addWidget(BtOw_read);
    owButtons->addWidget(BtOw_write);
    owButtons->addStretch(1);
    right->addLayout(owButtons);
    lower->addLayout(right);
    lower->addStretch(1);
    layout->addLayout(lower);
}

void TFormEinst_LCD::buildTableBox()
{
    GroupBox1 = makeLightBox("GroupBox1", QStringLiteral("one wire 64 bit Adressen"));
    auto* grid = new QGridLayout(GroupBox1);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const auto edit = [&](const QString& name, int row, const QString& caption) {
        auto* e = new QLineEdit(GroupBox1);
        e->setObjectName(name);
        e->setFont(fixed);
        grid->addWidget(new QLabel(caption, GroupBox1), row, 0);
        grid->addWidget(e, row, 1);
        return e;
    };
    EditOwAnz = edit(QStringLiteral("EditOwAnz"), 0, QStringLiteral("Anzahl Bausteine"));
    EditOwAnz->setMaximumWidth(px(80));
    for (int n = 0; n < OneWireTable::Entries; ++n) {
        auto* e = edit(QStringLiteral("Edit_ow%1").arg(n), n + 1, QStringLiteral("# %1").arg(n));
        // Room for the 22 digits of an entry and a few more.
        e->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(26, QLatin1Char('0'))));
        Edit_ow[std::size_t(n)] = e;
    }
    BtOw_read = makeButton("BtOw_read", QStringLiteral("read"));
    BtOw_write = makeButton("BtOw_write", QStringLiteral("write"));
    connect(BtOw_read, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_LCD::OwReadOnClick));
    connect(BtOw_write, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinst_LCD::OwWriteOnClick));
}

void TFormEinst_LCD::readOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("read")))
        return;
    const auto b = LcdModuleConfig::read(steps());
    // A clear bit leaves the button as it is: it has no sibling to take the selection.
    if (b && (*b & LcdModuleConfig::LcdOnI2CBit))
        RBLcdOnI2C->setChecked(true);
}

void TFormEinst_LCD::writeOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("write")))
        return;
    LcdModuleConfig::write(steps(), RBLcdOnI2C->isChecked());
}

void TFormEinst_LCD::OwReadOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("read 1-Wire table")))
        return;
    const auto texts = OneWireTable::read(steps());
    // An entry whose telegram brought no data keeps its text.
    if (texts.count)
        EditOwAnz->setText(*texts.count);
    for (std::size_t n = 0; n < Edit_ow.size(); ++n)
        if (texts.entries[n])
            Edit_ow[n]->setText(*texts.entries[n]);
}

void TFormEinst_LCD::OwWriteOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("write 1-Wire table")))
        return;
    std::array<QString, OneWireTable::Entries> entries;
    for (std::size_t n = 0; n < Edit_ow.size(); ++n)
        entries[n] = Edit_ow[n]->text();
    OneWireTable::write(steps(), EditOwAnz->text(), entries);
}
