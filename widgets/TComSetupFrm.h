#pragma once

#include <QDialog>
#include <functional>

class PortListModel;
class PortReconnect;
class QCheckBox;
class QComboBox;
class QLabel;
class TCustomComPort;

// The modal "Setup" dialog of the serial port: six lists, "OK" applies them at once. Each port
// in the list is shown with what it is; with a reconnect given, a check box switches it.
class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    TComSetupFrm(TCustomComPort& port, QWidget* parent = nullptr, PortReconnect* reconnect = nullptr);

    // Writes the lists to the port with the applying deferred, so that the line is set once.
    void apply();

    QComboBox* ComboPort = nullptr;
    QComboBox* ComboBaudRate = nullptr;
    QComboBox* ComboDataBits = nullptr;
    QComboBox* ComboStopBits = nullptr;
    QComboBox* ComboParity = nullptr;
    QComboBox* ComboFlow = nullptr;
    QLabel* PortInfo = nullptr;          // what the chosen port is
    QCheckBox* CheckReconnect = nullptr; // "reconnect automatically"; null without a reconnect
    PortListModel* PortList = nullptr;

private:
    void showPortInfo(const QString& name);

    TCustomComPort& m_port;
    PortReconnect* m_reconnect;
};

// Shows the dialog for `port`; returns true when the user chose "OK". Tests replace how the
// dialog is run so that nothing waits for a click.
bool ShowSetupDialog(TCustomComPort& port, QWidget* parent, PortReconnect* reconnect = nullptr);
using SetupDialogRunner = std::function<int(TComSetupFrm&)>;
void SetSetupDialogRunner(SetupDialogRunner runner);
