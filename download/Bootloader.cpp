#include "Bootloader.h"

#include "BootloaderCommands.h"
#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"

#include <QElapsedTimer>
#include <QScopeGuard>

namespace {

constexpr int DotsPerLine = 100;

} // namespace

Bootloader::Bootloader(Link& link, LogSink& log) : m_link(link), m_log(log) {}

void Bootloader::fail(StepFailure::Kind kind, const QString& detail)
{
    StepFailure::keepFirst(m_failure, {kind, m_step.isEmpty() ? QStringLiteral("enter bootloader") : m_step, detail});
}

bool Bootloader::stopsAt(const QString& where)
{
    if (!cancelled || !cancelled())
        return false;
    m_log.setColor(LogColors::Green);
    m_log.addLine(QStringLiteral("cancelled at ") + where + (m_inBootloader ? cancelNote : QString()));
    fail(StepFailure::Kind::Cancelled, QStringLiteral("cancelled at ") + where);
    return true;
}

void Bootloader::setInBootloader(bool on)
{
    m_inBootloader = on;
    if (m_observer)
        m_observer->inBootloader(on);
}

void Bootloader::PrepareQueries() { m_link.rx().RxBlock.assign(QueryBlockSize, 0); }

bool Bootloader::EnterBootloader()
{
    const ReceiveDispatcher& rx = m_link.rx();
    const QString step = m_step.isEmpty() ? QStringLiteral("enter bootloader") : m_step;
    if (stopsAt(step))
        return false;
    m_link.expect(RxSignOn);
    m_link.write(CommandSet::resetIntoBootloader());

    // The sync pair keeps going out until the sign-on has been seen; the cycle that takes it
    // in and one more still send theirs, as the bootloader expects. The line is looked at only
    // at the start of a cycle: what comes during a sleep waits for the next one, and what
    // comes during the last sleep stays in the input queue.
    QElapsedTimer since;
    since.start();
    std::int64_t limitNs = std::int64_t(SignOnTimeout) * 1000000;
    do {
        if (rx.AnswerComplete)
            limitNs = 0;
        m_link.pumpEvents();
        m_link.dispatchWaiting();
        // A stop ends the cycles at once; a board that has signed on still gets this cycle's
        // pair, and is told to leave again by whoever stopped the download.
        if (cancelled && cancelled()) {
            if (rx.AnswerComplete) {
                m_log.append(QStringLiteral("."));
                m_link.write(QByteArray(BootloaderCommands::SyncPair, sizeof BootloaderCommands::SyncPair));
                setInBootloader(true);
            }
            stopsAt(step);
            return false;
        }
        m_log.append(QStringLiteral("."));
        m_link.write(QByteArray(BootloaderCommands::SyncPair, sizeof BootloaderCommands::SyncPair));
        m_link.sleep(SyncCycle);
    } while (since.nsecsElapsed() <= limitNs);

    if (rx.AnswerComplete) {
        setInBootloader(true);
        return true;
    }
    m_log.addLine(QStringLiteral(" Timeout "));
    // A board whose last download broke off (its port was lost, the tool was ended) may still
    // sit in its bootloader, waiting for the rest of a block, and then ignores the reset.
    fail(StepFailure::Kind::NoAnswer,
         QStringLiteral("no sign-on of the bootloader; try again, and if it keeps failing, switch the board off "
                        "and on: after a download that broke off it may still wait for the rest of a block"));
    return false;
}

bool Bootloader::ContactBoard(const QString& line)
{
    beginStep(line);
    m_log.addLine(line);
    const bool signedOn = EnterBootloader();
    m_link.toTerminal();
    // A stopped download leaves the bootloader at once; the pause would only delay it.
    if (!failure() || failure()->kind != StepFailure::Kind::Cancelled)
        m_link.sleep(AfterSignOnPause);
    // The log goes on in the download's green, whatever the terminal showed meanwhile.
    m_log.setColor(LogColors::Green);
    return signedOn;
}

bool Bootloader::startPasses(std::uint32_t flashAddress)
{
    m_flashAddress = flashAddress;
    m_mismatch.reset();
    beginStep(QStringLiteral("block size, "));
    m_log.addLine(QStringLiteral("block size, "));
    if (!QueryWord(BootloaderCommands::blockSize(), BlockSize, Link::TelegramTimeout))
        return false;
    m_log.append(QStringLiteral(" ") + WordToHex(BlockSize));
    // The one check of the board's block size: nothing goes out with one the transfer cannot use.
    return CheckBlockSize(BlockSize) && SelectAddress(flashAddress);
}

