// Builds: a core library with what a core may use.
#include <QtCore/QString>

QString coreGuardProbe() { return QStringLiteral("core"); }
