// A text file copied onto the SD card of velmar-sim and back, through the real port code on
// its pseudo-terminal; the card is a folder, so the copied file can be looked at there.
#include "FileBytes.h"
#include "RecordingLog.h"
#include "SdCardCopy.h"
#include "SimProcessRig.h"
#include "StepReporter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(EndToEndSdCard, ALineFileGoesOntoTheCardAndComesBackLineForLine)
{
    QTemporaryDir dir;
    const QString cardDir = dir.filePath("card");
    // Paced as a real line, so that every telegram takes the time its bytes take.
    SimProcessRig rig({"--kind", "1", "--pace", "--sd-card", cardDir});
    ASSERT_TRUE(rig.started);
    RecordingLog log;
    StepReporter steps{rig.link, log};
    SdCardCopy copy{steps};

    const QByteArray text = "; Sollwerte Halle 2\r\n"
                            "T1=21.5\r\n"
                            "T2=19.0\r\n" +
                            QByteArray(64, '#') + "\r\n" + "Ende\r\n";
    const QString out = dir.filePath("pc/werte.txt");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("pc")));
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    ASSERT_TRUE(copy.download(out).ok()) << log.text().toStdString();
    // On the card the lines end in a line feed.
    EXPECT_EQ(FileBytes(cardDir + "/werte.txt"), QByteArray(text).replace("\r\n", "\n"));

    const QString back = dir.filePath("back/werte.txt");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("back")));
    ASSERT_TRUE(copy.upload(back).ok()) << log.text().toStdString();
    EXPECT_EQ(FileBytes(back), text);
    EXPECT_TRUE(log.lines().contains("T1=21.5"));
    rig.port.Close();
}
