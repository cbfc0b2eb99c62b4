// velmar-ui: the operator tool for Velmar boards.
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"
#include "TMainForm.h"
#include "VelmarApplication.h"

#include <QSocketNotifier>

#include <csignal>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int sig)
{
    const char c = char(sig);
    (void)!::write(signalPipe[1], &c, 1);
}

} // namespace

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

    // Ended by the desktop session or Ctrl+C: close the windows as the user would, so that
    // the settings are written and the port is released.
    std::unique_ptr<QSocketNotifier> terminate;
    if (::pipe(signalPipe) == 0) {
        terminate = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(terminate.get(), &QSocketNotifier::activated, [&] {
            char c;
            (void)!::read(signalPipe[0], &c, 1);
            QApplication::closeAllWindows();
            QApplication::quit();
        });
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }

    form.show();
    return app.exec();
}
