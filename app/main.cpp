// velmar-ui: the operator tool for Velmar boards.
#include "HandlerBoundary.h"
#include "IniFile.h"
#include "SignalWatcher.h"
#include "SimPort.h"
#include "TMainForm.h"
#include "VelmarApplication.h"
#include "VelmarVersion.h"

#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

// The program takes --help and --version and no other option of its own.
void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("The operator tool for Velmar boards: terminal, downloads, "
                                                    "settings, debug window and script monitor.\n"
                                                    "\"Setting Com\" takes a device, SIM, or a serial port on "
                                                    "another machine: rfc2217://HOST:PORT or socket://HOST:PORT."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// --help and --version are answered before the window system is asked for, so that they work
// without a display: the exit code when one of them was asked for.
std::optional<int> answerEarly(int argc, char** argv)
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
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(QStringLiteral("velmar-ui"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION_STRING));
    if (const auto code = answerEarly(argc, argv))
        return *code;
    // No display name: the platform would append it to every window's caption.
    VelmarApplication app(argc, argv);
    // The toolkit has taken its own options (-platform and the like); anything else is an error.
    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    // The port name "SIM" opens a simulated board inside the program.
    SimPort sim;
    // "SimAnimate=0" in the window's section keeps it still: the 1-Wire table reads back as
    // written, and the I/O and signals do not move.
    const IniFile settings(IniFile::defaultPath());
    sim.board().animate = settings.ReadInteger(QStringLiteral("Hauptfenster"), QStringLiteral("SimAnimate"), 1) != 0;
    TMainForm form;

    // Ended by the desktop session or Ctrl+C: close the windows as the user would, so that
    // the settings are written and the port is released.
    SignalWatcher terminate{SIGTERM, SIGINT};
    QObject::connect(&terminate, &SignalWatcher::received, HandlerBoundary::wrap([] {
        QApplication::closeAllWindows();
        QApplication::quit();
    }));

    form.show();
    return app.exec();
}
