#pragma once

#include <QList>
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

    // Options of single commands.
    bool raw = false;          // send: the answer line as it came
    bool clear = false;        // reset-counters: zero them first
    bool watch = false;        // awl: download again on every change
    bool loop = false;         // script: run the list again and again
    bool telegramInfo = false; // script: a line per telegram ("Telegramm Infos")
    QString logFile;           // script: the measurement log file
    bool time = false;         // terminal: send the clock lines first
    QList<int> bits;           // watch: the 1-bit signals
    QList<int> words;          // watch: the 16-bit signals
    int intervalMs = 100;      // watch: the time from one cycle to the next
    qint64 durationMs = 0;     // watch: 0 until a signal
    QString csvFile;           // watch: rows into this file instead of stdout

    [[nodiscard]] QString arg(int i) const { return args.value(i); }
};
