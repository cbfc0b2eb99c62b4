#pragma once

#include <QString>
#include <stdexcept>

// Base of the errors that end a handler and are shown by the application's general handler.
class VelmarError : public std::runtime_error {
public:
    explicit VelmarError(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    [[nodiscard]] const QString& message() const { return m_message; }

private:
    QString m_message;
};
