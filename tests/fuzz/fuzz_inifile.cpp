// The settings file over any contents: written back unchanged it is the same file (a missing
// last line end aside), read again it gives the same values, and values written into it read
// back as written. A value with a line break is refused and changes nothing.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "IniFile.h"
#include "VelmarError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <set>

namespace {

const QString Missing = QStringLiteral("\x01missing");

QString scratchPath()
{
    // tmpfs where there is one: every run saves the file, and a disk would sync each time.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/velmar-fuzz-XXXXXX")
                                                                       : QDir::tempPath() + "/velmar-fuzz-XXXXXX");
    return dir.filePath(QStringLiteral("Settings.ini"));
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

// A name as the tool's own constants are: letters and digits (a section may be empty).
QString name(const QByteArray& bytes)
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString n;
    for (char c : bytes)
        n += QLatin1Char(alphabet[static_cast<unsigned char>(c) % (sizeof alphabet - 1)]);
    return n;
}

// The section and key names in the file, found the simple way; at most 40 of each.
void namesIn(const QString& path, std::set<QString>& sections, std::set<QString>& keys)
{
    const QString text = QString::fromLatin1(readBytes(path));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')) && sections.size() < 40)
            sections.insert(t.mid(1, t.size() - 2).trimmed());
        else if (line.indexOf(QLatin1Char('=')) > 0 && keys.size() < 40)
            keys.insert(line.left(line.indexOf(QLatin1Char('='))).trimmed());
    }
}

void checkSameValues(const IniFile& a, const IniFile& b, const std::set<QString>& sections,
                     const std::set<QString>& keys)
{
    for (const QString& s : sections) {
        FUZZ_CHECK(a.SectionExists(s) == b.SectionExists(s));
        for (const QString& k : keys)
            FUZZ_CHECK_SAY(a.ReadString(s, k, Missing) == b.ReadString(s, k, Missing), s + QLatin1Char('/') + k);
    }
}

struct Write {
    QString section, key, value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    std::vector<Write> writes(in.byte() % 4);
    for (auto& w : writes) {
        w.section = name(in.bytes(in.byte() % 4));
        w.key = name(in.bytes(1 + in.byte() % 4));
        w.value = QString::fromUtf8(in.piece());
    }
    // The tool's keys are never empty.
    std::erase_if(writes, [](const Write& w) { return w.key.isEmpty(); });
    const QByteArray original = in.rest();
    const QString path = scratchPath();
    writeBytes(path, original);

    // Read and written back as it is: the same bytes.
    IniFile first(path);
    first.UpdateFile();
    const QByteArray rewritten = readBytes(path);
    FUZZ_CHECK(rewritten == original || rewritten == original + '\n');
    std::set<QString> sections, keys;
    namesIn(path, sections, keys);
    checkSameValues(first, IniFile(path), sections, keys);

    // Values written in read back as written; the last of two for the same key holds.
    IniFile changed(path);
    std::map<std::pair<QString, QString>, QString> expected;
    for (const auto& w : writes) {
        const QString before = changed.ReadString(w.section, w.key, Missing);
        const bool lineBreak = w.value.contains(QLatin1Char('\n')) || w.value.contains(QLatin1Char('\r'));
        try {
            changed.WriteString(w.section, w.key, w.value);
            FUZZ_CHECK(!lineBreak);
            expected[{w.section.toLower(), w.key.toLower()}] = w.value;
        } catch (const VelmarError&) {
            FUZZ_CHECK(lineBreak);
            FUZZ_CHECK(changed.ReadString(w.section, w.key, Missing) == before);
        }
        sections.insert(w.section);
        keys.insert(w.key);
    }
    changed.UpdateFile();
    const IniFile reread(path);
    checkSameValues(changed, reread, sections, keys);
    for (const auto& [where, value] : expected)
        FUZZ_CHECK_SAY(reread.ReadString(where.first, where.second, Missing) == value,
                       where.first + "/" + where.second);

    // Written a second time without a change: the same file again.
    const QByteArray once = readBytes(path);
    IniFile(path).UpdateFile();
    FUZZ_CHECK(readBytes(path) == once);
    return 0;
}
