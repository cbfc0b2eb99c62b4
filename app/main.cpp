// velmar-ui: the operator tool for Velmar boards.
#include "HandlerBoundary.h"
#include "IniFile.h"
#include "SimBoard.h"
#include "SimPortBackend.h"
#include "TCustomComPort.h"
#include "TMainForm.h"
#include "VelmarApplication.h"
#include "VelmarVersion.h"

#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int sig)
{
    const char c = char(sig);
    (void)!::write(signalPipe[1], &c, 1);
}

// The program takes --help and --version and no other option of its own.
void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("The operator tool for Velmar boards: terminal, downloads, "
                                                    "settings, debug window and script monitor."));
    parser.addHelpOption();
    parser.addVersionOption();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("velmar-ui"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION_STRING));
    // --help and --version are answered before the window system is asked for, so that they
    // work without a display.
    {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        QCommandLineParser early;
        describe(early);
        early.parse(arguments);
        if (early.isSet(QStringLiteral("help"))) {
            // Without an application object the parser does not know the program's name.
            std::fputs(
                qPrintable(early.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("velmar-ui"))),
                stdout);
            return 0;
        }
        if (early.isSet(QStringLiteral("version"))) {
            std::printf("velmar-ui %s\n", VELMAR_VERSION_STRING);
            return 0;
        }
    }
    VelmarApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Velmar"));
    // The toolkit has taken its own options (-platform and the like); anything else is an error.
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    // The port name "SIM" opens a simulated board inside the program; it keeps its memory
    // while the program runs, across closing and opening the port, and its line runs at
    // the real 57600 baud so that downloads and polling take the time they take on a bench.
    SimBoard board;
    // "SimAnimate=0" in the window's section keeps it still: the 1-Wire table reads back as
    // written, and the I/O and signals do not move.
    const IniFile settings(IniFile::defaultPath());
    board.animate = settings.ReadInteger(QStringLiteral("Hauptfenster"), QStringLiteral("SimAnimate"), 1) != 0;
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
        QObject::connect(terminate.get(), &QSocketNotifier::activated, HandlerBoundary::wrap([&] {
                             char c;
                             (void)!::read(signalPipe[0], &c, 1);
                             QApplication::closeAllWindows();
                             QApplication::quit();
                         }));
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }

    form.show();
    return app.exec();
}
