#include "TransferProgressBar.h"

#include "TransferProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TransferProgressBar::TransferProgressBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(true);
    m_bar->setFormat(QStringLiteral("%p %"));
    m_bar->setMinimumWidth(160);
    m_label = new QLabel(this);
    m_label->setMinimumWidth(
        m_label->fontMetrics().horizontalAdvance(QStringLiteral("verify: block 9999 of 9999, 99.9 kB/s, 9999 s left")));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setAutoDefault(false);
    m_cancel->setFocusPolicy(Qt::NoFocus);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancel->setEnabled(false);
        Q_EMIT cancelRequested();
    });
    layout->addWidget(m_bar);
    layout->addWidget(m_label);
    layout->addWidget(m_cancel);
    setVisible(false);
}

void TransferProgressBar::begin()
{
    m_bar->setValue(0);
    m_label->setText(QStringLiteral("connecting"));
    m_cancel->setEnabled(true);
    setVisible(true);
}

void TransferProgressBar::setProgress(const TransferProgress& progress)
{
    m_bar->setValue(progress.permille());
    m_label->setText(progress.text());
}

void TransferProgressBar::end() { setVisible(false); }

QString TransferProgressBar::text() const { return m_label->text(); }

int TransferProgressBar::value() const { return m_bar->value(); }
