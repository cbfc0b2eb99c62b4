#include "TFormEXM62.h"

#include "RichLog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFormEXM62::TFormEXM62(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEXM62"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setDesignSize(845, 690);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BrClear);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    layout->addSpacing(px(24));
    layout->addLayout(debugTelegramRow());
}
