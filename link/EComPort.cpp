#include "EComPort.h"

QString ComErrorText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("Unable to open com port");
    case 2: return QStringLiteral("WriteFile function failed");
    case 3: return QStringLiteral("ReadFile function failed");
    case 4: return QStringLiteral("Invalid Async parameter");
    case 5: return QStringLiteral("PurgeComm function failed");
    case 6: return QStringLiteral("Unable to get async status");
    case 7: return QStringLiteral("SetCommState function failed");
    case 8: return QStringLiteral("SetCommTimeouts failed");
    case 9: return QStringLiteral("SetupComm function failed");
    case 10: return QStringLiteral("ClearCommError function failed");
    case 11: return QStringLiteral("GetCommModemStatus function failed");
    case 12: return QStringLiteral("EscapeCommFunction function failed");
    case 13: return QStringLiteral("TransmitCommChar function failed");
    case 14: return QStringLiteral("Cannot set property while connected");
    case 15: return QStringLiteral("EnumPorts function failed");
    case 16: return QStringLiteral("Failed to store settings");
    case 17: return QStringLiteral("Failed to load settings");
    case 18: return QStringLiteral("Link (un)registration failed");
    case 19: return QStringLiteral("Cannot change led state if ComPort is selected");
    case 20: return QStringLiteral("Cannot wait for event if event thread is created");
    case 21: return QStringLiteral("WaitForEvent method failed");
    case 22: return QStringLiteral("A component is linked to OnRxBuf event");
    case 23: return QStringLiteral("Registry error");
    default: return QStringLiteral("Unknown Error #") + QString::number(code);
    }
}

EComPort::EComPort(int code, const QString& port)
    : VelmarError(port + QStringLiteral(" Error: ") + ComErrorText(code)),
      m_code(code)
{}

EComPort::EComPort(int code, const QString& message, std::nullptr_t) : VelmarError(message), m_code(code) {}

EComPortExt::EComPortExt(int code, int systemError, const QString& port)
    : EComPort(code, QStringLiteral("COM Port Error: ") + ComErrorText(code) + QStringLiteral(" on ") + port, nullptr),
      m_systemError(systemError)
{}
