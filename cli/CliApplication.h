#pragma once

#include <QCoreApplication>
#include <QString>
#include <exception>

// The application of velmar-cli. Qt does not carry an error out of its event dispatch: one
// that escapes an event handler anyway (the port reports its loss that way, auto send lets a
// row's error through) is kept here, the first of them, for the job to report in its one line.
class CliApplication : public QCoreApplication {
    Q_OBJECT
public:
    CliApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The first error that escaped an event handler since the last take; null when none did.
    [[nodiscard]] static std::exception_ptr takeEscaped();
};
