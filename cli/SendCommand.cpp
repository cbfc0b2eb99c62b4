#include "SendCommand.h"

#include "CommandSet.h"
#include "Console.h"
#include "EConvertError.h"
#include "HexInput.h"
#include "HexText.h"
#include "Invocation.h"
#include "Link.h"
#include "Session.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <vector>

QString SendCommand::request(const QStringList& text, QString& error)
{
    const QString joined = text.join(QLatin1Char(' ')).trimmed();
    if (joined.startsWith(QLatin1Char(':'))) {
        QString body = joined.mid(1);
        if (body.endsWith(QLatin1Char('\r')))
            body.chop(1);
        if (body.size() < 8 || body.size() % 2 != 0 || !HexInput::allHexDigits(body)) {
            error = QStringLiteral("'%1' is no telegram text (\":aa\", length, command, data, \"a5\")").arg(joined);
            return {};
        }
        return QLatin1Char(':') + body + QLatin1Char('\r');
    }
    std::vector<std::uint8_t> bytes;
    for (QString token : joined.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
        if (token.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            token.remove(0, 2);
        else if (token.startsWith(QLatin1Char('$')))
            token.remove(0, 1);
        if (token.isEmpty() || token.size() > 2 || !HexInput::allHexDigits(token)) {
            error = QStringLiteral("'%1' is no byte in hex").arg(token);
            return {};
        }
        bytes.push_back(std::uint8_t(token.toUInt(nullptr, 16)));
    }
    if (bytes.empty()) {
        error = QStringLiteral("no telegram given");
        return {};
    }
    if (bytes.size() > 100) {
        error = QStringLiteral("a telegram carries at most 99 data bytes");
        return {};
    }
    return CommandSet::build(bytes[0], std::span<const std::uint8_t>(bytes).subspan(1));
}

Outcome SendCommand::run()
{
    QString error;
    const QString req = request(inv().args, error);
    if (req.isEmpty())
        return usage(error);
    if (auto failed = openPort())
        return *failed;
    const Answer answer = exchange(req);
    show(req, answer);
    return judge(answer);
}

SendCommand::Answer SendCommand::exchange(const QString& req)
{
    Answer a;
    bool garbled = false;
    try {
        a.code = link().SendTelegram(req);
    } catch (const EConvertError&) {
        garbled = true; // a group that is not hex: no valid answer
    }
    const ReceiveDispatcher& rx = link().rx();
    a.answered = rx.AnswerComplete != 0;
    a.line = QString::fromLatin1(rx.RxText);
    while (a.line.endsWith(QLatin1Char('\r')) || a.line.endsWith(QLatin1Char('\n')))
        a.line.chop(1);
    a.valid = a.answered && !garbled && a.code != 0;
    if (!garbled) {
        const auto data = link().AnswerData();
        a.data.assign(data.begin(), data.end());
    }
    return a;
}

void SendCommand::show(const QString& req, const Answer& a)
{
    if (inv().json) {
        QJsonObject o;
        o[QStringLiteral("request")] = QString(req).remove(QLatin1Char('\r'));
        o[QStringLiteral("answered")] = a.answered;
        o[QStringLiteral("answer")] = a.answered ? QJsonValue(a.line) : QJsonValue();
        o[QStringLiteral("valid")] = a.valid;
        if (a.valid) {
            o[QStringLiteral("code")] = a.code;
            QJsonArray bytes;
            for (std::uint8_t b : a.data)
                bytes.append(int(b));
            o[QStringLiteral("data")] = bytes;
        }
        console().json(o);
    } else if (inv().has("raw")) {
        if (a.answered)
            console().result(a.line);
    } else if (a.valid) {
        QString text = QStringLiteral("answer ") + ByteToHex(std::uint8_t(a.code));
        if (!a.data.empty()) {
            text += QLatin1Char(':');
            for (std::uint8_t b : a.data)
                text += QLatin1Char(' ') + ByteToHexDigits(b);
        }
        console().result(text);
    }
}

Outcome SendCommand::judge(const Answer& a) const
{
    if (m_session.forced() || m_session.lost())
        return m_session.lostOutcome(job());
    if (!a.answered)
        return Outcome::fail(ExitCode::NoAnswer,
                             QStringLiteral("send: no answer within %1 ms").arg(Link::TelegramTimeout));
    if (!a.valid)
        return Outcome::fail(ExitCode::NoAnswer, QStringLiteral("send: no valid answer: ") + a.line);
    if (a.code == CommandSet::Refused || a.code == CommandSet::FileRefused)
        return Outcome::fail(ExitCode::BoardFailure, QStringLiteral("send: the board refused the telegram (answer ") +
                                                         ByteToHex(std::uint8_t(a.code)) + QLatin1Char(')'));
    return Outcome::success();
}
