#include "SdCardCopy.h"

#include "CommandSet.h"
#include "Link.h"
#include "StepReporter.h"
#include "TCustomComPort.h"
#include "VelmarError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The lines of a text file as bytes, without their line end (LF, CR LF or a lone CR).
class LineReader {
public:
    explicit LineReader(QFile& file) : m_file(file) {}

    // False at the end of the file and after a read error.
    bool next(QByteArray& line)
    {
        for (;;) {
            if (m_error)
                return false;
            qsizetype end = -1;
            for (qsizetype i = m_pos; i < m_buffer.size(); ++i)
                if (m_buffer[i] == '\r' || m_buffer[i] == '\n') {
                    end = i;
                    break;
                }
            // A CR at the end of what is buffered may be the first half of CR LF.
            const bool needMore = end < 0 || (m_buffer[end] == '\r' && end + 1 == m_buffer.size());
            if (needMore && !m_eof) {
                fill();
                continue;
            }
            if (end < 0) {
                if (m_pos >= m_buffer.size())
                    return false;
                line = m_buffer.mid(m_pos);
                m_pos = m_buffer.size();
                return true;
            }
            line = m_buffer.mid(m_pos, end - m_pos);
            m_pos = end + 1;
            if (m_buffer[end] == '\r' && m_pos < m_buffer.size() && m_buffer[m_pos] == '\n')
                ++m_pos;
            return true;
        }
    }
    [[nodiscard]] bool failed() const { return m_error; }

private:
    void fill()
    {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
        const QByteArray chunk = m_file.read(64 * 1024);
        if (m_file.error() != QFileDevice::NoError)
            m_error = true;
        else if (chunk.isEmpty())
            m_eof = true;
        else
            m_buffer += chunk;
    }

    QFile& m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    bool m_error = false;
};

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

} // namespace

std::optional<QByteArray> SdCardCopy::cardName(const QString& pcPath)
{
    const QString name = QFileInfo(pcPath).fileName();
    // Longer names would wrap the length byte; other characters have no 8-bit code to go as.
    if (name.isEmpty() || name.size() > MaxNameLength)
        return std::nullopt;
    for (QChar c : name)
        if (c.unicode() > 0xFF)
            return std::nullopt;
    return name.toLatin1();
}

bool SdCardCopy::openOnCard(const QString& name, bool forWriting, Result& result)
{
    const auto bytes = cardName(name);
    if (!bytes) {
        const QString line = QStringLiteral("file name not sent, the card takes up to 254 Latin-1 characters: ") + name;
        m_steps.beginStep(line);
        m_steps.noteFailure(StepFailure::Kind::File, line);
        result.failed = true;
        return false;
    }
    const std::uint8_t code =
        m_steps.writeStep(QStringLiteral("open file ") + name,
                          forWriting ? CommandSet::fileOpenWrite(*bytes) : CommandSet::fileOpenRead(*bytes));
    if (code == 0 || code == CommandSet::Refused) {
        result.failed = true;
        return false;
    }
    result.opened = true;
    return true;
}

bool SdCardCopy::lineUp() const { return m_steps.link().port().Connected(); }

void SdCardCopy::closeOnCard(Result& result)
{
    m_steps.beginStep(QStringLiteral("close file: "));
    result.closeCode = m_steps.exchange(CommandSet::fileClose());
    // A refused close answers 0x22; 0x21 shows nothing here.
    switch (result.closeCode) {
    case 0: m_steps.appendTimeout(); break;
    case CommandSet::Ack: m_steps.append(QStringLiteral("  pass")); break;
    case CommandSet::FileRefused: m_steps.appendFail(); break;
    default: m_steps.noteFailure(StepFailure::Kind::Refused, StepReporter::invalidAnswerLine(result.closeCode)); break;
    }
}

bool SdCardCopy::stopRequested(Result& result)
{
    if (result.cancelled)
        return true;
    if (!cancelled || !cancelled())
        return false;
    result.cancelled = true;
    m_steps.noteFailure(StepFailure::Kind::Cancelled, QStringLiteral("cancelled"));
    return true;
}

SdCardCopy::Result SdCardCopy::download(const QString& pcPath)
{
    Result result;
    if (!openOnCard(QFileInfo(pcPath).fileName(), true, result))
        return result;
    m_steps.beginStep(QStringLiteral("write file: "));
    QFile file(pcPath);
    if (file.open(QIODevice::ReadOnly)) {
        LineReader lines(file);
        QByteArray line;
        while (!stopRequested(result) && lineUp() && lines.next(line))
            sendLine(line, result);
        if (lines.failed())
            result.pcFileError = file.errorString();
    } else {
        result.pcFileError = file.errorString();
    }
    file.close();
    // The card's file is closed all the same, so the user must see that it is incomplete.
    if (!result.pcFileError.isEmpty()) {
        const QString line =
            QStringLiteral("cannot read ") + native(pcPath) + QStringLiteral(": ") + result.pcFileError;
        m_steps.addLine(line);
        m_steps.noteFailure(StepFailure::Kind::File, line);
    }
    if (!lineUp())
        result.failed = true;
    if (!result.failed)
        closeOnCard(result);
    return result;
}

