#include "ByteCodeReader.h"

#include "HexText.h"
#include "LineSplitter.h"

#include <QFile>

bool ByteCodeReader::ReadByteCodeFile(const QString& fileName, std::vector<std::uint8_t>& image,
                                      std::uint32_t& imageLength, std::uint32_t imageSize)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        image.assign(imageSize, 0xFF);
        imageLength = 0;
        m_firstFaultyLine = 0;
        m_problem = QStringLiteral("cannot read \"") + fileName + QStringLiteral("\": ") + file.errorString();
        return false;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        image.assign(imageSize, 0xFF);
        imageLength = 0;
        m_firstFaultyLine = 0;
        m_problem = QStringLiteral("cannot read \"") + fileName + QStringLiteral("\": ") + file.errorString();
        return false;
    }
    return ReadByteCodeText(text, image, imageLength, imageSize);
}

bool ByteCodeReader::ReadByteCodeText(const QByteArray& text, std::vector<std::uint8_t>& image,
                                      std::uint32_t& imageLength, std::uint32_t imageSize)
{
    image.assign(imageSize, 0xFF);
    imageLength = 0;
    m_image = &image;
    m_length = &imageLength;
    m_size = imageSize;
    m_tooLarge = false;
    m_problem.clear();
    m_firstFaultyLine = 0;
    m_firstFaultyText.clear();

    bool faulty = false;
    int lineNumber = 0;
    LineSplitter lines(text);
    QByteArray line;
    while (lines.next(line)) {
        ++lineNumber;
        // Comments and empty lines hold no byte code.
        if (line.startsWith(';') || line.isEmpty())
            continue;
        if (!readLine(line)) {
            faulty = true;
            if (m_firstFaultyLine == 0) {
                m_firstFaultyLine = lineNumber;
                // Enough of it to find it in the file; a runaway line does not flood the log.
                m_firstFaultyText = QString::fromLatin1(line.left(80));
                if (line.size() > 80)
                    m_firstFaultyText += QStringLiteral("...");
            }
        }
        if (m_pump)
            m_pump();
    }
    if (m_tooLarge) {
        m_problem = QStringLiteral("byte code larger than %1 bytes, refused").arg(m_size);
        return false;
    }
    // A faulty line is reported as "file error" alone; firstFaultyLine() tells which one.
    return !faulty;
}

void ByteCodeReader::put(std::uint8_t byte)
{
    if (*m_length >= m_size) {
        m_tooLarge = true;
        return;
    }
    (*m_image)[*m_length] = byte;
    ++*m_length;
}

bool ByteCodeReader::readLine(const QByteArray& line)
{
    QByteArray rest = line;
    for (;;) {
        if (rest.startsWith('"')) {
            put(0x22);
            rest.remove(0, 1);
            const qsizetype close = rest.indexOf('"');
            if (close < 0) {
                // No closing quote: the text runs to the end of the line, which is faulty.
                for (char c : rest)
                    put(std::uint8_t(c));
                return false;
            }
            for (qsizetype i = 0; i <= close; ++i)
                put(std::uint8_t(rest[i]));
            // The quote and the separator behind it.
            rest.remove(0, close + 2);
        }
        const qsizetype colon = rest.indexOf(':');
        const QByteArray item = rest.left(2);
        const bool last = colon < 1; // none, or at the very start
        if (!last)
            rest.remove(0, colon + 1);
        const QString number = QLatin1Char('$') + QString::fromLatin1(item);
        if (!IsIntegerText(number))
            return false;
        put(std::uint8_t(StrToInt(number)));
        if (last)
            return true;
    }
}
