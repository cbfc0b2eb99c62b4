#include "ClockLines.h"

QString ClockLines::timeLine(const QDateTime& now)
{
    QString time = QStringLiteral("time ") + now.time().toString(QStringLiteral("HH:mm:ss"));
    time.replace(QLatin1Char(':'), QLatin1Char(' '));
    return time + QLatin1Char('\r');
}

QString ClockLines::dateLine(const QDateTime& now)
{
    QString date = QStringLiteral("date ") + now.date().toString(QStringLiteral("dd.MM.yyyy"));
    date.replace(QLatin1Char('.'), QLatin1Char(' '));
    date += QLatin1Char(' ') + QString::number(now.date().dayOfWeek() % 7); // 0 is Sunday
    return date + QLatin1Char('\r');
}