void SdCardCopy::sendLine(const QByteArray& line, Result& result)
{
    // An empty line sends nothing; the last part of a line carries the line feed.
    qsizetype at = 0;
    for (; line.size() - at > PartSize; at += PartSize) {
        if (stopRequested(result) || !lineUp())
            return;
        sendPart(CommandSet::fileWrite(line.mid(at, PartSize), false), result);
    }
    if (at < line.size() && !stopRequested(result) && lineUp())
        sendPart(CommandSet::fileWrite(line.mid(at), true), result);
}

void SdCardCopy::sendPart(const QString& telegram, Result& result)
{
    switch (m_steps.exchange(telegram)) {
    case CommandSet::Ack: m_steps.append(QStringLiteral(".")); break;
    case 0:
        m_steps.appendTimeout();
        result.failed = true;
        break;
    case CommandSet::Refused:
        m_steps.appendFail();
        result.failed = true;
        break;
    default: break;
    }
}

SdCardCopy::Result SdCardCopy::upload(const QString& pcPath, const QString& cardFileName)
{
    Result result;
    const QString cardFile = cardFileName.isEmpty() ? QFileInfo(pcPath).fileName() : cardFileName;
    if (!openOnCard(cardFile, false, result))
        return result;
    m_steps.beginStep(QStringLiteral("read file: "));
    // Created now, so that a PC file that cannot be made ends the copy before it reads.
    QSaveFile file(pcPath);
    if (!file.open(QIODevice::WriteOnly))
        throw VelmarError(QStringLiteral("Cannot create file \"%1\". %2").arg(native(pcPath), file.errorString()));

    Received received;
    try {
        int failedAttempts = 0;
        while (!received.end && failedAttempts < MaxFailedAttempts && !stopRequested(result) && lineUp())
            failedAttempts = readPart(received, result) ? 0 : failedAttempts + 1;
    } catch (...) {
        keepUpload(file, pcPath, cardFile, received, result);
        throw;
    }
    // Text behind the last line end of the card's file is its last line.
    if (received.end && !received.pending.isEmpty())
        endLine(received);
    keepUpload(file, pcPath, cardFile, received, result);
    if (!lineUp())
        result.failed = true;
    if (!result.failed)
        closeOnCard(result);
    return result;
}

bool SdCardCopy::readPart(Received& received, Result& result)
{
    switch (m_steps.exchange(CommandSet::fileRead())) {
    case CommandSet::FileRead: {
        const auto data = m_steps.link().AnswerData();
        received.end = data.empty(); // an answer without text is the end of the file
        received.bytes += qint64(data.size());
        for (std::uint8_t b : data) {
            if (b == '\r' || b == '\n')
                endLine(received);
            else
                received.pending.append(char(b));
        }
        return true;
    }
    case 0: m_steps.appendTimeout(); return false;
    case CommandSet::Ack:
        // A board that answers this for ever must not keep the loop going.
        m_steps.appendFail();
        result.failed = true;
        return false;
    default:
        m_steps.append(QStringLiteral("ungültiges Zeichen"));
        m_steps.noteFailure(StepFailure::Kind::Refused, QStringLiteral("ungültiges Zeichen"));
        return false;
    }
}

void SdCardCopy::endLine(Received& received)
{
    m_steps.addLine(QString::fromLatin1(received.pending));
    received.text += received.pending + "\r\n";
    received.pending.clear();
}

void SdCardCopy::keepUpload(QSaveFile& file, const QString& pcPath, const QString& cardFile, const Received& received,
                            Result& result)
{
    // A cancelled copy leaves the PC file as it was, and keeps nothing.
    if (result.cancelled) {
        file.cancelWriting();
        return;
    }
    QString path = pcPath;
    if (!received.end) {
        // The user's file stays as it was; what came is kept beside it, a piece of a line
        // cut off at its end as it came, without a line end.
        file.cancelWriting();
        result.incomplete = true;
        QString line = QStringLiteral("read file incomplete: %1, %2 bytes came").arg(cardFile).arg(received.bytes);
        if (received.bytes == 0) {
            m_steps.addLine(line);
            m_steps.noteFailure(StepFailure::Kind::NoAnswer, line);
            return;
        }
        path = partPath(pcPath);
        result.partPath = path;
        m_steps.addLine(line + QStringLiteral(", kept in ") + native(path));
        m_steps.noteFailure(StepFailure::Kind::NoAnswer, line);
        QSaveFile part(path);
        if (part.open(QIODevice::WriteOnly) &&
            part.write(received.text + received.pending) == received.text.size() + received.pending.size() &&
            part.commit())
            return;
        result.pcFileError = part.errorString();
    } else if (file.write(received.text) == received.text.size() && file.commit()) {
        return;
    } else {
        result.pcFileError = file.errorString();
    }
    const QString line = QStringLiteral("cannot write ") + native(path) + QStringLiteral(": ") + result.pcFileError;
    m_steps.addLine(line);
    m_steps.noteFailure(StepFailure::Kind::File, line);
}

QString SdCardCopy::partPath(const QString& pcPath) { return pcPath + QStringLiteral(".part"); }
