// Every relative link and picture in README.md and docs/*.md leads to a file of the tree, and
// every #anchor to a heading of its page, so that the front page and the guides cannot rot.
#include "FileBytes.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// A heading's anchor as GitHub makes it: lower case, spaces become hyphens, other punctuation
// goes.
QString slug(const QString& heading)
{
    QString s;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == '-' || c == '_')
            s += c;
        else if (c == ' ')
            s += '-';
    }
    return s;
}

struct Page {
    QStringList links;
    QSet<QString> anchors;
};

// The links and heading anchors of a Markdown file; code blocks and code spans hold none.
Page readPage(const QString& path)
{
    static const QRegularExpression heading(R"(^#{1,6}\s+(.*?)[\s#]*$)");
    static const QRegularExpression codeSpan("`[^`\n]*`");
    static const QRegularExpression link(R"(!?\[[^\]]*\]\(([^)\s]+)(?:\s+"[^"]*")?\))");
    Page page;
    QHash<QString, int> seen; // a repeated heading gets -1, -2, ...
    bool fenced = false;
    for (const QString& line : QString::fromUtf8(FileBytes(path)).split('\n')) {
        if (line.trimmed().startsWith("```")) {
            fenced = !fenced;
            continue;
        }
        if (fenced || line.startsWith("    ") || line.startsWith('\t'))
            continue;
        if (const auto h = heading.match(line); h.hasMatch()) {
            const QString s = slug(h.captured(1));
            const int n = seen[s]++;
            page.anchors << (n == 0 ? s : s + '-' + QString::number(n));
        }
        const QString text = QString(line).remove(codeSpan);
        for (auto it = link.globalMatch(text); it.hasNext();)
            page.links << it.next().captured(1);
    }
    return page;
}

// The links of the page at `path` that lead nowhere inside `root`.
QStringList brokenLinks(const QString& path, const QString& root)
{
    QStringList broken;
    for (const QString& link : readPage(path).links) {
        if (link.contains("://") || link.startsWith("mailto:"))
            continue;
        const QString file = QUrl::fromPercentEncoding(link.section('#', 0, 0).toUtf8());
        const QString anchor = link.section('#', 1);
        const QString target = file.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absolutePath() + '/' + file);
        if (!target.startsWith(QDir::cleanPath(root) + '/') || !QFileInfo::exists(target))
            broken << link;
        else if (!anchor.isEmpty() && target.endsWith(".md") && !readPage(target).anchors.contains(anchor))
            broken << link;
    }
    return broken;
}

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

} // namespace

TEST(DocLinks, EveryLinkOfTheReadmeAndTheGuidesLeadsSomewhere)
{
    const QString root = QStringLiteral(VELMAR_SOURCE_DIR);
    QStringList pages{"README.md"};
    for (const QString& name : QDir(root + "/docs").entryList({"*.md"}, QDir::Files))
        pages << "docs/" + name;
    ASSERT_GT(pages.size(), 1);
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        EXPECT_EQ(brokenLinks(root + '/' + page, root), QStringList());
    }
}

// The check itself finds a missing file, a missing anchor, a file outside the tree and a picture
// looked for beside the wrong page, and leaves code alone.
TEST(DocLinks, TheCheckFindsWhatIsBroken)
{
    QTemporaryDir dir;
    const QString root = dir.path() + "/tree";
    write(root + "/b.png", "");
    write(root + "/docs/a.md", "# A page\n"
                               "## Tour (`x/y`)\n"
                               "### Tour (`x/y`)\n"
                               "[ok](#tour-xy-1) [ok](../b.png) [ok](a.md#a-page) `[code](nowhere.md)`\n"
                               "    [code](nowhere.md)\n"
                               "```\n[code](nowhere.md)\n```\n"
                               "[gone](c.md) [anchor](#tour) [out](../../tree.md) ![pic](b.png)\n");
    write(dir.path() + "/tree.md", "");
    EXPECT_EQ(brokenLinks(root + "/docs/a.md", root), QStringList({"c.md", "#tour", "../../tree.md", "b.png"}));
}
