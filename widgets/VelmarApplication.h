#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

class RichLog;

// The application with its general error handler. An error that ends a handler (caught at
// the handler's boundary, see HandlerBoundary) is shown in a message box and the program goes
// on. Only one such box is open at a time: errors that come while it is open (the event loop
// runs on behind it) go to the terminal in yellow, and the open box counts them.
class VelmarApplication : public QApplication {
    Q_OBJECT
public:
    VelmarApplication(int& argc, char** argv);
    // The last resort for an error that a handler let through: reported as a fault of the
    // program in the log, then shown like any other. A correct program never gets here.
    bool notify(QObject* receiver, QEvent* event) override;

    // The general error handler.
    static void ShowException(const std::exception& error);
    static void ShowError(const QString& text);
    // The text an error shows.
    [[nodiscard]] static QString messageOf(std::exception_ptr error);

    // Where the errors that come while the box is open are written: the main window's terminal.
    static void setTerminal(RichLog* terminal);
    [[nodiscard]] static bool errorBoxOpen();
    // The text of the open box, with the count of the errors that came behind it.
    [[nodiscard]] static QString errorBoxText();

    // Told of every error that reaches the general handler; `escaped` when it came through
    // the event dispatch instead of a handler's boundary. For tests.
    using ErrorObserver = std::function<void(const QString& text, bool escaped)>;
    static void setErrorObserver(ErrorObserver observer);

private:
    static void handle(const QString& text, bool escaped);
};
