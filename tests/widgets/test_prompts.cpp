// The file dialogs the tool opens: the designed filter texts in Qt's form, and where a dialog
// starts for the remembered name.
#include "Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The patterns Qt takes from one filter, "Name (*.a *.b)".
QStringList patternsOf(const QString& qtFilter)
{
    const auto m = QRegularExpression(QStringLiteral("\\(([^)]*)\\)\\s*$")).match(qtFilter);
    return m.hasMatch() ? m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList();
}

const QString HexFilter = QStringLiteral("Hex File (*.hex)|*.hex|all files (*.*)|*.*");

} // namespace

class TestPrompts : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void cleanup() { Prompts::reset(); }

    void allFilesOffersNamesWithoutADot()
    {
        for (const QString& designed : {HexFilter, QStringLiteral("AWL (*.vlb)|*.vlb|alle Dateien (*.*)|*.*")}) {
            const QStringList filters = Prompts::qtFilter(designed).split(QStringLiteral(";;"));
            QCOMPARE(filters.size(), 2);
            const QStringList first = patternsOf(filters[0]);
            const QStringList all = patternsOf(filters[1]);
            QVERIFY(QDir::match(all, QStringLiteral("README")));
            QVERIFY(QDir::match(all, QStringLiteral("fw.hex")));
            QVERIFY(!QDir::match(first, QStringLiteral("README")));
        }
        QCOMPARE(Prompts::qtFilter(HexFilter), QStringLiteral("Hex File (*.hex);;all files (*)"));
        // A description without its patterns gets them from the pattern part.
        QCOMPARE(Prompts::qtFilter(QStringLiteral("send list|*.csv;*.txt")), QStringLiteral("send list (*.csv *.txt)"));
    }

    void aPatternStartsInTheRememberedFolderWithThatFilter()
    {
        const QString folder = QDir(m_dir.path()).absolutePath();
        // A file chosen before: its folder is remembered for the next dialog.
        Prompts::setOpenFile([&](QWidget*, const QString&, const QString&, const QString&) {
            return folder + QStringLiteral("/fw.hex");
        });
        QCOMPARE(Prompts::openFile(nullptr, QStringLiteral("*.Hex"), HexFilter, QStringLiteral("*.hex")),
                 folder + QStringLiteral("/fw.hex"));
        Prompts::reset();

        QFileDialog dialog;
        Prompts::prepareFileDialog(dialog, QStringLiteral("*.Hex"), HexFilter, QStringLiteral("*.hex"));
        QCOMPARE(QDir(dialog.directory()).absolutePath(), folder);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Hex File (*.hex)"));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("hex"));

        // A pattern that no filter offers becomes a filter of its own.
        QFileDialog other;
        Prompts::prepareFileDialog(other, QStringLiteral("*.txt"), HexFilter, QStringLiteral("*.hex"));
        QCOMPARE(other.selectedNameFilter(), QStringLiteral("*.txt (*.txt)"));
        QCOMPARE(QDir(other.directory()).absolutePath(), folder);
    }

    void aFileNameStartsInItsFolder()
    {
        const QString sub = QDir(m_dir.path()).absoluteFilePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(sub));
        QFileDialog dialog;
        Prompts::prepareFileDialog(dialog, sub + QStringLiteral("/prog.vlb"),
                                   QStringLiteral("AWL (*.vlb)|*.vlb|all files (*.*)|*.*"), QStringLiteral("*.vlb"));
        QCOMPARE(QDir(dialog.directory()).absolutePath(), sub);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("AWL (*.vlb)"));
    }

    void aCaptionReachesTheDialog()
    {
        const QString filter = QStringLiteral("CSV Datei (*.csv)|*.csv|alle Dateien (*.*)|*.*");
        QFileDialog dialog;
        const QString toolkitOwn = dialog.windowTitle();
        Prompts::prepareFileDialog(dialog, m_dir.filePath(QStringLiteral("list.csv")), filter, QStringLiteral("csv"),
                                   QStringLiteral("CAN-Sendeliste laden"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("CAN-Sendeliste laden"));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("CSV Datei (*.csv)"));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("csv"));
        // Without one the toolkit's caption stays.
        QFileDialog plain;
        Prompts::prepareFileDialog(plain, m_dir.filePath(QStringLiteral("list.csv")), filter, QStringLiteral("csv"));
        QCOMPARE(plain.windowTitle(), toolkitOwn);

        // A replaced dialog is told nothing of the caption; the caption asked for is kept.
        Prompts::setSaveFile([](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
        Prompts::saveFile(nullptr, QString(), filter, QStringLiteral("csv"),
                          QStringLiteral("CAN-Sendeliste speichern"));
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("CAN-Sendeliste speichern"));
        Prompts::saveFile(nullptr, QString(), filter, QStringLiteral("csv"));
        QCOMPARE(Prompts::lastTitle(), QString());
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestPrompts test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_prompts.moc"
