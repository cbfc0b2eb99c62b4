// velmar-cli's flash of a 126976-byte image against velmar-sim --pace, next to the window's
// download of the same image in the same run ("Download Firmware", the real main window
// offscreen, through the real port code). Both are whole jobs: sign-on, queries, flash pass,
// verify pass and the start of the firmware; the command line's time includes starting the
// program and opening the port. The rounds alternate, so that a drift of the machine's load
// falls on both alike.
#include "Prompts.h"
#include "RichLog.h"
#include "SimProcess.h"
#include "TComPort.h"
#include "TMainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

constexpr std::uint32_t ImageBytes = 126976; // the firmware area of a 128k board with 2k AWL
constexpr int Rounds = 2;

QByteArray record(int type, std::uint16_t address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address)).append(char(type));
    bytes.append(data);
    std::uint8_t sum = 0;
    for (char c : bytes)
        sum = std::uint8_t(sum + std::uint8_t(c));
    bytes.append(char(std::uint8_t(0x100 - sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

QByteArray hexFile()
{
    QByteArray image(ImageBytes, 0);
    for (std::uint32_t i = 0; i < ImageBytes; ++i)
        image[i] = char((i * 13 + i / 256) % 251);
    QByteArray text;
    for (std::uint32_t at = 0; at < ImageBytes; at += 16) {
        if (at % 0x10000 == 0) {
            const char segment[2] = {char((at >> 4) >> 8), char((at >> 4) & 0xFF)};
            text += record(2, 0, QByteArray(segment, 2));
        }
        text += record(0, std::uint16_t(at & 0xFFFF), image.mid(at, 16));
    }
    return text + ":00000001FF\r\n";
}

struct Sim {
    SimProcess process{QStringLiteral(VELMAR_SIM_PROGRAM)};
    bool ok = process.start({"--pace", "--flash-end", "1F000", "--block-size", "256"});
};

// "Download Firmware" in the main window; seconds, or -1 when it failed.
double windowDownload(const QString& file, const QString& settings)
{
    Sim sim;
    if (!sim.ok)
        return -1;
    QFile ini(settings);
    ini.open(QIODevice::WriteOnly);
    ini.write("[Hauptfenster]\nComPort=" + sim.process.devicePath().toUtf8() + "\nFilename=" + file.toUtf8() + "\n");
    ini.close();
    Prompts::setOpenFile([file](QWidget*, const QString&, const QString&, const QString&) { return file; });
    double seconds = -1;
    {
        TMainForm form({settings, {}});
        form.show();
        QApplication::processEvents();
        if (!form.ComPort->Connected())
            return -1;
        QElapsedTimer clock;
        clock.start();
        form.LoadBtnClick();
        seconds = double(clock.nsecsElapsed()) / 1e9;
        if (!form.RichEdit->plainText().contains("execute SPS program ") ||
            form.RichEdit->plainText().contains("Fehler bei Adresse"))
            seconds = -1;
        form.close();
    }
    Prompts::reset();
    return seconds;
}

// velmar-cli flash, from the start of the program to its end; seconds, or -1 when it failed.
double cliFlash(const QString& file)
{
    Sim sim;
    if (!sim.ok)
        return -1;
    QProcess cli;
    cli.setProgram(QStringLiteral(VELMAR_CLI_PROGRAM));
    cli.setArguments({"--port", sim.process.devicePath(), "flash", file});
    QElapsedTimer clock;
    clock.start();
    cli.start();
    if (!cli.waitForFinished(600000))
        return -1;
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const QByteArray out = cli.readAllStandardOutput();
    if (cli.exitCode() != 0 || !out.contains("execute SPS program ") || out.contains("Fehler bei Adresse"))
        return -1;
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("fw126976.hex");
    QFile hex(file);
    hex.open(QIODevice::WriteOnly);
    hex.write(hexFile());
    hex.close();

    std::vector<double> window, cli;
    for (int round = 0; round < Rounds; ++round) {
        // The first round begins with the window, the second with the command line.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 0))
                window.push_back(windowDownload(file, dir.filePath("Settings.ini")));
            else
                cli.push_back(cliFlash(file));
            std::printf("round %d: %s %.2f s\n", round + 1,
                        (turn == 0) == (round % 2 == 0) ? "window     " : "velmar-cli ",
                        (turn == 0) == (round % 2 == 0) ? window.back() : cli.back());
            std::fflush(stdout);
        }
    }
    double windowSum = 0, cliSum = 0;
    for (std::size_t i = 0; i < window.size(); ++i) {
        if (window[i] < 0 || cli[i] < 0) {
            std::printf("a download FAILED\n");
            return 1;
        }
        windowSum += window[i];
        cliSum += cli[i];
    }
    std::printf("flash and verify of %u bytes at 57600 baud, %d rounds\n", ImageBytes, Rounds);
    std::printf("  window (Download Firmware)  %6.2f s\n", windowSum / double(window.size()));
    std::printf("  velmar-cli flash            %6.2f s  (%.4f x the window's)\n", cliSum / double(cli.size()),
                cliSum / windowSum);
    return 0;
}
