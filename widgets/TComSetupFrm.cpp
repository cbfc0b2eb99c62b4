#include "TComSetupFrm.h"

#include "PortListModel.h"
#include "PortNames.h"

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

TComSetupFrm::TComSetupFrm(const PortSetup& current, QWidget* parent, std::optional<bool> reconnect,
                           const QStringList& networkPorts)
    : QDialog(parent),
      m_current(current)
{
    setWindowTitle(QStringLiteral("Setup"));
    auto* group = new QGroupBox(QStringLiteral(" Settings "));
    auto* form = new QFormLayout(group);

    QStringList ports = PortNames::available();
    for (const QString& name : PortNames::rememberNetwork(networkPorts, current.port))
        if (!ports.contains(name))
            ports << name;
    QStringList descriptions;
    for (const QString& name : ports)
        descriptions << PortNames::describePort(name);
    ComboPort = new QComboBox;
    ComboPort->setEditable(true);
    PortList = new PortListModel(ports, descriptions, ComboPort);
    ComboPort->setModel(PortList);
    ComboPort->setCurrentIndex(int(ports.indexOf(current.port))); // -1 leaves it without a selection
    ComboPort->setEditText(current.port);
    PortInfo = new QLabel;
    PortInfo->setWordWrap(true);
    ComboBaudRate = makeList(BaudRateTexts(), BaudRateToStr(current.baudRate));
    ComboDataBits = makeList(DataBitsTexts(), DataBitsToStr(current.line.dataBits));
    ComboStopBits = makeList(StopBitsTexts(), StopBitsToStr(current.line.stopBits));
    ComboParity = makeList(ParityTexts(), ParityToStr(current.line.parity.Bits));
    ComboFlow = makeList(FlowControlTexts(), FlowControlToStr(current.line.flow.kind()));
    connect(ComboPort, &QComboBox::editTextChanged, this, &TComSetupFrm::showPortInfo);
    showPortInfo(current.port);
    form->addRow(QStringLiteral("Port"), ComboPort);
    form->addRow(QString(), PortInfo);
    form->addRow(QStringLiteral("Baud rate"), ComboBaudRate);
    form->addRow(QStringLiteral("Data bits"), ComboDataBits);
    form->addRow(QStringLiteral("Stop bits"), ComboStopBits);
    form->addRow(QStringLiteral("Parity"), ComboParity);
    form->addRow(QStringLiteral("Flow control"), ComboFlow);
    if (reconnect) {
        CheckReconnect = new QCheckBox(QStringLiteral("reconnect automatically"));
        CheckReconnect->setChecked(*reconnect);
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

QList<QComboBox*> TComSetupFrm::lineLists() const
{
    return {ComboBaudRate, ComboDataBits, ComboStopBits, ComboParity, ComboFlow};
}

void TComSetupFrm::showPortInfo(const QString& name)
{
    const QString trimmed = name.trimmed();
    QString what = PortList->descriptionOf(trimmed);
    if (what.isEmpty() && !trimmed.isEmpty() && !PortList->names().contains(trimmed))
        what = PortNames::describePort(trimmed);
    // What a network port does with the lists below, said where they are chosen.
    const auto network = PortNames::network(trimmed);
    if (network && network->rfc2217)
        what += QStringLiteral(": the line settings below are sent to the far port");
    else if (network)
        what += QStringLiteral(": the line settings cannot reach the far port through raw TCP; set them there "
                               "(ser2net's configuration, the device server's own page)");
    PortInfo->setText(what);
    for (QComboBox* list : lineLists())
        list->setEnabled(!network || network->rfc2217);
}

TComSetupFrm::Choice TComSetupFrm::choice() const
{
    Choice chosen{m_current, std::nullopt};
    PortSetup& setup = chosen.port;
    // A port name that is not in the list stays as typed; an empty one keeps the old name.
    const QString name = ComboPort->currentText().trimmed();
    if (!name.isEmpty())
        setup.port = name;
    setup.baudRate = StrToBaudRate(ComboBaudRate->currentText());
    setup.line.dataBits = StrToDataBits(ComboDataBits->currentText());
    setup.line.stopBits = StrToStopBits(ComboStopBits->currentText());
    setup.line.parity.Bits = StrToParity(ComboParity->currentText());
    setup.line.flow.setKind(StrToFlowControl(ComboFlow->currentText()));
    if (CheckReconnect)
        chosen.reconnect = CheckReconnect->isChecked();
    return chosen;
}

std::optional<TComSetupFrm::Choice> ShowSetupDialog(const PortSetup& current, QWidget* parent,
                                                    std::optional<bool> reconnect, const QStringList& networkPorts)
{
    TComSetupFrm dialog(current, parent, reconnect, networkPorts);
    if (runner()(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

void SetSetupDialogRunner(SetupDialogRunner r)
{
    runner() = r ? std::move(r) : [](TComSetupFrm& dialog) { return dialog.exec(); };
}
