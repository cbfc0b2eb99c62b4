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
    // while the program runs, across closing and opening the port, and its line runs at
    // the real 57600 baud so that downloads and polling take the time they take on a bench.
    SimBoard board;
    TCustomComPort::RegisterBackend(QStringLiteral("SIM"), [&board](const QString&) {
        auto line = std::make_unique<SimPortBackend>(&board);
        line->setPaced(true);
        return line;
    });

    TMainForm form;
    form.show();
    return app.exec();
}
