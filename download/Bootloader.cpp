#include "Bootloader.h"

#include "CommandSet.h"
#include "HexText.h"
#include "Link.h"
#include "LogSink.h"

namespace {

// ESC and 0xAA: the bootloader's call while it listens after a reset.
constexpr char SyncPair[] = {0x1B, char(0xAA)};
constexpr int DotsPerLine = 100;

} // namespace

Bootloader::Bootloader(Link& link, LogSink& log) : m_link(link), m_log(log) {}

void Bootloader::PrepareQueries() { m_link.rx().RxBlock.assign(QueryBlockSize, 0); }

bool Bootloader::EnterBootloader()
{
    ReceiveDispatcher& rx = m_link.rx();
    rx.AnswerComplete = 0;
    rx.RxMode = RxSignOn;
    rx.RxText.clear();
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
        m_log.append(QStringLiteral("."));
        m_link.write(QByteArray(SyncPair, sizeof SyncPair));
        m_link.sleep(SyncCycle);
    } while (since.nsecsElapsed() <= limitNs);

    if (rx.AnswerComplete)
        return true;
    m_log.addLine(QStringLiteral(" Timeout "));
    return false;
}

bool Bootloader::ContactBoard(const QString& line)
{
    m_log.addLine(line);
    const bool signedOn = EnterBootloader();
    m_link.rx().RxMode = RxTerminal;
    m_link.sleep(AfterSignOnPause);
    // The log goes on in the download's green, whatever the terminal showed meanwhile.
    m_log.setColor(LogColors::Green);
    return signedOn;
}

bool Bootloader::WriteAndVerify(std::uint32_t flashAddress)
{
    m_log.addLine(QStringLiteral("block size, "));
    if (!QueryWord(QByteArrayLiteral("b"), BlockSize, Link::TelegramTimeout))
        return false;
    m_log.append(QStringLiteral(" ") + WordToHex(BlockSize));
    if (!CheckBlockSize(BlockSize))
        return false;
    if (!SelectAddress(flashAddress) || !FlashPass(0, ImageLength, BlockSize))
        return false;
    return SelectAddress(flashAddress) && VerifyPass(0, ImageLength, BlockSize);
}

