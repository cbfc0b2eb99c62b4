// velmar-cli on a board behind the real ser2net, as labgrid's exporter serves it (RFC 2217)
// and as a raw tcp accepter: every kind of job, what a refused or busy port says, and a server
// that dies in the middle of a flash.
#include "CliProcess.h"
#include "FileBytes.h"
#include "HexFiles.h"
#include "Ser2net.h"
#include "SimProcess.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Farm {
    SimProcess sim{QStringLiteral(VELMAR_SIM_PROGRAM)};
    QTemporaryDir dir;
    std::unique_ptr<Ser2net> server;
    Farm(bool rfc2217, const QStringList& simArgs = {}, int maxConnections = 10)
    {
        EXPECT_TRUE(sim.start(simArgs));
        server = std::make_unique<Ser2net>(QList<Ser2net::Port>{{sim.devicePath(), rfc2217, true, maxConnections}});
        EXPECT_TRUE(server->start());
    }
    CliRun run(const QStringList& args) { return runCli(QStringList{"--port", server->name()} + args); }
    QString file(const QString& name, const QByteArray& text)
    {
        writeFile(dir.filePath(name), text);
        return dir.filePath(name);
    }
};

// Firmware with a block of erased flash (256 x 0xFF) in the middle: IAC in every byte of it.
QByteArray firmware()
{
    auto image = pattern(1000);
    std::fill(image.begin() + 256, image.begin() + 512, 0xFF);
    return hexFile(image);
}

} // namespace

TEST(CliNetwork, EveryJobThroughSer2net)
{
    if (Ser2net::program().isEmpty())
        GTEST_SKIP() << Ser2net::Missing;
    for (const bool rfc2217 : {true, false}) {
        SCOPED_TRACE(rfc2217 ? "rfc2217" : "raw tcp");
        Farm farm(rfc2217);
        const CliRun flash = farm.run({"--record", farm.dir.filePath("rec"), "flash", farm.file("fw.hex", firmware())});
        EXPECT_EQ(flash.code, 0) << flash.err.toStdString();
        EXPECT_TRUE(flash.out.contains("verify device \n....\nbootloader exit")) << flash.out.toStdString();
        EXPECT_FALSE(flash.out.contains("Fehler bei Adresse"));
        EXPECT_TRUE(FileBytes(farm.dir.filePath("rec")).contains("port " + farm.server->name().toUtf8() + " at"));

        const CliRun awl = farm.run({"awl", farm.file("p.vlb", "01:02:ff:ff:03\n")});
        EXPECT_EQ(awl.code, 0) << awl.err.toStdString();
        // The port the window stored, as velmar-cli falls back to it.
        const QString ini = farm.file("Settings.ini", "[Hauptfenster]\nComPort=" + farm.server->name().toUtf8() + "\n");
        const CliRun config = runCli({"--settings", ini, "config", "read"});
        EXPECT_EQ(config.code, 0) << config.err.toStdString();
        EXPECT_TRUE(config.out.contains("configuration byte")) << config.out.toStdString();
        const CliRun script = farm.run({"script", farm.file("l.csv", "CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment\r\n"
                                                                     "GETU;1;;;;;;;;;\r\nWVAR;3;;;;;;;;;\r\n")});
        EXPECT_EQ(script.code, 0) << script.err.toStdString();
        EXPECT_TRUE(script.out.contains("Word Variable $03 ")) << script.out.toStdString();
        const CliRun watch = farm.run({"watch", "--word", "2", "--duration", "0.5"});
        EXPECT_EQ(watch.code, 0) << watch.err.toStdString();
        EXPECT_GE(watch.out.count(",ok,"), 3) << watch.out.toStdString();
        EXPECT_FALSE(watch.err.contains("no answer within")); // ser2net confirmed the line
    }
}

TEST(CliNetwork, ARefusedOrBusyPortSaysWhy)
{
    if (Ser2net::program().isEmpty())
        GTEST_SKIP() << Ser2net::Missing;
    const quint16 nobody = Ser2net::freePort();
    const CliRun refused = runCli({"--port", QString("rfc2217://127.0.0.1:%1").arg(nobody), "info"});
    EXPECT_EQ(refused.code, 4);
    EXPECT_EQ(refused.errLines().value(0), QString("velmar-cli: info: COM Port Error: Unable to open com port on "
                                                   "rfc2217://127.0.0.1:%1: Connection refused")
                                               .arg(nobody));
    EXPECT_EQ(refused.errLines().value(1), QString("  nothing listens on 127.0.0.1:%1: is ser2net running there, "
                                                   "with a telnet(rfc2217) accepter?")
                                               .arg(nobody));
    EXPECT_TRUE(runCli({"--port", "socket://[::1", "info"}).err.contains("No valid network port name."));

    for (const bool rfc2217 : {true, false}) {
        Farm farm(rfc2217, {}, 0); // ser2net's own limit: one connection
        QTcpSocket holder;
        holder.connectToHost("127.0.0.1", farm.server->tcpPort());
        ASSERT_TRUE(holder.waitForConnected(3000));
        const CliRun busy = farm.run({"info"});
        EXPECT_EQ(busy.code, 4);
        EXPECT_TRUE(busy.err.contains("already in use\" and closed the connection.")) << busy.err.toStdString();
        EXPECT_FALSE(busy.out.contains("in use"));
    }
}

TEST(CliNetwork, Ser2netKilledInTheMiddleOfAFlashIsALostPort)
{
    if (Ser2net::program().isEmpty())
        GTEST_SKIP() << Ser2net::Missing;
    Farm farm(true, {"--pace"});
    CliProcess cli({"--port", farm.server->name(), "flash", farm.file("fw.hex", hexFile(pattern(4096)))});
    ASSERT_TRUE(cli.waitForOutput("flash device \n.", 10000)) << cli.output().toStdString();
    farm.server->kill();
    const CliRun r = cli.finish(10000);
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.errLines(), QStringList{"velmar-cli: flash: the port was lost: " + farm.server->name() +
                                        ": the server closed the connection"});
    EXPECT_FALSE(r.out.contains("execute SPS program"));
}
