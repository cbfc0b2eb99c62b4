#pragma once

#include "SendList.h"

#include <QByteArray>
#include <QString>

// The send list as a semicolon-separated text file: a header line, then one line per row with
// the eleven fields CMD, D0 .. D7, Delay and Comment, lines ended by CR LF.
//
// Data fields are empty, decimal ("12"), hexadecimal ("$C") or binary ("b1100"); the delay is
// empty, decimal or binary. The comment is the rest of the line, so a comment may hold ";".
class SendListFile {
public:
    static inline const QString Header = QStringLiteral("CMD;D0;D1;D2;D3;D4;D5;D6;D7;Delay;Comment");

    // Opens the file first and only then replaces the list with its rows, so that a file that
    // cannot be opened leaves the list as it was (EInOutError). A field that does not convert
    // ends the load with EConvertError; the rows before that line stay.
    static void load(const QString& path, SendList& list);
    // Writes a new file beside the old one and puts it in its place, so a failed write never
    // leaves a cut-off list (EInOutError). A row whose CMD holds a ";" could not be read back:
    // the list is then not written and the old file stays (EInOutError).
    static void save(const QString& path, const SendList& list);

    // The file's text as read: UTF-8, or Latin-1 for a file that is not valid UTF-8.
    // Written back in Latin-1 while the text fits (the older tool's lists stay byte for
    // byte), in UTF-8 for a list read in UTF-8 (SendList::utf8) or beyond Latin-1.
    [[nodiscard]] static QString decode(const QByteArray& bytes);
    // Appends the rows of `text` (the header line skipped) to `list`.
    static void readRows(const QString& text, SendList& list);
    // One line of the file; throws EConvertError for a data or delay field that is no number.
    [[nodiscard]] static SendRow parseLine(const QString& line);
    // The line of one row, without its line end.
    [[nodiscard]] static QString formatRow(const SendRow& row);
    // The whole file.
    [[nodiscard]] static QByteArray format(const SendList& list);
};
