#include "VelmarApplication.h"

#include "Prompts.h"
#include "VelmarError.h"

VelmarApplication::VelmarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void VelmarApplication::ShowException(const std::exception& error)
{
    if (const auto* e = dynamic_cast<const VelmarError*>(&error))
        Prompts::message(QApplication::activeWindow(), e->message());
    else
        Prompts::message(QApplication::activeWindow(), QString::fromLocal8Bit(error.what()));
}

bool VelmarApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        Prompts::message(QApplication::activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}
