#include "ScriptTexts.h"

namespace {

// The locale's long time format with every time-zone field ("t", unquoted) taken out.
QString formatWithoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.simplified();
}

} // namespace

QString TemperatureText(std::uint16_t raw, const QLocale& locale)
{
    const int tenths = int(raw) - 300;
    const int magnitude = tenths < 0 ? -tenths : tenths;
    const int whole = magnitude / 10;
    QString text = QStringLiteral(" ");
    if (tenths < 0)
        text += QLatin1Char('-');
    if (whole != 0)
        text += QString::number(whole);
    return text + locale.decimalPoint() + QString::number(magnitude % 10);
}

QString TimeOfDayText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, formatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}
