#include "TFormEinstBase.h"

#include "Link.h"
#include "RichLog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
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

    BrClear = new QPushButton(QStringLiteral("clear window"), this);
    BrClear->setObjectName(QStringLiteral("BrClear"));
    BrClear->setAutoDefault(false);
    connect(BrClear, &QPushButton::clicked, this, &TFormEinstBase::ONClick_ClearWindow);

    CBDebugTelegram = new QCheckBox(this);
    CBDebugTelegram->setObjectName(QStringLiteral("CBDebugTelegram"));
    LabelDebugTelegram = new QLabel(QStringLiteral("Debug Telegramm"), this);
    connect(CBDebugTelegram, &QCheckBox::clicked, this, &TFormEinstBase::CBDebugTelegram_OnClick);
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

QLayout* TFormEinstBase::debugTelegramRow() { return boxWithLabel(CBDebugTelegram, LabelDebugTelegram); }

void TFormEinstBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once: restoring a minimised dialog shows it again but must not clear and re-read.
    if (event->spontaneous() || m_shownOnce)
        return;
    m_shownOnce = true;
    // After the window is up, so that the user sees the steps of a read on show; an error
    // of that read reaches the general error handler from the event loop.
    QTimer::singleShot(0, this, [this] { MainFormShow(); });
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