bool Bootloader::WriteAndVerify(std::uint32_t flashAddress)
{
    return startPasses(flashAddress) && FlashPass(0, ImageLength, BlockSize) && SelectAddress(flashAddress) &&
           VerifyPass(0, ImageLength, BlockSize);
}

bool Bootloader::VerifyOnly(std::uint32_t flashAddress)
{
    return startPasses(flashAddress) && VerifyPass(0, ImageLength, BlockSize, Differences::Count);
}

bool Bootloader::VerifyAndLeave(std::uint32_t flashAddress)
{
    const bool same = VerifyOnly(flashAddress);
    // A comparison that broke off (no answer, a stop) leaves the board where it is, as a
    // download that breaks off does.
    if (!same && m_differences == 0)
        return false;
    return Leave() && same;
}

bool Bootloader::ReadArea(std::uint32_t flashAddress, std::uint32_t length)
{
    return startPasses(flashAddress) && ReadPass(0, length, BlockSize);
}

bool Bootloader::query(const QByteArray& command, std::uint32_t& result, int size, std::uint32_t timeoutMs)
{
    if (stopsAt(m_step.endsWith(QLatin1Char(',')) ? m_step.chopped(1) : m_step))
        return false;
    ReceiveDispatcher& rx = m_link.rx();
    if (rx.RxBlock.size() < QueryBlockSize)
        rx.RxBlock.resize(QueryBlockSize, 0);
    rx.RxBlock[0] = 0;
    result = 0;
    if (!m_link.exchange(command, RxCrReply, timeoutMs)) {
        m_log.append(QStringLiteral("timeout"));
        fail(StepFailure::Kind::NoAnswer, QStringLiteral("timeout"));
        return false;
    }
    // The count the dispatcher wrote into element 0 when the CR came. RxCount goes on counting
    // what follows the CR (the LF of a board that ends its replies with CR LF).
    const std::size_t n = rx.RxBlock[0];
    // Element 0 holds the count's low byte only: after a reply of 256 bytes or more it does not
    // point at the CR, and such a reply did not fit either.
    const bool wrapped = n < rx.RxBlock.size() && rx.RxBlock[n] != 0x0D;
    if (!wrapped && n < std::size_t(size) + 1) {
        m_log.append(QStringLiteral("Abbruch: zu wenig Zeichen empfangen"));
        fail(StepFailure::Kind::Refused, QStringLiteral("Abbruch: zu wenig Zeichen empfangen"));
        return false;
    }
    if (wrapped || n >= rx.RxBlock.size()) {
        m_log.append(QStringLiteral("Abbruch: zu viele Zeichen empfangen"));
        fail(StepFailure::Kind::Refused, QStringLiteral("Abbruch: zu viele Zeichen empfangen"));
        return false;
    }
    for (std::size_t i = n - std::size_t(size); i < n; ++i)
        result = (result << 8) | rx.RxBlock[i];
    return true;
}

bool Bootloader::QueryLongWord(const QByteArray& command, std::uint32_t& result, std::uint32_t timeoutMs)
{
    return query(command, result, 4, timeoutMs);
}

bool Bootloader::QueryWord(const QByteArray& command, std::uint16_t& result, std::uint32_t timeoutMs)
{
    std::uint32_t value = 0;
    const bool ok = query(command, value, 2, timeoutMs);
    result = std::uint16_t(value);
    return ok;
}

bool Bootloader::CheckBlockSize(std::uint16_t blockSize)
{
    if (blockSize >= 1 && blockSize <= MaxBlockSize)
        return true;
    const QString line = QStringLiteral("error: block size ") + WordToHex(blockSize) +
                         QStringLiteral(" not usable (1 to 1024 bytes), nothing written");
    m_log.addLine(line);
    fail(StepFailure::Kind::Refused, line);
    return false;
}

bool Bootloader::SelectAddress(std::uint32_t address)
{
    const QString line = QStringLiteral("select adress: ") + LongWordToHex(address);
    beginStep(line);
    if (stopsAt(m_step))
        return false;
    m_log.addLine(line);
    const char command[] = {BootloaderCommands::SelectAddress, char(address >> 24), char(address >> 16),
                            char(address >> 8), char(address)};
    if (m_link.exchange(QByteArray(command, sizeof command), RxWaitCr, SelectTimeout))
        return true;
    m_log.append(QStringLiteral("timeout"));
    fail(StepFailure::Kind::NoAnswer, QStringLiteral("timeout"));
    return false;
}

