#pragma once

#include "StepFailure.h"
#include "TransferObserver.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class Link;
class LogSink;

// The board's serial bootloader, step by step, and the flash image both downloads write with
// it. Every step reports itself in the log and returns whether it succeeded. The caller starts
// a download only on a free line; every wait of the steps then keeps the line busy.
//
// The step that ended a download is remembered (failure()), and a pass can be stopped between
// two blocks (cancelled); what becomes of the board then is the caller's decision.
class Bootloader {
public:
    static constexpr std::uint32_t SignOnTimeout = 3000;
    static constexpr std::uint32_t SyncCycle = 250;
    static constexpr std::uint32_t AfterSignOnPause = 250;
    static constexpr std::uint32_t SelectTimeout = 1000;
    static constexpr std::uint32_t BlockWriteTimeout = 5000;
    static constexpr std::uint32_t BlockReadTimeout = 3000;
    // The largest block the transfer buffer takes.
    static constexpr std::uint16_t MaxBlockSize = 1024;
    // RxBlock for a query answer: the count, then up to nine bytes.
    static constexpr std::size_t QueryBlockSize = 10;

    Bootloader(Link& link, LogSink& log);

    // The image and what the bootloader told about the board.
    std::vector<std::uint8_t> FlashImage;
    std::uint32_t ImageSize = 0;
    std::uint32_t ImageLength = 0;
    std::uint16_t BlockSize = 0;
    std::uint32_t FirmwareAreaEnd = 0;

    [[nodiscard]] Link& link() { return m_link; }
    [[nodiscard]] LogSink& log() { return m_log; }

    // Told of every pass and block, for a progress view; none by default.
    void setObserver(TransferObserver* observer) { m_observer = observer; }
    [[nodiscard]] TransferObserver* observer() const { return m_observer; }

    // Asked before every step once the board has been told to restart into its bootloader
    // (each sync cycle, query, select and block); true stops the download there. None by
    // default.
    std::function<bool()> cancelled;
    // Added to the "cancelled at" line, to say what becomes of the board.
    QString cancelNote;
    // The flash address of the first difference the last verify pass found, if it found one.
    [[nodiscard]] const std::optional<std::uint32_t>& verifyMismatch() const { return m_mismatch; }
    // The bytes that differed in the last verify pass that counted them (VerifyOnly).
    [[nodiscard]] std::uint32_t differences() const { return m_differences; }
    // "1 byte differs", "4 bytes differ"
    [[nodiscard]] static QString differText(std::uint32_t count);

    // The step under way, as its log line names it; a failure is put down to it.
    void beginStep(const QString& line) { m_step = line.trimmed(); }
    // Remembers the step that ended the job, unless an earlier one did.
    void fail(StepFailure::Kind kind, const QString& detail);
    [[nodiscard]] const std::optional<StepFailure>& failure() const { return m_failure; }
    void clearFailure()
    {
        m_failure.reset();
        m_mismatch.reset();
        m_differences = 0;
    }
    // The board has signed on and has not been told to leave its bootloader since.
    [[nodiscard]] bool inBootloader() const { return m_inBootloader; }

