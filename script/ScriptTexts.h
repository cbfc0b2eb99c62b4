#pragma once

#include <QLocale>
#include <QString>
#include <QTime>
#include <cstdint>

// Texts of measured values as the script monitor logs them.

// A raw 1-Wire count (tenths of a degree above -30) as " ##.0": a blank, the whole degrees
// without leading zeros (none for 0), the locale's decimal separator and one decimal. 535
// gives " 23.5", 305 gives " .5". Below zero the minus stands before the digits: " -2.5".
QString TemperatureText(std::uint16_t raw, const QLocale& locale);

// The time of day in the locale's long form, but without the time-zone name, so that a
// spreadsheet reads it as a time: "14:05:09" (German), "2:05:09 PM" (US English).
QString TimeOfDayText(const QTime& time, const QLocale& locale);
