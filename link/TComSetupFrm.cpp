#include "TComSetupFrm.h"

#include "PortNames.h"
#include "TCustomComPort.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
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

TComSetupFrm::TComSetupFrm(TCustomComPort& port, QWidget* parent) : QDialog(parent), m_port(port)
{
    setWindowTitle(QStringLiteral("Setup"));
    auto* group = new QGroupBox(QStringLiteral(" Settings "));
    auto* form = new QFormLayout(group);

    QStringList ports = PortNames::available();
    ComboPort = makeList(ports, port.Port());
    ComboPort->setEditable(true);
    ComboPort->setEditText(port.Port());
    ComboBaudRate = makeList(BaudRateTexts(), BaudRateToStr(port.BaudRate()));
    ComboDataBits = makeList(DataBitsTexts(), DataBitsToStr(port.DataBits()));
    ComboStopBits = makeList(StopBitsTexts(), StopBitsToStr(port.StopBits()));
    ComboParity = makeList(ParityTexts(), ParityToStr(port.Parity().Bits));
    ComboFlow = makeList(FlowControlTexts(), FlowControlToStr(port.FlowControlKind()));
    form->addRow(QStringLiteral("Port"), ComboPort);
    form->addRow(QStringLiteral("Baud rate"), ComboBaudRate);
    form->addRow(QStringLiteral("Data bits"), ComboDataBits);
    form->addRow(QStringLiteral("Stop bits"), ComboStopBits);
    form->addRow(QStringLiteral("Parity"), ComboParity);
    form->addRow(QStringLiteral("Flow control"), ComboFlow);

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

void TComSetupFrm::apply()
{
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

bool ShowSetupDialog(TCustomComPort& port, QWidget* parent)
{
    TComSetupFrm dialog(port, parent);
    if (runner()(dialog) != QDialog::Accepted)
        return false;
    dialog.apply();
    return true;
}

void SetSetupDialogRunner(SetupDialogRunner r)
{
    runner() = r ? std::move(r) : [](TComSetupFrm& dialog) { return dialog.exec(); };
}