QByteArray Bootloader::blockCommand(char letter, std::uint16_t blockSize) const
{
    const char command[] = {letter, char(blockSize >> 8), char(blockSize & 0xFF), BootloaderCommands::BlockEnd};
    return QByteArray(command, sizeof command);
}

bool Bootloader::writeBlock(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end)
{
    m_link.write(blockCommand(BootloaderCommands::WriteBlock, blockSize));
    QByteArray block(blockSize, char(0xFF));
    end = std::min<std::uint32_t>(end, std::uint32_t(FlashImage.size()));
    const std::uint32_t take = position < end ? std::min<std::uint32_t>(end - position, blockSize) : 0;
    if (take > 0)
        std::copy_n(FlashImage.begin() + position, take, block.begin());
    position += take;
    if (m_link.exchange(block, RxWaitCr, BlockWriteTimeout))
        return true;
    m_blockProblem = StepFailure::Kind::NoAnswer;
    m_blockDetail = QStringLiteral("timeout");
    return false;
}

void Bootloader::dot(int& dots)
{
    if (dots < DotsPerLine) {
        m_log.append(QStringLiteral("."));
        ++dots;
    } else {
        m_log.append(QStringLiteral("\n"));
        dots = 0;
    }
}

bool Bootloader::runPass(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                         std::uint16_t blockSize)
{
    const bool flash = pass == TransferProgress::Pass::Flash;
    m_passEnd = imageLength;
    if (m_observer)
        m_observer->passStarted(pass, start, imageLength, blockSize);
    std::uint32_t position = start;
    int dots = 0;
    const std::uint32_t span = imageLength > start ? imageLength - start : 0;
    const std::uint32_t blocks = std::max<std::uint32_t>(1, (span + blockSize - 1) / blockSize);
    for (std::uint32_t block = 0;; ++block) {
        // Stopped between two blocks: the one under way has been answered.
        if (stopsAt(QStringLiteral("block %1 of %2").arg(block + 1).arg(blocks)))
            return false;
        const std::uint32_t before = position;
        const bool ok = flash                                  ? writeBlock(position, blockSize, imageLength)
                        : pass == TransferProgress::Pass::Read ? storeBlock(position, blockSize, imageLength)
                                                               : VerifyBlock(position, blockSize);
        if (ok) {
            dot(dots);
            if (m_observer)
                m_observer->blockDone();
        } else if (flash) {
            m_log.addLine(QStringLiteral("timeout"));
        }
        // Reaching the end counts even when the last block failed: a missed acknowledgement is
        // found by the verify pass, a difference in the fill behind the image is only reported.
        if (position >= imageLength)
            return true;
        if (!ok) {
            fail(m_blockProblem, m_blockDetail);
            return false;
        }
        // A block that moves nothing would never reach the end.
        if (position == before) {
            fail(StepFailure::Kind::Refused, QStringLiteral("no progress at block ") + QString::number(block + 1));
            return false;
        }
    }
}

bool Bootloader::FlashPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize)
{
    beginStep(QStringLiteral("flash device "));
    m_log.addLine(QStringLiteral("flash device "));
    m_log.addLine(QString());
    return runPass(TransferProgress::Pass::Flash, start, imageLength, blockSize);
}

std::uint8_t Bootloader::imageByte(std::uint32_t position) const
{
    // Behind the image the flash holds the erased value the last block was filled with.
    return position < FlashImage.size() ? FlashImage[position] : std::uint8_t(0xFF);
}

bool Bootloader::readBlock(std::uint16_t blockSize)
{
    ReceiveDispatcher& rx = m_link.rx();
    if (rx.RxBlock.size() < std::size_t(blockSize) + 2)
        rx.RxBlock.resize(std::size_t(blockSize) + 2, 0);
    rx.RxExpected = blockSize;
    rx.RxCapacity = std::uint16_t(blockSize + 1);
    if (m_link.exchange(blockCommand(BootloaderCommands::ReadBlock, blockSize), RxFixedBlock, BlockReadTimeout))
        return true;
    m_log.append(QStringLiteral(" timeout"));
    m_log.addLine(QStringLiteral("RxIndex: ") + WordToHex(rx.RxCount));
    m_log.addLine(QStringLiteral("RxBlockSize: ") + WordToHex(rx.RxExpected));
    m_blockProblem = StepFailure::Kind::NoAnswer;
    m_blockDetail = QStringLiteral("timeout after %1 of %2 bytes").arg(rx.RxCount).arg(rx.RxExpected);
    return false;
}

