#include "ScriptRig.h"

#include "EInOutError.h"

void MemoryLog::put(const QString& t)
{
    if (failing)
        throw EInOutError(QStringLiteral("Cannot write log.csv: No space left on device"));
    text += t;
}