    // Sizes the receive block for the answers of the queries.
    void PrepareQueries();
    // Restarts the board into its bootloader and waits for the sign-on; dots show the cycles.
    bool EnterBootloader();
    // Adds `line`, enters the bootloader, then gives the terminal the line back and sleeps
    // briefly whatever the outcome (the board may still be talking); the log goes on in green.
    // Returns the sign-on.
    bool ContactBoard(const QString& line);
    // Asks for the block size ("block size, " line) and checks it, then writes the whole image
    // to the flash from `flashAddress` on and reads it back. Stops at the first failing step.
    bool WriteAndVerify(std::uint32_t flashAddress);
    // The same without a block write: the flash from `flashAddress` on is compared with the
    // image, every byte of it; the first difference is logged, all are counted.
    bool VerifyOnly(std::uint32_t flashAddress);
    // VerifyOnly, then the board leaves its bootloader once the comparison is made: nothing was
    // written, so it starts its firmware as it was, differences or not. True when all matched.
    bool VerifyAndLeave(std::uint32_t flashAddress);
    // The same without a block write: `length` bytes of the flash from `flashAddress` on are read
    // into the image from index 0 on.
    bool ReadArea(std::uint32_t flashAddress, std::uint32_t length);
    // A one-letter command answered by a number and a CR; the value is taken from the bytes
    // just before the CR, most significant first.
    bool QueryLongWord(const QByteArray& command, std::uint32_t& result, std::uint32_t timeoutMs);
    bool QueryWord(const QByteArray& command, std::uint16_t& result, std::uint32_t timeoutMs);
    // Logs a refusal and returns false for a block size the transfer cannot use.
    bool CheckBlockSize(std::uint16_t blockSize);
    bool SelectAddress(std::uint32_t address);
    // The passes take a block size that CheckBlockSize accepted (WriteAndVerify checks it).
    bool FlashPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize);
    bool VerifyBlock(std::uint32_t& position, std::uint16_t blockSize);
    // What a verify pass does at a difference: the download's stops there; a verify on its own
    // goes on to count them all.
    enum class Differences { StopAtFirst, Count };
    bool VerifyPass(std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize,
                    Differences differences = Differences::StopAtFirst);
    // Block reads as the verify pass makes them, the bytes stored into the image up to `length`.
    bool ReadPass(std::uint32_t start, std::uint32_t length, std::uint16_t blockSize);
    // A command whose answer is a line (leaving the bootloader: the firmware's first line).
    bool SendBootCommand(const QByteArray& command, std::uint32_t timeoutMs);
    // Asks for the end of the firmware area, which is where the byte code starts.
    bool QueryAreaEnd(std::uint32_t& areaEnd);
    // The "bootloader exit " step: the board leaves its bootloader and starts its firmware.
    bool Leave();
    // Leaves the bootloader without a step line of its own (the byte code's "start program").
    bool StartProgram();

private:
    // Asked to stop before the step under way: logs "cancelled at " and `where`, and fails.
    bool stopsAt(const QString& where);
    void setInBootloader(bool on);
    bool query(const QByteArray& command, std::uint32_t& result, int size, std::uint32_t timeoutMs);
    [[nodiscard]] QByteArray blockCommand(char letter, std::uint16_t blockSize) const;
    bool writeBlock(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end);
    // The block read ("g"): true when the whole block came into RxBlock; else the timeout lines.
    bool readBlock(std::uint16_t blockSize);
    // Stores a block that was read into the image, up to `end`.
    bool storeBlock(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end);
    // The comparison of a verify pass that counts the differences instead of stopping.
    void countDifferences(std::uint32_t& position, std::uint16_t blockSize, std::uint32_t end);
    // A line " Fehler bei Adresse: ..." for the byte at `index` of the block read at `position`.
    void reportDifference(std::uint32_t position, std::uint16_t index);
    // The block size asked for and checked, then the start address selected: what every
    // sequence of passes begins with.
    bool startPasses(std::uint32_t flashAddress);
    [[nodiscard]] std::uint8_t imageByte(std::uint32_t position) const;
    void dot(int& dots);
    // The block loop both passes share: dots, the observer, and the end of the image reached.
    bool runPass(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength, std::uint16_t blockSize);

    Link& m_link;
    LogSink& m_log;
    TransferObserver* m_observer = nullptr;
    QString m_step;
    std::optional<StepFailure> m_failure;
    // Why the last block write or read failed, for the pass that it ends.
    StepFailure::Kind m_blockProblem = StepFailure::Kind::NoAnswer;
    QString m_blockDetail;
    bool m_inBootloader = false;
    std::uint32_t m_flashAddress = 0;
    std::optional<std::uint32_t> m_mismatch;
    std::uint32_t m_differences = 0;
    bool m_countDifferences = false;
    std::uint32_t m_passEnd = 0; // the end of the image the running pass covers
};
