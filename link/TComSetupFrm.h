#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class TCustomComPort;

// The modal "Setup" dialog of the serial port: six lists, "OK" applies them at once.
class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    TComSetupFrm(TCustomComPort& port, QWidget* parent = nullptr);

    // Writes the lists to the port with the applying deferred, so that the line is set once.
    void apply();

    QComboBox* ComboPort = nullptr;
    QComboBox* ComboBaudRate = nullptr;
    QComboBox* ComboDataBits = nullptr;
    QComboBox* ComboStopBits = nullptr;
    QComboBox* ComboParity = nullptr;
    QComboBox* ComboFlow = nullptr;

private:
    TCustomComPort& m_port;
};

// Shows the dialog for `port`; returns true when the user chose "OK". Tests replace how the
// dialog is run so that nothing waits for a click.
bool ShowSetupDialog(TCustomComPort& port, QWidget* parent);
using SetupDialogRunner = std::function<int(TComSetupFrm&)>;
void SetSetupDialogRunner(SetupDialogRunner runner);
