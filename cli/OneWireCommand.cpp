#include "OneWireCommand.h"

#include "BoardKind.h"
#include "Console.h"
#include "EConvertError.h"
#include "HexInput.h"
#include "Invocation.h"
#include "Session.h"
#include "StepReporter.h"

#include <QFile>
#include <QJsonArray>
#include <QSaveFile>

QByteArray OneWireCommand::format(const OneWireTable::Texts& texts)
{
    QByteArray text = "# 1-Wire table: the number of devices, then eight entries of 22 hex digits\n";
    text += texts.count.value_or(QString()).toLatin1() + '\n';
    for (const auto& entry : texts.entries)
        text += entry.value_or(QString()).toLatin1() + '\n';
    return text;
}

bool OneWireCommand::parse(const QByteArray& text, Table& table, QString& error)
{
    QList<QByteArray> lines = text.split('\n');
    if (text.endsWith('\n'))
        lines.removeLast();
    bool haveCount = false;
    int entry = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]).trimmed();
        const int number = i + 1;
        if (line.startsWith(QLatin1Char('#')) || (!haveCount && line.isEmpty()))
            continue;
        if (!haveCount) {
            try {
                (void)HexInput::lowByte(line);
            } catch (const EConvertError&) {
                error = QStringLiteral("line %1: the number of devices '%2' is no hex number").arg(number).arg(line);
                return false;
            }
            table.count = line;
            haveCount = true;
            continue;
        }
        if (entry >= OneWireTable::Entries) {
            if (line.isEmpty())
                continue;
            error = QStringLiteral("line %1: the table has eight entries").arg(number);
            return false;
        }
        if (!line.isEmpty() && (line.size() != 2 * OneWireTable::EntryBytes || !HexInput::allHexDigits(line))) {
            error = QStringLiteral("line %1: an entry is 22 hex digits, not '%2'").arg(number).arg(line);
            return false;
        }
        table.entries[std::size_t(entry++)] = line;
    }
    if (!haveCount) {
        error = QStringLiteral("the file holds no table");
        return false;
    }
    return true;
}

Outcome OneWireCommand::run() { return inv().arg(0) == QLatin1String("write") ? write() : read(); }

Outcome OneWireCommand::read()
{
    Outcome outcome;
    if (!openBoard(outcome, BoardKind::LcdModule))
        return outcome;
    StepReporter steps(link(), m_session.log());
    const OneWireTable::Texts texts = OneWireTable::read(steps);
    if (outcome.ok())
        outcome = outcomeOf(steps);

    const QString file = inv().arg(1);
    if (!file.isEmpty()) {
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(format(texts)) < 0 || !out.commit())
            return Outcome::fail(ExitCode::UsageOrFile,
                                 QStringLiteral("%1: cannot write %2: %3").arg(job(), file, out.errorString()));
    }
    if (inv().json) {
        QJsonObject o;
        o[QStringLiteral("count")] = texts.count ? QJsonValue(*texts.count) : QJsonValue();
        QJsonArray entries;
        for (const auto& e : texts.entries)
            entries.append(e ? QJsonValue(*e) : QJsonValue());
        o[QStringLiteral("entries")] = entries;
        if (!outcome.ok())
            o[QStringLiteral("error")] = outcome.message;
        console().json(o);
    } else if (file.isEmpty()) {
        // The table itself is the result: the lines of the file, without its comment.
        const QList<QByteArray> lines = format(texts).split('\n');
        for (qsizetype i = 1; i + 1 < lines.size(); ++i)
            console().result(QString::fromLatin1(lines[i]));
    }
    return outcome;
}

Outcome OneWireCommand::write()
{
    const QString file = inv().arg(1);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return usage(QStringLiteral("cannot read %1: %2").arg(file, in.errorString()));
    Table table;
    QString error;
    if (!parse(in.readAll(), table, error))
        return usage(file + QStringLiteral(", ") + error);
    Outcome outcome;
    if (!openBoard(outcome, BoardKind::LcdModule))
        return outcome;
    StepReporter steps(link(), m_session.log());
    OneWireTable::write(steps, table.count, table.entries);
    return outcome.ok() ? outcomeOf(steps) : outcome;
}

QStringList OneWireCommand::files() const { return {inv().arg(1)}; }
