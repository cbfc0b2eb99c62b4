#include "VelmarApplication.h"

#include "Prompts.h"
#include "RichLog.h"
#include "VelmarError.h"

#include <QIcon>
#include <QPointer>

namespace {

struct ErrorBox {
    bool open = false;
    QString first;
    int more = 0;
    QPointer<RichLog> terminal;
    VelmarApplication::ErrorObserver observer;
};

ErrorBox& box()
{
    static ErrorBox b;
    return b;
}

} // namespace

VelmarApplication::VelmarApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The desktop matches the windows with the menu entry and its icon by this name.
    setDesktopFileName(QStringLiteral(VELMAR_APP_ID));
    QIcon icon;
    for (const char* size : {"48x48", "256x256"})
        icon.addFile(QStringLiteral(":/icons/%1/" VELMAR_APP_ID ".png").arg(QLatin1String(size)));
    setWindowIcon(icon);
}

QString VelmarApplication::messageOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const VelmarError& e) {
        return e.fullText();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void VelmarApplication::ShowException(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const VelmarError*>(&error))
        ShowError(e->fullText());
    else
        ShowError(QString::fromLocal8Bit(error.what()));
}

void VelmarApplication::ShowError(const QString& text) { handle(text, false); }

void VelmarApplication::setTerminal(RichLog* terminal) { box().terminal = terminal; }

bool VelmarApplication::errorBoxOpen() { return box().open; }

QString VelmarApplication::errorBoxText()
{
    const ErrorBox& b = box();
    if (!b.open || b.more == 0)
        return b.open ? b.first : QString();
    return b.first + QStringLiteral("\n\nand %1 more %2, see the terminal")
                         .arg(b.more)
                         .arg(b.more == 1 ? QStringLiteral("error") : QStringLiteral("errors"));
}

void VelmarApplication::setErrorObserver(ErrorObserver observer) { box().observer = std::move(observer); }

void VelmarApplication::handle(const QString& text, bool escaped)
{
    ErrorBox& b = box();
    if (b.observer)
        b.observer(text, escaped);
    if (b.open) {
        // Never a second box on top: the open one counts it, the terminal keeps its text.
        ++b.more;
        if (b.terminal) {
            const LogColor before = b.terminal->color();
            b.terminal->setColor(LogColors::Yellow);
            b.terminal->addLine(QStringLiteral("error: ") + text);
            b.terminal->setColor(before);
        } else {
            qWarning().noquote() << "error:" << text;
        }
        Prompts::updateMessage(errorBoxText());
        return;
    }
    b.open = true;
    b.first = text;
    b.more = 0;
    struct Closed {
        ErrorBox& b;
        ~Closed()
        {
            b.open = false;
            b.more = 0;
        }
    } closed{b};
    Prompts::message(QApplication::activeWindow(), text);
}

bool VelmarApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const QString text = messageOf(std::current_exception());
        qCritical().noquote() << "fault: an error escaped its handler into the event dispatch:" << text;
        handle(text, true);
    }
    return false;
}
