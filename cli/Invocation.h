#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What the user asked velmar-cli for: the command word, its arguments and the options.
struct Invocation {
    QString command;
    QStringList args; // the arguments behind the command word

    QString port;         // empty: the window's stored port, else "SIM"
    QString settingsFile; // empty: the window's Settings.ini
    int baud = 57600;
    bool quiet = false;
    bool json = false;
    bool echo = false;
    QString recordFile; // empty: no line recording

    // The options of the command itself, as its row in the command table names them: each
    // one given under its long name, with its values (an empty one for a flag), as often as
    // it was given.
    QMap<QString, QStringList> options;

    // The options of watch, as its row takes them from those above.
    QList<int> bits;       // the 1-bit signals
    QList<int> words;      // the 16-bit signals
    int intervalMs = 100;  // the time from one cycle to the next
    qint64 durationMs = 0; // 0 until a signal
    QString csvFile;       // rows into this file instead of stdout

    [[nodiscard]] QString arg(int i) const { return args.value(i); }
    [[nodiscard]] bool has(const QString& option) const { return options.contains(option); }
    // The value given last.
    [[nodiscard]] QString value(const QString& option) const
    {
        const QStringList given = options.value(option);
        return given.isEmpty() ? QString() : given.last();
    }
    [[nodiscard]] QStringList values(const QString& option) const { return options.value(option); }
};
