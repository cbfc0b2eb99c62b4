#include "TFormEinst_K03.h"

#include "RichLog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFormEinst_K03::TFormEinst_K03(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEinst_K03"));
    setWindowTitle(QStringLiteral("Einstellungen ATmega128 & AT90CAN128"));
    setDesignSize(845, 751);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    layout->addLayout(debugTelegramRow());
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BrClear);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}
