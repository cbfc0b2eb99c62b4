#pragma once

#include "ComPortTypes.h"

#include <QDialog>
#include <functional>
#include <optional>

class PortListModel;
class QCheckBox;
class QComboBox;
class QLabel;

// The modal "Setup" dialog of the serial port: six lists over a port's setup, handed back as a
// whole for the window to apply at once. Each port in the list is shown with what it is; with
// a reconnect choice given, a check box switches it. The port's edit line takes any name, a
// network port too; the network ports used last follow the system's ports in the list. For a
// raw TCP port (socket://) the line lists are off and the dialog says why: no setting reaches
// the far port that way.
class TComSetupFrm : public QDialog {
    Q_OBJECT
public:
    // What the user chose: the port's setup and, with the check box, whether to reconnect.
    struct Choice {
        PortSetup port;
        std::optional<bool> reconnect;
    };

    // Shows `current`; `reconnect` is the check box's state, none leaves it out;
    // `networkPorts` are the network ports used last, the latest first.
    explicit TComSetupFrm(const PortSetup& current, QWidget* parent = nullptr,
                          std::optional<bool> reconnect = std::nullopt, const QStringList& networkPorts = {});

    // The lists as they stand, on top of `current`: what the dialog does not show stays.
    [[nodiscard]] Choice choice() const;

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
    [[nodiscard]] QList<QComboBox*> lineLists() const;

    PortSetup m_current;
};

// Shows the dialog on `current`; gives the choice when the user chose "OK". Tests replace how
// the dialog is run so that nothing waits for a click.
std::optional<TComSetupFrm::Choice> ShowSetupDialog(const PortSetup& current, QWidget* parent,
                                                    std::optional<bool> reconnect = std::nullopt,
                                                    const QStringList& networkPorts = {});
using SetupDialogRunner = std::function<int(TComSetupFrm&)>;
void SetSetupDialogRunner(SetupDialogRunner runner);
