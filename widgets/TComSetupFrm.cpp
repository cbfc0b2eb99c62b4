#include "TComSetupFrm.h"

#include "PortListModel.h"
#include "PortNames.h"
#include "PortReconnect.h"
#include "TCustomComPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

SetupDialogRunner& runner()
{
    static SetupDialogRunner r = [](TComSetupFrm& dialog) { return dialog.exec(); };
    return r;
}

QComboBox* makeList(const QStringList& items, const QString& current)
{
    auto* box = new QComboBox;
    box->addItems(items);
    box->setCurrentIndex(items.indexOf(current)); // -1 leaves it without a selection
    return box;
}

} // namespace

TComSetupFrm::TComSetupFrm(TCustomComPort& port, QWidget* parent, PortReconnect* reconnect)
    : QDialog(parent),
      m_port(port),
      m_reconnect(reconnect)
{
    setWindowTitle(QStringLiteral("Setup"));
    auto* group = new QGroupBox(QStringLiteral(" Settings "));
    auto* form = new QFormLayout(group);

    const QStringList ports = PortNames::available();
    QStringList descriptions;
    for (const QString& name : ports)
        descriptions << PortNames::describePort(name);
    ComboPort = new QComboBox;
    ComboPort->setEditable(true);
    PortList = new PortListModel(ports, descriptions, ComboPort);
    ComboPort->setModel(PortList);
    ComboPort->setCurrentIndex(int(ports.indexOf(port.Port()))); // -1 leaves it without a selection
    ComboPort->setEditText(port.Port());
    PortInfo = new QLabel;
    PortInfo->setWordWrap(true);
    connect(ComboPort, &QComboBox::editTextChanged, this, &TComSetupFrm::showPortInfo);
    showPortInfo(port.Port());
    ComboBaudRate = makeList(BaudRateTexts(), BaudRateToStr(port.BaudRate()));
    ComboDataBits = makeList(DataBitsTexts(), DataBitsToStr(port.DataBits()));
    ComboStopBits = makeList(StopBitsTexts(), StopBitsToStr(port.StopBits()));
    ComboParity = makeList(ParityTexts(), ParityToStr(port.Parity().Bits));
    ComboFlow = makeList(FlowControlTexts(), FlowControlToStr(port.FlowControlKind()));
    form->addRow(QStringLiteral("Port"), ComboPort);
    form->addRow(QString(), PortInfo);
    form->addRow(QStringLiteral("Baud rate"), ComboBaudRate);
    form->addRow(QStringLiteral("Data bits"), ComboDataBits);
    form->addRow(QStringLiteral("Stop bits"), ComboStopBits);
    form->addRow(QStringLiteral("Parity"), ComboParity);
    form->addRow(QStringLiteral("Flow control"), ComboFlow);
    if (m_reconnect) {
        CheckReconnect = new QCheckBox(QStringLiteral("reconnect automatically"));
        CheckReconnect->setChecked(m_reconnect->enabled());
        form->addRow(QString(), CheckReconnect);
    }

    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
    const qreal scale = logicalDpiX() / 120.0;
    setMinimumSize(int(231 * scale), int(216 * scale));
}

void TComSetupFrm::showPortInfo(const QString& name)
{
    const QString trimmed = name.trimmed();
    QString what = PortList->descriptionOf(trimmed);
    if (what.isEmpty() && !trimmed.isEmpty() && !PortList->names().contains(trimmed))
        what = PortNames::describePort(trimmed);
    PortInfo->setText(what);
}

void TComSetupFrm::apply()
{
    if (CheckReconnect)
        m_reconnect->setEnabled(CheckReconnect->isChecked());
    m_port.BeginUpdate();
    try {
        // A port name that is not in the list stays as typed; an empty one keeps the old name.
        const QString name = ComboPort->currentText().trimmed();
        if (!name.isEmpty())
            m_port.SetPort(name);
        m_port.SetBaudRate(StrToBaudRate(ComboBaudRate->currentText()));
        m_port.SetDataBits(StrToDataBits(ComboDataBits->currentText()));
        m_port.SetStopBits(StrToStopBits(ComboStopBits->currentText()));
        TComParity parity = m_port.Parity();
        parity.Bits = StrToParity(ComboParity->currentText());
        m_port.SetParity(parity);
        m_port.SetFlowControlKind(StrToFlowControl(ComboFlow->currentText()));
    } catch (...) {
        m_port.EndUpdate();
        throw;
    }
    m_port.EndUpdate();
}

bool ShowSetupDialog(TCustomComPort& port, QWidget* parent, PortReconnect* reconnect)
{
    TComSetupFrm dialog(port, parent, reconnect);
    if (runner()(dialog) != QDialog::Accepted)
        return false;
    dialog.apply();
    return true;
}

void SetSetupDialogRunner(SetupDialogRunner r)
{
    runner() = r ? std::move(r) : [](TComSetupFrm& dialog) { return dialog.exec(); };
}
