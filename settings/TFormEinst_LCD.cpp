#include "TFormEinst_LCD.h"

#include "RichLog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFormEinst_LCD::TFormEinst_LCD(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEinst_LCD"));
    setWindowTitle(QStringLiteral("Einstellungen  LCD Modul"));
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
