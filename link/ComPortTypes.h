#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// Settings of the serial port component, their text forms and the values the tool uses.

enum class TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum class TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum class TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum class TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum class TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum class TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };

enum TComEvent : unsigned { evRxChar = 0x01, evTxEmpty = 0x04 };

struct TComParity {
    TParityBits Bits = TParityBits::prNone;
    bool Check = false;
    bool Replace = false;
    std::uint8_t ReplaceChar = 0;
    friend bool operator==(const TComParity&, const TComParity&) = default;
};

struct TComFlowControl {
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = TDTRFlowControl::dtrDisable;
    TRTSFlowControl ControlRTS = TRTSFlowControl::rtsDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    std::uint8_t XonChar = 0x11;
    std::uint8_t XoffChar = 0x13;

    // The derived kind over RTS control, CTS flow and both XON/XOFF directions.
    [[nodiscard]] TFlowControl kind() const;
    // fcHardware, fcSoftware and fcNone set those four fields; fcCustom changes nothing.
    void setKind(TFlowControl kind);
    friend bool operator==(const TComFlowControl&, const TComFlowControl&) = default;
};

struct TComBuffer {
    int InputSize = 1024;
    int OutputSize = 1024;
    friend bool operator==(const TComBuffer&, const TComBuffer&) = default;
};

// Milliseconds; -1 stands for the largest unsigned value.
struct TComTimeouts {
    int ReadInterval = -1;
    int ReadTotalMultiplier = 0;
    int ReadTotalConstant = 0;
    int WriteTotalMultiplier = 100;
    int WriteTotalConstant = 1000;
    friend bool operator==(const TComTimeouts&, const TComTimeouts&) = default;
};

// Everything a device needs to set up the line.
struct LineSettings {
    int baudRate = 57600; // bits per second, already resolved from brCustom
    TDataBits dataBits = TDataBits::dbEight;
    TStopBits stopBits = TStopBits::sbOneStopBit;
    TComParity parity;
    TComFlowControl flow;
    TComBuffer buffer;
    TComTimeouts timeouts;
    std::uint8_t eventChar = 0;
    bool discardNull = false;
    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// A port's name and line as the setup dialog shows them and hands them back, applied at once by
// TCustomComPort::applySetup. The rate is chosen as the list's entry, so that "Custom" stays the
// port's own custom rate: `line.baudRate` tells the rate the port ran at and is not applied.
struct PortSetup {
    QString port;
    TBaudRate baudRate = TBaudRate::br57600;
    LineSettings line;
    friend bool operator==(const PortSetup&, const PortSetup&) = default;
};

// Text forms, in the order of the enums.
QStringList BaudRateTexts();
QStringList DataBitsTexts();
QStringList StopBitsTexts();
QStringList ParityTexts();
QStringList FlowControlTexts();

QString BaudRateToStr(TBaudRate v);
QString DataBitsToStr(TDataBits v);
QString StopBitsToStr(TStopBits v);
QString ParityToStr(TParityBits v);
QString FlowControlToStr(TFlowControl v);

// Case-insensitive; an unknown text gives br9600, dbEight, sbOneStopBit, prNone, fcCustom.
TBaudRate StrToBaudRate(const QString& s);
TDataBits StrToDataBits(const QString& s);
TStopBits StrToStopBits(const QString& s);
TParityBits StrToParity(const QString& s);
TFlowControl StrToFlowControl(const QString& s);

// Bits per second of a fixed rate; 0 for brCustom.
int BaudRateValue(TBaudRate v);
