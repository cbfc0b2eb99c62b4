#include "TransferProgress.h"

#include <cmath>

double TransferProgress::bytesPerSecond() const
{
    if (elapsedMs <= 0 || bytesDone <= 0)
        return 0.0;
    return double(bytesDone) * 1000.0 / double(elapsedMs);
}

int TransferProgress::secondsLeft() const
{
    const double rate = bytesPerSecond();
    if (rate <= 0.0)
        return -1;
    const qint64 left = std::max<qint64>(bytesTotal - bytesDone, 0);
    return int(std::ceil(double(left) / rate));
}

int TransferProgress::permille() const
{
    if (bytesTotal <= 0)
        return 0;
    return int(std::min<qint64>(bytesDone * 1000 / bytesTotal, 1000));
}

QString TransferProgress::text() const
{
    QString s = name(pass);
    s += QStringLiteral(": block %1 of %2").arg(block).arg(blocks);
    const double rate = bytesPerSecond();
    if (rate > 0.0)
        s += QStringLiteral(", %1 kB/s").arg(rate / 1000.0, 0, 'f', 1);
    const int left = secondsLeft();
    if (left >= 0)
        s += QStringLiteral(", %1 s left").arg(left);
    return s;
}

QString TransferProgress::name(Pass pass)
{
    switch (pass) {
    case Pass::Flash: return QStringLiteral("flash");
    case Pass::Verify: return QStringLiteral("verify");
    case Pass::Read: return QStringLiteral("read");
    }
    return {};
}
