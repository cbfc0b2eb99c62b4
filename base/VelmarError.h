#pragma once

#include <QString>
#include <stdexcept>

// Base of the errors that end a handler and are shown by the application's general handler.
class VelmarError : public std::runtime_error {
public:
    explicit VelmarError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    [[nodiscard]] const QString& message() const { return m_message; }
    // Lines shown below the message: the reason and what to do about it; often empty.
    [[nodiscard]] const QString& details() const { return m_details; }
    void setDetails(const QString& details) { m_details = details; }
    // The message with its details, as the general handler shows it.
    [[nodiscard]] QString fullText() const
    {
        return m_details.isEmpty() ? m_message : m_message + QLatin1Char('\n') + m_details;
    }

private:
    QString m_message;
    QString m_details;
};
