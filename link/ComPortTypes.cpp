#include "ComPortTypes.h"

#include <array>

namespace {

template <typename E>
QString textOf(const QStringList& texts, E v)
{
    return texts.value(static_cast<int>(v));
}

template <typename E>
E valueOf(const QStringList& texts, const QString& s, E fallback)
{
    for (int i = 0; i < texts.size(); ++i)
        if (texts[i].compare(s, Qt::CaseInsensitive) == 0)
            return static_cast<E>(i);
    return fallback;
}

} // namespace

TFlowControl TComFlowControl::kind() const
{
    const bool rtsHs = ControlRTS == TRTSFlowControl::rtsHandshake;
    const bool rtsOff = ControlRTS == TRTSFlowControl::rtsDisable;
    if (rtsHs && OutCTSFlow && !XonXoffOut && !XonXoffIn)
        return TFlowControl::fcHardware;
    if (rtsOff && !OutCTSFlow && XonXoffOut && XonXoffIn)
        return TFlowControl::fcSoftware;
    if (rtsOff && !OutCTSFlow && !XonXoffOut && !XonXoffIn)
        return TFlowControl::fcNone;
    return TFlowControl::fcCustom;
}

void TComFlowControl::setKind(TFlowControl k)
{
    switch (k) {
    case TFlowControl::fcHardware:
        ControlRTS = TRTSFlowControl::rtsHandshake;
        OutCTSFlow = true;
        XonXoffOut = XonXoffIn = false;
        break;
    case TFlowControl::fcSoftware:
        ControlRTS = TRTSFlowControl::rtsDisable;
        OutCTSFlow = false;
        XonXoffOut = XonXoffIn = true;
        break;
    case TFlowControl::fcNone:
        ControlRTS = TRTSFlowControl::rtsDisable;
        OutCTSFlow = false;
        XonXoffOut = XonXoffIn = false;
        break;
    case TFlowControl::fcCustom: break;
    }
}

QStringList BaudRateTexts()
{
    return {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
            "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
}
QStringList DataBitsTexts() { return {"5", "6", "7", "8"}; }
QStringList StopBitsTexts() { return {"1", "1.5", "2"}; }
QStringList ParityTexts() { return {"None", "Odd", "Even", "Mark", "Space"}; }
QStringList FlowControlTexts() { return {"Hardware", "Software", "None", "Custom"}; }

QString BaudRateToStr(TBaudRate v) { return textOf(BaudRateTexts(), v); }
QString DataBitsToStr(TDataBits v) { return textOf(DataBitsTexts(), v); }
QString StopBitsToStr(TStopBits v) { return textOf(StopBitsTexts(), v); }
QString ParityToStr(TParityBits v) { return textOf(ParityTexts(), v); }
QString FlowControlToStr(TFlowControl v) { return textOf(FlowControlTexts(), v); }

TBaudRate StrToBaudRate(const QString& s) { return valueOf(BaudRateTexts(), s, TBaudRate::br9600); }
TDataBits StrToDataBits(const QString& s) { return valueOf(DataBitsTexts(), s, TDataBits::dbEight); }
TStopBits StrToStopBits(const QString& s) { return valueOf(StopBitsTexts(), s, TStopBits::sbOneStopBit); }
TParityBits StrToParity(const QString& s) { return valueOf(ParityTexts(), s, TParityBits::prNone); }
TFlowControl StrToFlowControl(const QString& s) { return valueOf(FlowControlTexts(), s, TFlowControl::fcCustom); }

int BaudRateValue(TBaudRate v)
{
    static constexpr std::array<int, 16> rates{0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                               14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rates[static_cast<std::size_t>(v)];
}
