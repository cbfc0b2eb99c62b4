#pragma once

#include <QString>

class IniFile;

// The script monitor's section "OneWire" of Settings.ini: window place and size, and the last
// log file and send list. A width or height of 0 (a first start) means the design size.
struct ScriptSettings {
    static inline const QString Section = QStringLiteral("OneWire");
    // The root of drive C, as a first start has always stored it.
    static inline const QString NoFile = QStringLiteral("c:\\");

    int XPos = 0;
    int YPos = 0;
    int Breite = 0;
    int Hoehe = 0;
    QString LogFile = NoFile;
    QString ScriptFile = NoFile;

    [[nodiscard]] static ScriptSettings read(const IniFile& file);
    void write(IniFile& file) const;

    // The name a file dialog starts with for a stored name: the name itself where its folder
    // exists here, otherwise the user's home folder (with the stored file's own name, if it
    // has one), so that "c:\" or a name from another machine opens somewhere useful.
    [[nodiscard]] static QString dialogStartName(const QString& stored);
};
