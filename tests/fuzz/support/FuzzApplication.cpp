#include "FuzzApplication.h"

#include <QCoreApplication>
#include <QEvent>

void ensureFuzzApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends; the fuzzer exits without unwinding main().
    new QCoreApplication(argc, argv);
}

void drainPostedEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
