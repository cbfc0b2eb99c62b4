#pragma once

#include "VelmarError.h"

// Error codes of the serial port component; the texts are in ComErrorText().
enum ComError : int {
    CE_OpenFailed = 1,
    CE_WriteFailed = 2,
    CE_ReadFailed = 3,
    CE_InvalidAsync = 4,
    CE_PurgeFailed = 5,
    CE_AsyncCheck = 6,
    CE_SetStateFailed = 7,
    CE_TimeoutsFailed = 8,
    CE_SetupComFailed = 9,
    CE_ClearComFailed = 10,
    CE_ModemStatFailed = 11,
    CE_EscapeComFailed = 12,
    CE_TransmitFailed = 13,
    CE_ConnChangeProp = 14,
    CE_EnumPortsFailed = 15,
    CE_StoreFailed = 16,
    CE_LoadFailed = 17,
    CE_RegFailed = 18,
    CE_LedStateFailed = 19,
    CE_ThreadCreated = 20,
    CE_WaitFailed = 21,
    CE_HasLink = 22,
    CE_RegError = 23,
};

QString ComErrorText(int code);

// Port error without a system error number: "<port> Error: <text>".
class EComPort : public VelmarError {
public:
    EComPort(int code, const QString& port);
    [[nodiscard]] int code() const { return m_code; }

protected:
    EComPort(int code, const QString& message, std::nullptr_t);

private:
    int m_code;
};

// Port error with the system's error number: "COM Port Error: <text> on <port>".
class EComPortExt : public EComPort {
public:
    EComPortExt(int code, int systemError, const QString& port);
    [[nodiscard]] int systemError() const { return m_systemError; }

private:
    int m_systemError;
};
