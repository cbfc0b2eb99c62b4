#include "ByteCodeDownload.h"

#include "Bootloader.h"
#include "ByteCodeReader.h"
#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"
#include "MemoryLayout.h"

#include <QFileInfo>

bool ByteCodeDownload::AwlArea(std::uint32_t awlStart, QString& line, std::uint32_t& limit)
{
    const auto layout = MemoryLayout::of(awlStart);
    if (!layout || layout->awlLimit == 0)
        return false;
    line = layout->awlLine;
    limit = layout->awlLimit;
    return true;
}

bool ByteCodeDownload::LoadByteCode(const QString& fileName) { return run(fileName, false); }

bool ByteCodeDownload::VerifyByteCode(const QString& fileName) { return run(fileName, true); }

bool ByteCodeDownload::run(const QString& fileName, bool verifyOnly)
{
    LogSink& log = m_boot.log();
    // The receive mode is the terminal's again when the download ends, however it ends, also
    // when it ran inside a tool window's conversation (file synchronization).
    Link::Conversation conversation(m_boot.link());
    m_boot.clearFailure();
    bool ok = false;
    if (firmwareValid()) {
        ok = steps(fileName, verifyOnly);
        // Closing step after the firmware check was passed.
        log.addLine(QString());
        log.setColor(LogColors::White);
        log.addLine(QString());
    }
    log.addLine(QString());
    return ok;
}

bool ByteCodeDownload::firmwareValid()
{
    LogSink& log = m_boot.log();
    Link& link = m_boot.link();
    // The firmware-valid byte lives at EEPROM 0x0001.
    const std::uint8_t selected = link.SendTelegram(CommandSet::selectAddress(0x0001));
    if (selected == 0)
        log.addLine(QStringLiteral("write adress: 0x0001 timeout"));
    else if (selected == CommandSet::Refused)
        log.addLine(QStringLiteral("write adress: 0x0001 fail"));

    m_boot.beginStep(QStringLiteral("firmware check (EEPROM 0x0001)"));
    const std::uint8_t code = link.SendTelegram(CommandSet::eepromRead(1));
    if (code == 0) {
        log.append(QStringLiteral("  timeout"));
        m_boot.fail(StepFailure::Kind::NoAnswer, QStringLiteral("timeout"));
        return false;
    }
    if (code == CommandSet::Refused) {
        log.append(QStringLiteral("  fail"));
        m_boot.fail(StepFailure::Kind::Refused, QStringLiteral("fail"));
        return false;
    }
    // A data answer without its byte is as invalid as a wrong code: nothing is left to check.
    const auto data = link.AnswerData();
    if (code != CommandSet::EepromRead || data.empty()) {
        const QString line = QStringLiteral("Rückmeldung ungültig ? ") + ByteToHex(code);
        log.addLine(line);
        m_boot.fail(StepFailure::Kind::Refused, line);
        return false;
    }
    if (data[0] == 0xFF) {
        log.addLine(QStringLiteral("Firmware invalid "));
        m_boot.fail(StepFailure::Kind::Refused, QStringLiteral("Firmware invalid"));
        return false;
    }
    return true;
}

bool ByteCodeDownload::steps(const QString& fileName, bool verifyOnly)
{
    LogSink& log = m_boot.log();
    m_boot.PrepareQueries();
    m_boot.ImageSize = ByteCodeImageSize;
    if (!readFile(fileName))
        return false;
    if (!m_boot.ContactBoard(QStringLiteral("contact Velmar ")))
        return false;
    if (!areaTakesImage())
        return false;

    // The image from index 0 goes to the flash from the area start on.
    if (verifyOnly)
        return m_boot.VerifyAndLeave(m_awlStart);
    if (!m_boot.WriteAndVerify(m_awlStart))
        return false;

    m_boot.beginStep(QStringLiteral("start program"));
    log.addLine(QStringLiteral("start program"));
    m_boot.StartProgram();
    return true;
}

bool ByteCodeDownload::readFile(const QString& fileName)
{
    LogSink& log = m_boot.log();
    Link& link = m_boot.link();
    m_boot.beginStep(QStringLiteral("load AWL "));
    if (!QFileInfo::exists(fileName)) {
        log.addLine(QStringLiteral("File \"") + fileName + QStringLiteral("\" not found!"));
        m_boot.fail(StepFailure::Kind::File, QStringLiteral("file not found: ") + fileName);
        return false;
    }
    log.setColor(LogColors::Green);
    log.addLine(QStringLiteral("load AWL "));
    ByteCodeReader reader([&link] { link.pumpEvents(); });
    if (!reader.ReadByteCodeFile(fileName, m_boot.FlashImage, m_boot.ImageLength, m_boot.ImageSize)) {
        log.append(QStringLiteral("file error"));
        if (!reader.problem().isEmpty())
            log.addLine(reader.problem());
        if (reader.firstFaultyLine() > 0)
            log.addLine(QStringLiteral("first faulty line %1: ").arg(reader.firstFaultyLine()) +
                        reader.firstFaultyText());
        m_boot.fail(StepFailure::Kind::File,
                    reader.firstFaultyLine() > 0
                        ? QStringLiteral("file error in line %1 of %2").arg(reader.firstFaultyLine()).arg(fileName)
                        : QStringLiteral("file error: ") + (reader.problem().isEmpty() ? fileName : reader.problem()));
        return false;
    }
    log.setColor(LogColors::Green);
    log.append(QStringLiteral("size, ") + QString::number(m_boot.ImageLength) + QStringLiteral(" bytes"));
    return true;
}

bool ByteCodeDownload::areaTakesImage()
{
    LogSink& log = m_boot.log();
    m_boot.beginStep(QStringLiteral("last memory"));
    if (!m_boot.QueryAreaEnd(m_awlStart))
        return false;
    QString line;
    std::uint32_t limit = 0;
    if (!AwlArea(m_awlStart, line, limit))
        return true;
    log.addLine(line);
    log.append(QStringLiteral(" ") + LongWordToHex(m_awlStart));
    log.append(QStringLiteral(" to ") + LongWordToHex(m_awlStart + m_boot.ImageLength));
    if (m_boot.ImageLength > limit) {
        log.addLine(QStringLiteral("error: to less memory "));
        m_boot.beginStep(line);
        m_boot.fail(
            StepFailure::Kind::Refused,
            QStringLiteral("error: to less memory (%1 bytes, the area takes %2)").arg(m_boot.ImageLength).arg(limit));
        return false;
    }
    return true;
}