void Bootloader::reportDifference(std::uint32_t position, std::uint16_t index)
{
    const QString line = QStringLiteral(" Fehler bei Adresse: soll [") + WordToHex(std::uint16_t(position)) +
                         QStringLiteral("] ") + ByteToHex(imageByte(position)) + QStringLiteral("    ist: [") +
                         WordToHex(index) + QStringLiteral("] ") + ByteToHex(m_link.rx().RxBlock[index]);
    m_log.addLine(line);
    m_mismatch = m_flashAddress + position;
    m_blockProblem = StepFailure::Kind::Refused;
    m_blockDetail = line.trimmed();
}

bool Bootloader::VerifyBlock(std::uint32_t& position, std::uint16_t blockSize)
{
    if (!readBlock(blockSize))
        return false;
    if (m_countDifferences) {
        countDifferences(position, blockSize, m_passEnd);
        return true;
    }
    const std::vector<std::uint8_t>& block = m_link.rx().RxBlock;
    for (std::uint16_t i = 0; i < blockSize; ++i) {
        if (imageByte(position) != block[i]) {
            reportDifference(position, i);
            return false;
        }
        ++position;
    }
    return true;
}

void Bootloader::countDifferences(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end)
{
    // Only the image is compared: behind its end the file says nothing about the flash.
    const std::vector<std::uint8_t>& block = m_link.rx().RxBlock;
    for (std::uint16_t i = 0; i < blockSize && position < end; ++i, ++position) {
        if (imageByte(position) != block[i] && m_differences++ == 0) {
            reportDifference(position, i);
            m_log.addLine(QString()); // the pass's dots go on below the line
        }
    }
}

QString Bootloader::differText(std::uint32_t count)
{
    return count == 1 ? QStringLiteral("1 byte differs") : QStringLiteral("%1 bytes differ").arg(count);
}

bool Bootloader::VerifyPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize,
                            Differences differences)
{
    m_link.rx().RxBlock.assign(std::size_t(blockSize) + 2, 0);
    beginStep(QStringLiteral("verify device "));
    m_log.addLine(QStringLiteral("verify device "));
    m_log.addLine(QString());
    m_differences = 0;
    m_countDifferences = differences == Differences::Count;
    const auto counted = qScopeGuard([this] { m_countDifferences = false; });
    if (!runPass(TransferProgress::Pass::Verify, start, imageLength, blockSize))
        return false;
    if (m_differences == 0)
        return true;
    m_log.addLine(differText(m_differences));
    fail(StepFailure::Kind::Refused, m_blockDetail + QStringLiteral("; ") + differText(m_differences));
    return false;
}

bool Bootloader::storeBlock(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end)
{
    if (!readBlock(blockSize))
        return false;
    const std::uint32_t take = position < end ? std::min<std::uint32_t>(end - position, blockSize) : 0;
    std::copy_n(m_link.rx().RxBlock.begin(), take, FlashImage.begin() + position);
    position += take;
    return true;
}

bool Bootloader::ReadPass(std::uint32_t start, std::uint32_t length, std::uint16_t blockSize)
{
    m_link.rx().RxBlock.assign(std::size_t(blockSize) + 2, 0);
    if (FlashImage.size() < length)
        FlashImage.resize(length, 0xFF);
    beginStep(QStringLiteral("read device "));
    m_log.addLine(QStringLiteral("read device "));
    m_log.addLine(QString());
    return runPass(TransferProgress::Pass::Read, start, length, blockSize);
}

bool Bootloader::SendBootCommand(const QByteArray& command, std::uint32_t timeoutMs)
{
    // Once told to leave, the board runs its firmware whether or not it says so in time.
    if (command == BootloaderCommands::leave())
        setInBootloader(false);
    if (m_link.exchange(command, RxAnswerLine, timeoutMs))
        return true;
    m_log.append(QStringLiteral("timeout"));
    fail(StepFailure::Kind::NoAnswer, QStringLiteral("timeout"));
    return false;
}

bool Bootloader::QueryAreaEnd(std::uint32_t& areaEnd)
{
    return QueryLongWord(BootloaderCommands::areaEnd(), areaEnd, Link::TelegramTimeout);
}

bool Bootloader::Leave()
{
    beginStep(QStringLiteral("bootloader exit "));
    m_log.addLine(QStringLiteral("bootloader exit "));
    return SendBootCommand(BootloaderCommands::leave(), Link::TelegramTimeout);
}

bool Bootloader::StartProgram() { return SendBootCommand(BootloaderCommands::leave(), Link::TelegramTimeout); }
