#include "TFormEinstBase.h"

#include "HandlerBoundary.h"
#include "Link.h"
#include "ResetCounters.h"
#include "RichLog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>

TFormEinstBase::TFormEinstBase(Link& link, QWidget* owner)
    : QDialog(owner),
      RichEdit(new RichLog(this)),
      m_link(link),
      m_steps(link, *RichEdit)
{
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setColor(LogColors::Yellow);
    RichEdit->setMinimumSize(px(745), px(169));

    BrClear = makeButton("BrClear", QStringLiteral("clear window"));
    connect(BrClear, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEinstBase::ONClick_ClearWindow));
    BrReadResetCounter = makeButton("BrReadResetCounter", QStringLiteral("read reset counter"));
    BtResetCounter = makeButton("BtResetCounter", QStringLiteral("clear reset counter"));
    connect(BrReadResetCounter, &QPushButton::clicked, this,
            HandlerBoundary::slot(this, &TFormEinstBase::ONClickReadReset));
    connect(BtResetCounter, &QPushButton::clicked, this,
            HandlerBoundary::slot(this, &TFormEinstBase::ONClickResetCounter));

    CBDebugTelegram = new QCheckBox(this);
    CBDebugTelegram->setObjectName(QStringLiteral("CBDebugTelegram"));
    LabelDebugTelegram = new QLabel(QStringLiteral("Debug Telegramm"), this);
    connect(CBDebugTelegram, &QCheckBox::clicked, this,
            HandlerBoundary::slot(this, &TFormEinstBase::CBDebugTelegram_OnClick));
}

int TFormEinstBase::px(int designPixels) const { return int(designPixels * logicalDpiX() / 120.0 + 0.5); }

void TFormEinstBase::setDesignSize(int width, int height) { resize(px(width), px(height)); }

QLayout* TFormEinstBase::boxWithLabel(QWidget* box, QLabel* label)
{
    auto* row = new QHBoxLayout;
    row->addWidget(box);
    row->addWidget(label);
    row->addStretch(1);
    return row;
}

QLayout* TFormEinstBase::buttonRow(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch(1);
    return row;
}

TFormEinstBase::LcdChoices TFormEinstBase::addLcdChoices(QGroupBox* box, QBoxLayout* layout)
{
    auto* group = new QButtonGroup(box);
    LcdChoices c;
    c.off = addRadio(box, layout, group, "RBLcdOff", BaseBoardConfig::LcdOffText);
    c.onBoard = addRadio(box, layout, group, "RBLcdOnBoard", BaseBoardConfig::LcdOnBoardText);
    c.onI2C = addRadio(box, layout, group, "RBLcdOnI2C", BaseBoardConfig::LcdOnI2CText);
    c.onRS232 = addRadio(box, layout, group, "RBLcdOnRS232", BaseBoardConfig::LcdOnRS232Text);
    c.off->setChecked(true);
    return c;
}

BaseBoardConfig::Lcd TFormEinstBase::LcdChoices::selected() const
{
    using Lcd = BaseBoardConfig::Lcd;
    // The last one checked wins, as when the byte has more than one LCD bit.
    Lcd lcd = Lcd::Off;
    if (onBoard->isChecked())
        lcd = Lcd::OnBoard;
    if (onI2C->isChecked())
        lcd = Lcd::OnI2C;
    if (onRS232->isChecked())
        lcd = Lcd::OnRS232;
    return lcd;
}

void TFormEinstBase::LcdChoices::show(BaseBoardConfig::Lcd lcd) const
{
    switch (lcd) {
    case BaseBoardConfig::Lcd::OnBoard: onBoard->setChecked(true); return;
    case BaseBoardConfig::Lcd::OnI2C: onI2C->setChecked(true); return;
    case BaseBoardConfig::Lcd::OnRS232: onRS232->setChecked(true); return;
    case BaseBoardConfig::Lcd::Off: break;
    }
    off->setChecked(true);
}

QPushButton* TFormEinstBase::makeButton(const char* name, const QString& text)
{
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QGroupBox* TFormEinstBase::makeLightBox(const char* name, const QString& title)
{
    auto* box = new QGroupBox(title, this);
    const QString id = QString::fromLatin1(name);
    box->setObjectName(id);
    box->setStyleSheet(QStringLiteral("QGroupBox#%1 { background: palette(light); border: 1px solid palette(mid);"
                                      " border-radius: 3px; margin-top: 1.1em; padding-top: 0.4em; }"
                                      "QGroupBox#%1::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }")
                           .arg(id));
    return box;
}

QRadioButton* TFormEinstBase::addRadio(QGroupBox* box, QBoxLayout* layout, QButtonGroup* group, const char* name,
                                       const QString& text)
{
    auto* rb = new QRadioButton(box);
    rb->setObjectName(QString::fromLatin1(name));
    if (group)
        group->addButton(rb);
    layout->addLayout(boxWithLabel(rb, new QLabel(text, box)));
    return rb;
}

QCheckBox* TFormEinstBase::addCheck(QGroupBox* box, QBoxLayout* layout, const char* name, const QString& text)
{
    auto* cb = new QCheckBox(box);
    cb->setObjectName(QString::fromLatin1(name));
    layout->addLayout(boxWithLabel(cb, new QLabel(text, box)));
    return cb;
}

void TFormEinstBase::ONClickReadReset()
{
    if (m_steps.refuseIfBusy(QStringLiteral("read reset counter")))
        return;
    (void)ResetCounters::read(m_steps);
}

void TFormEinstBase::ONClickResetCounter()
{
    if (m_steps.refuseIfBusy(QStringLiteral("clear reset counter")))
        return;
    (void)ResetCounters::clear(m_steps);
}

QLayout* TFormEinstBase::debugTelegramRow() { return boxWithLabel(CBDebugTelegram, LabelDebugTelegram); }

void TFormEinstBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once: restoring a minimised dialog shows it again but must not clear and re-read.
    if (event->spontaneous() || m_shownOnce)
        return;
    m_shownOnce = true;
    // After the window is up, so that the user sees the steps of a read on show; an error
    // of that read ends there and goes to the general error handler.
    QTimer::singleShot(0, this, HandlerBoundary::wrap([this] { MainFormShow(); }));
}

void TFormEinstBase::MainFormShow()
{
    RichEdit->clear();
    RichEdit->setColor(LogColors::Yellow);
}

void TFormEinstBase::ONClick_ClearWindow() { RichEdit->clear(); }

void TFormEinstBase::CBDebugTelegram_OnClick()
{
    if (CBDebugTelegram->isChecked())
        m_link.SetTelegramEcho();
    else
        m_link.ClearTelegramEcho();
}
