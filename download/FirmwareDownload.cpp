#include "FirmwareDownload.h"

#include "Bootloader.h"
#include "HexText.h"
#include "IntelHexReader.h"
#include "IntelHexWriter.h"
#include "Link.h"
#include "LogSink.h"
#include "MemoryLayout.h"

#include <QFileInfo>
#include <QSaveFile>

bool FirmwareDownload::MemoryLine(std::uint32_t areaEnd, QString& line, QString& range)
{
    const auto layout = MemoryLayout::of(areaEnd);
    if (!layout)
        return false;
    line = layout->firmwareLine;
    range = layout->firmwareRange;
    return true;
}

bool FirmwareDownload::Run(const QString& fileName) { return run(Job::Download, fileName); }

bool FirmwareDownload::Verify(const QString& fileName) { return run(Job::Verify, fileName); }

bool FirmwareDownload::ReadInto(const QString& fileName, bool keepErased)
{
    return run(Job::Read, fileName, keepErased);
}

bool FirmwareDownload::run(Job job, const QString& fileName, bool keepErased)
{
    LogSink& log = m_boot.log();
    // The receive mode is the terminal's again when the job ends, however it ends.
    Link::Conversation conversation(m_boot.link());
    m_boot.clearFailure();
    m_boot.PrepareQueries();
    log.setColor(LogColors::Green);
    const bool ok = !fileName.isEmpty() && steps(job, fileName, keepErased);
    log.setColor(LogColors::White);
    log.addLine(QString());
    return ok;
}

bool FirmwareDownload::steps(Job job, const QString& fileName, bool keepErased)
{
    LogSink& log = m_boot.log();
    m_boot.ImageSize = FirmwareImageSize;
    // Not committed unless the read is complete: the user's file stays as it was otherwise.
    QSaveFile target(fileName);
    if (job == Job::Read) {
        if (!openTarget(target))
            return false;
        log.addLine(QString());
    } else if (!loadFile(fileName)) {
        return false;
    }

    if (!m_boot.ContactBoard(QStringLiteral("connect Velmar ")) || !areaEnd(job))
        return false;

    switch (job) {
    case Job::Download:
        if (!m_boot.WriteAndVerify(0) || !m_boot.Leave())
            return false;
        log.addLine(QStringLiteral("execute SPS program "));
        log.addLine(QString());
        return true;
    case Job::Verify: return m_boot.VerifyAndLeave(0);
    case Job::Read: {
        if (!m_boot.ReadArea(0, m_boot.FirmwareAreaEnd))
            return false;
        m_boot.ImageLength = m_boot.FirmwareAreaEnd;
        // The bytes are all there: the file is written, and the board starts its firmware
        // again whether or not the file could be written.
        const bool saved = save(target, keepErased);
        return m_boot.Leave() && saved;
    }
    }
    return false;
}

bool FirmwareDownload::loadFile(const QString& fileName)
{
    LogSink& log = m_boot.log();
    Link& link = m_boot.link();
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
    return true;
}

bool FirmwareDownload::areaEnd(Job job)
{
    LogSink& log = m_boot.log();
    m_boot.beginStep(QStringLiteral("last memory, "));
    log.addLine(QStringLiteral("last memory, "));
    if (!m_boot.QueryAreaEnd(m_boot.FirmwareAreaEnd))
        return false;
    const std::uint32_t end = m_boot.FirmwareAreaEnd;
    log.append(QStringLiteral(" ") + LongWordToHex(end - 1));
    if (job == Job::Read && (end == 0 || end > LargestArea)) {
        const QString line = QStringLiteral("error: firmware area end ") + LongWordToHex(end) +
                             QStringLiteral(" not readable (1 to 131072 bytes), nothing read");
        log.addLine(line);
        m_boot.fail(StepFailure::Kind::Refused, line);
        return false;
    }

    QString line, range;
    if (!MemoryLine(end, line, range))
        return true;
    log.addLine(line);
    log.append(range + LongWordToHex(end));
    if (job != Job::Read && m_boot.ImageLength > end) {
        log.addLine(QStringLiteral("error: to less memory "));
        m_boot.beginStep(line);
        m_boot.fail(
            StepFailure::Kind::Refused,
            QStringLiteral("error: to less memory (%1 bytes, the board takes %2)").arg(m_boot.ImageLength).arg(end));
        return false;
    }
    return true;
}

bool FirmwareDownload::openTarget(QSaveFile& target)
{
    m_boot.beginStep(QStringLiteral("write file "));
    if (target.open(QIODevice::WriteOnly))
        return true;
    const QString line =
        QStringLiteral("cannot write ") + target.fileName() + QStringLiteral(": ") + target.errorString();
    m_boot.log().addLine(line);
    m_boot.fail(StepFailure::Kind::File, line);
    return false;
}

bool FirmwareDownload::save(QSaveFile& target, bool keepErased)
{
    LogSink& log = m_boot.log();
    m_boot.beginStep(QStringLiteral("write file "));
    log.addLine(QStringLiteral("write file ") + target.fileName());
    const QByteArray text =
        IntelHexWriter::text(std::span(m_boot.FlashImage.data(), m_boot.FirmwareAreaEnd), keepErased);
    if (target.write(text) == text.size() && target.commit()) {
        log.append(QStringLiteral("  pass"));
        return true;
    }
    const QString reason = target.errorString();
    target.cancelWriting();
    log.append(QStringLiteral("  fail: ") + reason);
    m_boot.fail(StepFailure::Kind::File,
                QStringLiteral("cannot write ") + target.fileName() + QStringLiteral(": ") + reason);
    return false;
}
