#pragma once

#include "PortBackend.h"

#include <QByteArray>
#include <QMetaObject>
#include <cerrno>
#include <functional>

// A port device for tests: what is written is kept, what a test feeds arrives as input.
class StubPortBackend : public PortBackend {
    Q_OBJECT
public:
    using PortBackend::PortBackend;

    QByteArray written;
    QByteArray input;
    int openError = 0;
    bool events = false;
    LineSettings settings;
    // Told of every write, for tests that answer at a given point of a dialogue.
    std::function<void(const QByteArray&)> onWrite;
    // Told after every read, for tests where more arrives while the tool reads.
    std::function<void()> afterRead;

    int open() override { return openError; }
    int applySettings(const LineSettings& s) override
    {
        settings = s;
        return 0;
    }
    void setEventsEnabled(bool on) override
    {
        events = on;
        // What waits is reported when the events come back, as a tty does.
        if (on && !input.isEmpty())
            QMetaObject::invokeMethod(this, &PortBackend::readyRead, Qt::QueuedConnection);
    }
    int purge() override
    {
        input.clear();
        return 0;
    }
    void close() override { events = false; }
    qint64 inputCount() override { return input.size(); }
    qint64 read(char* data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, input.size());
        std::copy_n(input.constData(), n, data);
        input.remove(0, n);
        if (afterRead)
            afterRead();
        return n;
    }
    qint64 write(const char* data, qint64 count, int) override
    {
        written.append(data, count);
        if (onWrite)
            onWrite(QByteArray(data, count));
        return count;
    }
    QString deviceName() const override { return QStringLiteral("STUB"); }

    // Bytes arrive; the characters-received event follows from the event loop.
    void feed(const QByteArray& bytes)
    {
        input.append(bytes);
        if (events)
            QMetaObject::invokeMethod(this, &PortBackend::readyRead, Qt::QueuedConnection);
    }
};
