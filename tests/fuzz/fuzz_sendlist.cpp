// The send-list reader over any file: the text is the file's UTF-8, or its Latin-1 when it is
// no valid UTF-8; the rows read stay when a later field does not convert; and the rows read,
// written and read again come back the same (line ends inside a text field become blanks, an
// empty command comes back as "0").
#include "EConvertError.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "SendListFile.h"

#include <QStringDecoder>

namespace {

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QByteArray bytes = in.rest();

    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString expected = strict(bytes);
    if (strict.hasError())
        expected = QString::fromLatin1(bytes);
    const QString text = SendListFile::decode(bytes);
    FUZZ_CHECK(text == expected);

    SendList list;
    try {
        SendListFile::readRows(text, list);
    } catch (const EConvertError&) {
        // The rows before the faulty line stay.
    }
    FUZZ_CHECK(list.size() <= int(text.count(QLatin1Char('\n'))));

    SendList again;
    SendListFile::readRows(SendListFile::decode(SendListFile::format(list)), again);
    FUZZ_CHECK(again.size() == list.size());
    for (int i = 0; i < list.size(); ++i) {
        SendRow row = list.at(i);
        row.CMD = row.CMD.isEmpty() ? QStringLiteral("0") : oneLine(row.CMD);
        row.Comment = oneLine(row.Comment);
        FUZZ_CHECK_SAY(again.at(i) == row, SendListFile::formatRow(list.at(i)));
    }
    return 0;
}
