#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>

// The SD card of the simulated CPU board and its five file commands. One file is open at a
// time, for writing or for reading; the card keeps its files in memory, or in a folder on the
// PC so that a user can look at them. A file written to the card is stored when it is closed.
//   0x70 name  open for writing (an existing file is emptied)   0x20, 0x21
//   0x71 text  write to the file open for writing                 0x20, 0x21
//   0x72 name  open for reading                                    0x20, 0x21
//   0x73       the next up to 30 bytes; none at the end           0x73 + text, 0x21
//   0x74       close                                               0x20, 0x22
// Refused: no card, a name that is no plain file name, an unknown file, a write or read
// without the matching open. An open while a file is open (a copy that broke off without
// its close) closes that file first, as a close would.
class SimSdCard {
public:
    static constexpr int ReadPart = 30;
    // The card is full beyond this size of one file.
    static constexpr qsizetype MaxFileSize = 4 * 1024 * 1024;

    // Keeps the files in `folder` (made when missing) instead of in memory.
    bool useFolder(const QString& folder, QString* error = nullptr);
    [[nodiscard]] const QString& folder() const { return m_folder; }

    void setPresent(bool present) { m_present = present; }
    [[nodiscard]] bool present() const { return m_present; }

    // The files on the card, by name, and what each holds (tests look at them and put some).
    [[nodiscard]] bool contains(const QByteArray& name) const;
    [[nodiscard]] QByteArray file(const QByteArray& name) const;
    void putFile(const QByteArray& name, const QByteArray& content);
    [[nodiscard]] bool fileOpen() const { return m_mode != Mode::Closed; }

    // Carries out a file command; the answer's bytes (code first).
    [[nodiscard]] QByteArray execute(std::uint8_t code, const QByteArray& data);
    // The board restarts: an open file is closed, what was written to it is kept.
    void reset();

private:
    enum class Mode { Closed, Writing, Reading };

    QByteArray open(const QByteArray& name, Mode mode);
    QByteArray write(const QByteArray& text);
    QByteArray read();
    QByteArray close();
    bool store(const QByteArray& name, const QByteArray& content);
    [[nodiscard]] static bool plainName(const QByteArray& name);
    [[nodiscard]] QString pathOf(const QByteArray& name) const;

    bool m_present = true;
    QString m_folder;
    QMap<QByteArray, QByteArray> m_files;
    Mode m_mode = Mode::Closed;
    QByteArray m_name;
    QByteArray m_content;
    qsizetype m_readAt = 0;
};
