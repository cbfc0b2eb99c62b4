#include "ProgressLine.h"

#include <algorithm>

QString ProgressLine::text(const TransferProgress& p, int columns)
{
    const QString label = TransferProgress::name(p.pass).leftJustified(6);
    const double rate = p.bytesPerSecond();
    const int left = p.secondsLeft();
    const QString figures =
        QStringLiteral("  %1 of %2 bytes  %3  %4")
            .arg(p.bytesDone)
            .arg(p.bytesTotal)
            .arg(rate > 0 ? QStringLiteral("%1 kB/s").arg(rate / 1000.0, 0, 'f', 1) : QStringLiteral("-- kB/s"))
            .arg(left >= 0 ? QStringLiteral("%1 s left").arg(left) : QStringLiteral("-- s left"));
    // One column stays free, so that a full line does not make the terminal wrap.
    const int width = std::max(10, columns - 1 - int(label.size()) - 3 - int(figures.size()));
    const int filled = int(qint64(width) * p.permille() / 1000);
    return label + QStringLiteral(" [") + QString(filled, QLatin1Char('#')) +
           QString(width - filled, QLatin1Char('.')) + QLatin1Char(']') + figures;
}
