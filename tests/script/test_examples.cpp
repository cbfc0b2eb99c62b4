// The example send lists that ship with the tool run against the simulated board as they are.
#include "AutoSender.h"
#include "MeasurementLogFile.h"
#include "ScriptRig.h"
#include "SimRig.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Examples = QStringLiteral(VELMAR_EXAMPLES_DIR);

bool failed(const QString& log)
{
    return log.contains("timeout") || log.contains("fail") || log.contains("ungültig") || log.contains("unbekannter") ||
           log.contains("not a valid");
}

TEST(Examples, EveryRowOfEveryListRunsOnTheSimulatedBoard)
{
    const QStringList lists = QDir(Examples).entryList({"*.csv"}, QDir::Files);
    ASSERT_GE(lists.size(), 2);
    for (const QString& name : lists) {
        SimRig rig;
        ScriptCore core(rig.link);
        core.interpreter.TelegramInfo = true;
        SendListFile::load(QDir(Examples).filePath(name), core.list);
        ASSERT_FALSE(core.list.empty()) << name.toStdString();
        for (int i = 0; i < core.list.size(); ++i)
            core.interpreter.ExecuteRow(i);
        EXPECT_FALSE(failed(core.log.text())) << name.toStdString() << "\n" << core.log.text().toStdString();
        EXPECT_FALSE(core.state.FaultFlag) << name.toStdString();
    }
}

TEST(Examples, TheListsHaveTheHeaderAndLineEndsTheToolWrites)
{
    for (const QString& name : QDir(Examples).entryList({"*.csv"}, QDir::Files)) {
        QFile f(QDir(Examples).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = f.readAll();
        EXPECT_TRUE(bytes.startsWith(SendListFile::Header.toUtf8() + "\r\n")) << name.toStdString();
        EXPECT_TRUE(bytes.endsWith("\r\n")) << name.toStdString();
        EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n")) << name.toStdString();
    }
}

TEST(Examples, TheMeasuringListWritesOneLogLinePerPass)
{
    SimRig rig;
    ScriptCore core(rig.link);
    QTemporaryDir dir;
    MeasurementLogFile file;
    file.open(dir.filePath("log.csv"));
    ScriptInterpreter interpreter(rig.link, core.list, core.state, core.log, file);
    AutoSender sender(core.state, core.list, interpreter, rig.link, core.log);
    SendListFile::load(QDir(Examples).filePath("temperaturen.csv"), core.list);
    sender.start();
    // Two passes: ACK once, then CLW .. GOTO twice, the delay of 20 ticks in between.
    for (int tick = 0; tick < 1 + 8 + 20 + 7; ++tick)
        Tick(sender);
    file.close();
    QFile f(dir.filePath("log.csv"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
    EXPECT_EQ(lines[0], QString());
    // time; 1-Wire 0; 1-Wire 1; module 2; bit; word;
    const QRegularExpression line(R"(^[^;]+; -?\d*[.,]\d; -?\d*[.,]\d; -?\d*[.,]\d;[01];\d+;$)");
    EXPECT_TRUE(line.match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_TRUE(line.match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_FALSE(failed(core.log.text()));
}

} // namespace
