#include "TFormEXM62.h"

#include "HandlerBoundary.h"
#include "HexText.h"
#include "IoModuleAddress.h"
#include "RichLog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormEXM62::TFormEXM62(Link& link, QWidget* owner) : TFormEinstBase(link, owner)
{
    setObjectName(QStringLiteral("FormEXM62"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setDesignSize(845, 690);

    GBoxOW = new QGroupBox(QStringLiteral("I2C Adresse "), this);
    GBoxOW->setObjectName(QStringLiteral("GBoxOW"));
    EditI2C = new QLineEdit(GBoxOW);
    EditI2C->setObjectName(QStringLiteral("EditI2C"));
    EditI2C->setMaximumWidth(px(120));
    auto* boxLayout = new QHBoxLayout(GBoxOW);
    boxLayout->addWidget(EditI2C);
    boxLayout->addStretch(1);
    GBoxOW->setMinimumWidth(px(250));

    Button1 = makeButton("Button1", QStringLiteral("read"));
    Button2 = makeButton("Button2", QStringLiteral("write"));
    connect(Button1, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEXM62::readOnClick));
    connect(Button2, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormEXM62::writeOnClick));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RichEdit, 1);
    layout->addLayout(buttonRow({BrReadResetCounter, BtResetCounter, BrClear}));
    layout->addSpacing(px(24));
    auto* boxRow = new QHBoxLayout;
    boxRow->addWidget(GBoxOW);
    boxRow->addStretch(1);
    layout->addLayout(boxRow);
    auto* readWrite = new QHBoxLayout;
    readWrite->addWidget(Button1);
    readWrite->addWidget(Button2);
    readWrite->addStretch(1);
    layout->addLayout(readWrite);
    layout->addLayout(debugTelegramRow());
}

void TFormEXM62::readOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("read")))
        return;
    if (const auto b = IoModuleAddress::read(steps()))
        EditI2C->setText(ByteToHexDigits(*b));
}

void TFormEXM62::writeOnClick()
{
    if (steps().refuseIfBusy(QStringLiteral("write")))
        return;
    (void)IoModuleAddress::write(steps(), EditI2C->text());
}

