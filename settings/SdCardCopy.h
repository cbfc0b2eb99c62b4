#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QSaveFile;
class StepReporter;

// Copies text files between the PC and the SD card of the CPU board: open a file on the card
// by name, move the text line by line in telegrams of at most 30 bytes, close it. The PC file
// is given by its path (the caller asks the user for it); the card's file has its bare name.
//
// A telegram that times out or is refused sets the failure flag. The download still sends
// the rest of the file; the upload goes on reading. With the flag set no close telegram goes
// out, and a copy whose open was not taken stops at once. A copy whose line goes (the port
// closes) stops there, with the flag set.
//
// A copy can be cancelled between two telegrams: it sends no more text, and the card's file is
// closed as at the end of a copy (unless the flag is set). A cancelled upload leaves the PC
// file as it was.
class SdCardCopy {
public:
    static constexpr int PartSize = 30;
    static constexpr int MaxFailedAttempts = 6;
    // The length byte of the open telegram counts the command too.
    static constexpr int MaxNameLength = 254;

    struct Result {
        bool opened = false;        // the open telegram was not timed out or refused
        bool failed = false;        // the failure flag
        bool cancelled = false;     // stopped on request before the end of the file
        bool incomplete = false;    // an upload that ended before the end of the card's file
        QString partPath;           // where the text of an incomplete upload was kept; empty when nowhere
        QString pcFileError;        // why the PC file could not be read or written; empty when fine
        std::uint8_t closeCode = 0; // the answer to the close telegram; 0 when none came or none went out
        [[nodiscard]] bool ok() const
        {
            return opened && !failed && !cancelled && !incomplete && pcFileError.isEmpty() && closeCode == 0x20;
        }
    };

    explicit SdCardCopy(StepReporter& steps) : m_steps(steps) {}

    // Asked before every telegram that moves text; true ends the copy there. None by default.
    std::function<bool()> cancelled;

    // PC file -> card. An error while reading the PC file ends the sending; the log names
    // the file and the reason, and the card's file is still closed.
    Result download(const QString& pcPath);
    // Card -> PC file, written to a temporary file beside it that replaces it once the card's
    // end of file has come. A copy that ends before (failed attempts, a pulled cable, an
    // error) is incomplete: the PC file stays as it was, what came is kept in partPath()
    // (unless nothing came), and the log names it; the close telegram goes out as ever.
    // Throws VelmarError with the system's reason when the PC file cannot be created; no
    // close telegram goes out then.
    // The card's file is `cardFileName`, or the file name of `pcPath` when that is empty.
    Result upload(const QString& pcPath, const QString& cardFileName = {});

    // The name the card is sent: the file name of `pcPath` as Latin-1 bytes, or nothing
    // when it has no name, has more than 254 characters or one outside Latin-1.
    [[nodiscard]] static std::optional<QByteArray> cardName(const QString& pcPath);
    // Where an incomplete upload into `pcPath` keeps what came: beside it, NAME.part.
    [[nodiscard]] static QString partPath(const QString& pcPath);

private:
    bool openOnCard(const QString& name, bool forWriting, Result& result);
    [[nodiscard]] bool stopRequested(Result& result);
    void sendLine(const QByteArray& line, Result& result);
    void sendPart(const QString& telegram, Result& result);
    void closeOnCard(Result& result);
    // What an upload has read of the card's file so far.
    struct Received {
        QByteArray text;    // the whole lines, each with CR LF
        QByteArray pending; // the line under way
        qint64 bytes = 0;
        bool end = false; // the card told the end of its file
    };
    // One read telegram; false when its answer brought no text.
    bool readPart(Received& received, Result& result);
    void endLine(Received& received);
    void keepUpload(QSaveFile& file, const QString& pcPath, const QString& cardFile, const Received& received,
                    Result& result);
    // False once the port has closed (the cable pulled): the copy stops there.
    [[nodiscard]] bool lineUp() const;

    StepReporter& m_steps;
};
