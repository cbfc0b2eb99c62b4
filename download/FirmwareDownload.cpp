#include "FirmwareDownload.h"

#include "Bootloader.h"
#include "HexText.h"
#include "IntelHexReader.h"
#include "Link.h"
#include "LogSink.h"
#include "MemoryLayout.h"

#include <QFileInfo>

bool FirmwareDownload::MemoryLine(std::uint32_t areaEnd, QString& line, QString& range)
{
    const auto layout = MemoryLayout::of(areaEnd);
    if (!layout)
        return false;
    line = layout->firmwareLine;
    range = layout->firmwareRange;
    return true;
}

bool FirmwareDownload::Run(const QString& fileName)
{
    LogSink& log = m_boot.log();
    // The receive mode is the terminal's again when the download ends, however it ends.
    Link::Conversation conversation(m_boot.link());
    m_boot.clearFailure();
    m_boot.PrepareQueries();
    log.setColor(LogColors::Green);
    const bool ok = !fileName.isEmpty() && steps(fileName);
    log.setColor(LogColors::White);
    log.addLine(QString());
    return ok;
}

bool FirmwareDownload::steps(const QString& fileName)
{
    LogSink& log = m_boot.log();
    Link& link = m_boot.link();
    m_boot.ImageSize = FirmwareImageSize;
    m_boot.beginStep(QStringLiteral("load file "));
    if (!QFileInfo::exists(fileName)) {
        log.addLine(QStringLiteral("Datei \"") + fileName + QStringLiteral("\" file not found!"));
        m_boot.fail(StepFailure::Kind::File, QStringLiteral("file not found: ") + fileName);
        return false;
    }
    log.setColor(LogColors::Green);
    log.addLine(QString());
    log.addLine(QStringLiteral("load file "));
    IntelHexReader reader(log, [&link] { link.pumpEvents(); });
    if (!reader.ReadIntelHex(fileName, m_boot.FlashImage, m_boot.ImageLength, m_boot.ImageSize)) {
        m_boot.fail(StepFailure::Kind::File, QStringLiteral("no valid Intel HEX file: ") + fileName);
        return false;
    }
    log.setColor(LogColors::Green);
    log.append(QStringLiteral("size, ") + QString::number(m_boot.ImageLength) + QStringLiteral(" bytes"));

    if (!m_boot.ContactBoard(QStringLiteral("connect Velmar ")))
        return false;

    m_boot.beginStep(QStringLiteral("last memory, "));
    log.addLine(QStringLiteral("last memory, "));
    if (!m_boot.QueryAreaEnd(m_boot.FirmwareAreaEnd))
        return false;
    log.append(QStringLiteral(" ") + LongWordToHex(m_boot.FirmwareAreaEnd - 1));

    QString line, range;
    if (MemoryLine(m_boot.FirmwareAreaEnd, line, range)) {
        log.addLine(line);
        log.append(range + LongWordToHex(m_boot.FirmwareAreaEnd));
        if (m_boot.ImageLength > m_boot.FirmwareAreaEnd) {
            log.addLine(QStringLiteral("error: to less memory "));
            m_boot.beginStep(line);
            m_boot.fail(StepFailure::Kind::Refused,
                        QStringLiteral("error: to less memory (%1 bytes, the board takes %2)")
                            .arg(m_boot.ImageLength)
                            .arg(m_boot.FirmwareAreaEnd));
            return false;
        }
    }

    if (!m_boot.WriteAndVerify(0))
        return false;

    if (!m_boot.Leave())
        return false;
    log.addLine(QStringLiteral("execute SPS program "));
    log.addLine(QString());
    return true;
}