bool Bootloader::query(const QByteArray& command, std::uint32_t& result, int size, std::uint32_t timeoutMs)
{
    ReceiveDispatcher& rx = m_link.rx();
    if (rx.RxBlock.size() < QueryBlockSize)
        rx.RxBlock.resize(QueryBlockSize, 0);
    rx.RxMode = RxCrReply;
    rx.AnswerComplete = 0;
    rx.RxCount = 0;
    rx.RxBlock[0] = 0;
    result = 0;
    m_link.write(command);
    if (!m_link.waitForAnswer(timeoutMs)) {
        m_log.append(QStringLiteral("timeout"));
        return false;
    }
    // The dispatcher keeps counting past the end of the block, so the count is the real one.
    const std::size_t n = rx.RxCount;
    if (n < std::size_t(size) + 1) {
        m_log.append(QStringLiteral("Abbruch: zu wenig Zeichen empfangen"));
        return false;
    }
    if (n >= rx.RxBlock.size()) {
        m_log.append(QStringLiteral("Abbruch: zu viele Zeichen empfangen"));
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
    m_log.addLine(QStringLiteral("error: block size ") + WordToHex(blockSize) +
                  QStringLiteral(" not usable (1 to 1024 bytes), nothing written"));
    return false;
}

bool Bootloader::SelectAddress(std::uint32_t address)
{
    ReceiveDispatcher& rx = m_link.rx();
    rx.RxMode = RxWaitCr;
    rx.AnswerComplete = 0;
    m_log.addLine(QStringLiteral("select adress: ") + LongWordToHex(address));
    const char command[] = {'A', char(address >> 24), char(address >> 16), char(address >> 8), char(address)};
    m_link.write(QByteArray(command, sizeof command));
    if (m_link.waitForAnswer(SelectTimeout))
        return true;
    m_log.append(QStringLiteral("timeout"));
    return false;
}

QByteArray Bootloader::blockCommand(char letter, std::uint16_t blockSize) const
{
    const char command[] = {letter, char(blockSize >> 8), char(blockSize & 0xFF), 'F'};
    return QByteArray(command, sizeof command);
}

bool Bootloader::WriteFlashBlock(std::uint32_t& position, std::uint16_t blockSize)
{
    ReceiveDispatcher& rx = m_link.rx();
    rx.RxMode = RxWaitCr;
    m_link.write(blockCommand('B', blockSize));
    QByteArray block(blockSize, char(0xFF));
    const std::uint32_t end = std::min<std::uint32_t>(ImageLength, std::uint32_t(FlashImage.size()));
    const std::uint32_t take = position < end ? std::min<std::uint32_t>(end - position, blockSize) : 0;
    if (take > 0)
        std::copy_n(FlashImage.begin() + position, take, block.begin());
    position += take;
    m_link.write(block);
    rx.AnswerComplete = 0;
    return m_link.waitForAnswer(BlockWriteTimeout);
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

void Bootloader::beginPass(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                           std::uint16_t blockSize)
{
    const std::uint32_t span = imageLength > start ? imageLength - start : 0;
    const int blocks = std::max<int>(1, int((span + blockSize - 1) / blockSize));
    const bool continuesFlash = pass == TransferProgress::Pass::Verify &&
                                m_state.pass == TransferProgress::Pass::Flash && m_state.block == m_state.blocks &&
                                m_state.blocks == blocks && m_passBlockSize == blockSize && m_clock.isValid();
    if (!continuesFlash) {
        m_clock.start();
        m_state.bytesDone = 0;
        // A flash pass is followed by its verify pass; a verify pass alone is the whole job.
        const int passes = pass == TransferProgress::Pass::Flash ? 2 : 1;
        m_state.bytesTotal = qint64(passes) * blocks * blockSize;
    }
    m_state.pass = pass;
    m_state.block = 0;
    m_state.blocks = blocks;
    m_passBlockSize = blockSize;
}

void Bootloader::blockDone()
{
    ++m_state.block;
    m_state.bytesDone += m_passBlockSize;
    m_state.elapsedMs = m_clock.elapsed();
    if (m_progress)
        m_progress(m_state);
}

bool Bootloader::FlashPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize)
{
    m_log.addLine(QStringLiteral("flash device "));
    m_log.addLine(QString());
    // A block size of 0 would never advance; one above the buffer would overrun it.
    if (!CheckBlockSize(blockSize))
        return false;
    beginPass(TransferProgress::Pass::Flash, start, imageLength, blockSize);
    std::uint32_t position = start;
    int dots = 0;
    const std::uint32_t savedLength = ImageLength;
    ImageLength = imageLength;
    bool ok = false;
    for (;;) {
        const bool written = WriteFlashBlock(position, blockSize);
        if (written) {
            dot(dots);
            blockDone();
        } else {
            m_log.addLine(QStringLiteral("timeout"));
        }
        // Reaching the end counts even when the last block's acknowledgement was missed: the
        // verify pass finds out whether it arrived.
        if (position >= imageLength) {
            ok = true;
            break;
        }
        if (!written)
            break;
    }
    ImageLength = savedLength;
    return ok;
}

std::uint8_t Bootloader::imageByte(std::uint32_t position) const
{
    // Behind the image the flash holds the erased value the last block was filled with.
    return position < FlashImage.size() ? FlashImage[position] : std::uint8_t(0xFF);
}

bool Bootloader::VerifyBlock(std::uint32_t& position, std::uint16_t blockSize)
{
    ReceiveDispatcher& rx = m_link.rx();
    if (rx.RxBlock.size() < std::size_t(blockSize) + 2)
        rx.RxBlock.resize(std::size_t(blockSize) + 2, 0);
    rx.RxMode = RxFixedBlock;
    rx.AnswerComplete = 0;
    rx.RxCount = 0;
    rx.RxExpected = blockSize;
    rx.RxCapacity = std::uint16_t(blockSize + 1);
    m_link.write(blockCommand('g', blockSize));
    if (!m_link.waitForAnswer(BlockReadTimeout)) {
        m_log.append(QStringLiteral(" timeout"));
        m_log.addLine(QStringLiteral("RxIndex: ") + WordToHex(rx.RxCount));
        m_log.addLine(QStringLiteral("RxBlockSize: ") + WordToHex(rx.RxExpected));
        return false;
    }
    for (std::uint16_t i = 0; i < blockSize; ++i) {
        const std::uint8_t wanted = imageByte(position);
        const std::uint8_t got = rx.RxBlock[i];
        if (wanted != got) {
            m_log.addLine(QStringLiteral(" Fehler bei Adresse: soll [") + WordToHex(std::uint16_t(position)) +
                          QStringLiteral("] ") + ByteToHex(wanted) + QStringLiteral("    ist: [") + WordToHex(i) +
                          QStringLiteral("] ") + ByteToHex(got));
            return false;
        }
        ++position;
    }
    return true;
}

bool Bootloader::VerifyPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize)
{
    m_link.rx().RxBlock.assign(std::size_t(blockSize) + 2, 0);
    m_log.addLine(QStringLiteral("verify device "));
    m_log.addLine(QString());
    if (!CheckBlockSize(blockSize))
        return false;
    beginPass(TransferProgress::Pass::Verify, start, imageLength, blockSize);
    std::uint32_t position = start;
    int dots = 0;
    for (;;) {
        const bool same = VerifyBlock(position, blockSize);
        if (same) {
            dot(dots);
            blockDone();
        }
        // A difference in the fill behind the image is reported but does not fail the pass.
        if (position >= imageLength)
            return true;
        if (!same)
            return false;
    }
}

bool Bootloader::SendBootCommand(const QByteArray& command, std::uint32_t timeoutMs)
{
    ReceiveDispatcher& rx = m_link.rx();
    rx.RxMode = RxAnswerLine;
    rx.AnswerComplete = 0;
    rx.RxCount = 0;
    rx.RxText.clear();
    m_link.write(command);
    if (m_link.waitForAnswer(timeoutMs))
        return true;
    m_log.append(QStringLiteral("timeout"));
    return false;
}
