#pragma once

#include <QDateTime>
#include <QString>

// The two lines that set the board's clock, as the terminal sends them: "time 14 05 09\r" and
// "date 06 12 2026 0\r", the last field the day of the week (0 for Sunday to 6 for Saturday).
// The fields are fixed whatever the PC's locale, because the board reads them by position.
class ClockLines {
public:
    [[nodiscard]] static QString timeLine(const QDateTime& now);
    [[nodiscard]] static QString dateLine(const QDateTime& now);
};
