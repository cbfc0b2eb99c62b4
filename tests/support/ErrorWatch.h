#pragma once

#include "VelmarApplication.h"

#include <QStringList>
#include <QTest>
#include <utility>

// What reached the application's general error handler during a window test. A test that
// provokes an error takes it (and compares it); check(), called from cleanup(), fails the test
// for every error that nobody took, and always for one that escaped a handler's boundary into
// the event dispatch.
class ErrorWatch {
public:
    ErrorWatch()
    {
        VelmarApplication::setErrorObserver([this](const QString& text, bool escaped) {
            m_errors << text;
            if (escaped)
                m_escaped << text;
        });
    }
    ~ErrorWatch() { VelmarApplication::setErrorObserver({}); }
    ErrorWatch(const ErrorWatch&) = delete;
    ErrorWatch& operator=(const ErrorWatch&) = delete;

    // The errors so far, which the test thereby expects; the watch starts empty again.
    QStringList take() { return std::exchange(m_errors, {}); }
    [[nodiscard]] const QStringList& errors() const { return m_errors; }
    // Errors that went through the event dispatch instead of a handler's boundary.
    [[nodiscard]] const QStringList& escaped() const { return m_escaped; }
    // For the test of the last resort itself.
    QStringList takeEscaped() { return std::exchange(m_escaped, {}); }

    // For cleanup(): a failure for what no test took, then a fresh start.
    void check(const char* file, int line)
    {
        const QStringList escaped = std::exchange(m_escaped, {});
        const QStringList left = std::exchange(m_errors, {});
        if (!escaped.isEmpty())
            QTest::qFail(
                qPrintable(QStringLiteral("an error escaped its handler: ") + escaped.join(QStringLiteral(" | "))),
                file, line);
        else if (!left.isEmpty())
            QTest::qFail(qPrintable(QStringLiteral("unexpected error: ") + left.join(QStringLiteral(" | "))), file,
                         line);
    }

private:
    QStringList m_errors;
    QStringList m_escaped;
};

#define VELMAR_CHECK_ERRORS(watch) (watch).check(__FILE__, __LINE__)
