#include "PortStatusText.h"

#include "PortNames.h"
#include "TCustomComPort.h"

namespace {

QChar parityLetter(TParityBits bits)
{
    switch (bits) {
    case TParityBits::prNone: return QLatin1Char('N');
    case TParityBits::prOdd: return QLatin1Char('O');
    case TParityBits::prEven: return QLatin1Char('E');
    case TParityBits::prMark: return QLatin1Char('M');
    case TParityBits::prSpace: return QLatin1Char('S');
    }
    return QLatin1Char('?');
}

QString dataBits(TDataBits bits)
{
    switch (bits) {
    case TDataBits::dbFive: return QStringLiteral("5");
    case TDataBits::dbSix: return QStringLiteral("6");
    case TDataBits::dbSeven: return QStringLiteral("7");
    case TDataBits::dbEight: return QStringLiteral("8");
    }
    return QStringLiteral("?");
}

QString stopBits(TStopBits bits)
{
    switch (bits) {
    case TStopBits::sbOneStopBit: return QStringLiteral("1");
    case TStopBits::sbOne5StopBits: return QStringLiteral("1.5");
    case TStopBits::sbTwoStopBits: return QStringLiteral("2");
    }
    return QStringLiteral("?");
}

} // namespace

QString PortStatusText(const TCustomComPort& port)
{
    const auto network = PortNames::network(port.Port());
    if (network && !network->rfc2217)
        return port.Port() + QStringLiteral(" (line set at the far end)") +
               (port.Connected() ? QStringLiteral(", open") : QStringLiteral(", closed"));
    const int rate = port.BaudRate() == TBaudRate::brCustom ? port.CustomBaudRate() : BaudRateValue(port.BaudRate());
    return port.Port() + QLatin1Char(' ') + QString::number(rate) + QLatin1Char(' ') + dataBits(port.DataBits()) +
           parityLetter(port.Parity().Bits) + stopBits(port.StopBits()) +
           (port.Connected() ? QStringLiteral(", open") : QStringLiteral(", closed"));
}
