#include "FileSync.h"
#include "HexFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void setStamp(const QString& path, const QDateTime& when)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace

TEST(FileSync, StampIsLocalTimeInEvenSeconds)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.vlb");
    writeFile(file, "01\n");
    setStamp(file, QDateTime(QDate(2026, 3, 14), QTime(12, 34, 57, 678)));
    EXPECT_EQ(FileSync::GetFileDateTime(file), QDateTime(QDate(2026, 3, 14), QTime(12, 34, 56)));
    setStamp(file, QDateTime(QDate(2026, 3, 14), QTime(12, 34, 56, 999)));
    EXPECT_EQ(FileSync::GetFileDateTime(file), QDateTime(QDate(2026, 3, 14), QTime(12, 34, 56)));
    EXPECT_FALSE(FileSync::GetFileDateTime(dir.filePath("none.vlb")).isValid());
    EXPECT_FALSE(FileSync::GetFileDateTime(dir.path()).isValid());
}

TEST(FileSync, OneDownloadPerChange)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("p.vlb");
    writeFile(file, "01\n");
    setStamp(file, QDateTime(QDate(2026, 3, 14), QTime(8, 0, 0)));
    QDateTime seen = FileSync::GetFileDateTime(file);

    EXPECT_EQ(FileSync::Check(QString(), seen, false), FileSync::Tick::Idle);
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Idle);

    const QDateTime later(QDate(2026, 3, 14), QTime(8, 0, 4));
    setStamp(file, later);
    // While the line is busy the change waits and is not forgotten.
    EXPECT_EQ(FileSync::Check(file, seen, true), FileSync::Tick::Deferred);
    EXPECT_EQ(FileSync::Check(file, seen, true), FileSync::Tick::Deferred);
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Download);
    EXPECT_EQ(seen, later);
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Idle);

    // A file that goes away asks once.
    QFile::remove(file);
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Download);
    EXPECT_FALSE(seen.isValid());
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Idle);
    writeFile(file, "02\n");
    EXPECT_EQ(FileSync::Check(file, seen, false), FileSync::Tick::Download);
}
