#include "CliApplication.h"

namespace {

std::exception_ptr& escaped()
{
    static std::exception_ptr first;
    return first;
}

} // namespace

CliApplication::CliApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {}

bool CliApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (...) {
        if (!escaped())
            escaped() = std::current_exception();
    }
    return false;
}

std::exception_ptr CliApplication::takeEscaped()
{
    std::exception_ptr e;
    std::swap(e, escaped());
    return e;
}
