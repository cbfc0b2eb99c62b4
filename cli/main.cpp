// velmar-cli: the jobs of the Velmar operator tool from a shell.
#include "Cli.h"
#include "CliApplication.h"
#include "VelmarVersion.h"

#include <QLoggingCategory>

int main(int argc, char** argv)
{
    // The port's own trace of its errors would say a second time what the one line says
    // (QT_LOGGING_RULES still switches it on).
    QLoggingCategory::setFilterRules(QStringLiteral("velmar.port.info=false"));
    CliApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmar-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMAR_VERSION_STRING));
    return Cli::run(QCoreApplication::arguments());
}
