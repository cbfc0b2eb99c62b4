#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// A settings file in the usual INI form, read whole and written whole. Sections and keys are
// found without regard to case; other sections, unknown keys, comments, section headers and
// line ends are kept as they were. A file that is not valid UTF-8 comes from an 8-bit code
// page: it is read as Latin-1 and written back so, unless a new value needs a character that
// Latin-1 lacks (the file then turns into UTF-8); new files are UTF-8. A line ends in LF, CR LF
// or a CR alone, and keeps its end when written back. Writing goes to a temporary file that
// then replaces the old one, so a crash or a full disk never leaves half a file.
//
// Only a regular file is opened: a FIFO, a device or a directory at the path is never opened
// (a FIFO would block the open until someone writes to it) nor replaced. An empty path is no
// file at all: reads give their fallbacks and UpdateFile writes nothing.
class IniFile {
public:
    explicit IniFile(QString path);

    [[nodiscard]] const QString& path() const { return m_path; }
    // Why a file that is there was not read ("the settings file /tmp/s.ini is a FIFO, not a
    // regular file"); empty when it was read or is missing.
    [[nodiscard]] const QString& error() const { return m_error; }
    [[nodiscard]] QString ReadString(const QString& section, const QString& key, const QString& fallback) const;
    // A missing key or a value that is no whole number gives `fallback`.
    [[nodiscard]] int ReadInteger(const QString& section, const QString& key, int fallback) const;
    // Throws VelmarError for a value (or name) with a line break, which would become a line of
    // its own in the file; nothing is changed then.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    [[nodiscard]] bool SectionExists(const QString& section) const;
    [[nodiscard]] bool ValueExists(const QString& section, const QString& key) const;
    // Writes the file back; throws VelmarError when it cannot be written.
    void UpdateFile();

    // The folder next to the executable, or the user's configuration folder for an installed
    // program and where that folder cannot be written; the folder is made when missing.
    static QString defaultPath(const QString& fileName = QStringLiteral("Settings.ini"));
    // The same place for the program named `program` (another program of this folder, such as
    // the window whose settings a command line reads); makes nothing.
    static QString locate(const QString& fileName, const QString& program);
    // The same for a program in the folder `programDir`.
    static QString locate(const QString& fileName, const QString& program, const QString& programDir);
    // An installed program never writes beside itself, even where it may (run as root): its
    // folder is a system program folder, or the installation's menu entry lies in
    // ../share/applications next to it.
    [[nodiscard]] static bool isInstalledFolder(const QString& programDir);

private:
    enum class LineEnd { Lf, CrLf, Cr };
    struct Line {
        QString text; // the line as read, for comments and blank lines
        QString key;  // empty for lines that are no key
        QString value;
        LineEnd end = LineEnd::Lf;
    };
    struct Section {
        QString name;
        bool headed = false; // false for the lines before the first section header
        Line header;         // the header line as read
        std::vector<Line> lines;
    };
    void read(const QByteArray& bytes);
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    const Line* findLine(const QString& section, const QString& key) const;

    QString m_path;
    std::vector<Section> m_sections;
    bool m_latin1 = false;              // read from an 8-bit code page
    bool m_bom = false;                 // began with a UTF-8 byte order mark
    LineEnd m_newLineEnd = LineEnd::Lf; // new lines end as the file's first line did
    QString m_error;
};
