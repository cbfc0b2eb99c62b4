#pragma once

#include "LogSink.h"

#include <QList>
#include <QString>
#include <QStringList>

// A log that keeps what was written to it: the text (lines separated by "\n", carriage
// returns kept as they came) and the colour of every piece.
class RecordingLog : public LogSink {
public:
    struct Piece {
        LogColor color;
        QString text;
        bool newLine;
    };

    void addLine(const QString& text) override
    {
        if (!m_started)
            m_started = true;
        else
            m_text += QLatin1Char('\n');
        m_text += text;
        m_pieces.append({m_color, text, true});
    }
    void append(const QString& text) override
    {
        m_started = true;
        m_text += text;
        m_pieces.append({m_color, text, false});
    }
    void addLineAbove(const QString& text) override
    {
        if (!m_started) {
            addLine(text);
            return;
        }
        m_text.insert(m_text.lastIndexOf(QLatin1Char('\n')) + 1, text + QLatin1Char('\n'));
        m_pieces.append({m_color, text, true});
    }
    void setColor(LogColor color) override { m_color = color; }
    void clear() override
    {
        m_text.clear();
        m_pieces.clear();
        m_started = false;
    }

    [[nodiscard]] const QString& text() const { return m_text; }
    [[nodiscard]] QStringList lines() const { return m_text.split(QLatin1Char('\n')); }
    [[nodiscard]] const QList<Piece>& pieces() const { return m_pieces; }
    [[nodiscard]] LogColor color() const { return m_color; }

private:
    QString m_text;
    QList<Piece> m_pieces;
    LogColor m_color = LogColors::White;
    bool m_started = false;
};
