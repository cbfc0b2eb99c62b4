#pragma once

#include <QApplication>

// The application with its general error handler: an exception that escapes an event
// handler is shown in a message box, and the program goes on.
class VelmarApplication : public QApplication {
    Q_OBJECT
public:
    VelmarApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an escaped error (also used where an error must not escape).
    static void ShowException(const std::exception& error);
};
