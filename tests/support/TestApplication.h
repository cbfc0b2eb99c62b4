#pragma once

#include "VelmarError.h"

#include <QCoreApplication>
#include <QStringList>

// Like the tool's general error handler, but the messages are kept for the test to look at.
class TestApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QCoreApplication::notify(receiver, event);
        } catch (const VelmarError& e) {
            errors().append(e.message());
        } catch (const std::exception& e) {
            errors().append(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

    static QStringList& errors()
    {
        static QStringList list;
        return list;
    }
};
