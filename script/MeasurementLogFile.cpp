#include "MeasurementLogFile.h"

#include "EInOutError.h"

#include <QDir>

void MeasurementLogFile::open(const QString& path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw EInOutError(
            QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(path), m_file.errorString()));
}

void MeasurementLogFile::close()
{
    if (m_file.isOpen())
        m_file.close();
}

// The lines end as in the send-list files, which the same spreadsheets read.
void MeasurementLogFile::endLine() { put(QByteArrayLiteral("\r\n")); }

// Latin-1 like the send lists and Settings.ini, which the same older programs read.
void MeasurementLogFile::write(const QString& text) { put(text.toLatin1()); }

void MeasurementLogFile::put(const QByteArray& bytes)
{
    if (!m_file.isOpen())
        return;
    if (m_file.write(bytes) == bytes.size() && m_file.flush())
        return;
    const QString message =
        QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
    // What did not reach the file must not come out later in the wrong place.
    m_file.close();
    if (closedByError)
        closedByError();
    throw EInOutError(message);
}
