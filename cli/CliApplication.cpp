#include "CliApplication.h"

#include "VelmarError.h"

namespace {

QString& escaped()
{
    static QString text;
    return text;
}

void keep(const QString& text)
{
    if (escaped().isEmpty())
        escaped() = text;
}

} // namespace

CliApplication::CliApplication(int& argc, char** argv) : QCoreApplication(argc, argv) {}

bool CliApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (const VelmarError& e) {
        keep(e.message());
    } catch (const std::exception& e) {
        keep(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        keep(QStringLiteral("unknown error"));
    }
    return false;
}

const QString& CliApplication::escapedError() { return escaped(); }

void CliApplication::clearEscapedError() { escaped().clear(); }
