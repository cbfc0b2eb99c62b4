// velmar-ui: the operator tool for Velmar boards.
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"
#include "TMainForm.h"
#include "VelmarApplication.h"

int main(int argc, char** argv)
{
    VelmarApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmar-ui"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmar"));

    // The port name "SIM" opens a simulated board inside the program; it keeps its memory
    // while the program runs, across closing and opening the port.
    SimBoard board;
    TCustomComPort::RegisterBackend(QStringLiteral("SIM"),
                                    [&board](const QString&) { return std::make_unique<SimPortBackend>(&board); });

    TMainForm form;
    form.show();
    return app.exec();
}
