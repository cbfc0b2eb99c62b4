#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of a file; "<missing>" when it cannot be read, so that a file that is not there
// never compares equal to an empty one.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
