#include "Console.h"

#include "ProgressLine.h"

#include <QJsonDocument>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

Console::Options Console::detect(bool quiet, bool json)
{
    Options o;
    o.quiet = quiet;
    o.json = json;
    o.stdoutIsTerminal = isatty(STDOUT_FILENO) == 1;
    const char* noColor = std::getenv("NO_COLOR");
    o.colours = o.stdoutIsTerminal && !(noColor && *noColor);
    o.progressBar = isatty(STDERR_FILENO) == 1 && !quiet && !json;
    winsize size{};
    if (o.progressBar && ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        o.columns = size.ws_col;
    return o;
}

Console::Console(Options options, Write out, Write err)
    : m_options(options),
      m_out(std::move(out)),
      m_err(std::move(err)),
      m_log(m_out, options.colours)
{
    m_log.setEnabled(!options.quiet && !options.json);
    // The bar stands on the line where the log goes on: it makes room before the log writes.
    if (options.stdoutIsTerminal)
        m_log.beforeWrite = [this] { endProgress(); };
}

void Console::result(const QString& line)
{
    if (m_options.quiet || m_options.json)
        return;
    m_log.setColor(LogColors::White);
    m_log.addLine(line);
}

void Console::error(const QString& line)
{
    endProgress();
    if (!m_options.stdoutIsTerminal || m_options.quiet || m_options.json) {
        m_err(QByteArrayLiteral("velmar-cli: ") + line.toUtf8() + '\n');
        return;
    }
    // On a shared terminal the message takes a line of its own.
    m_log.finish();
    m_err(QByteArrayLiteral("velmar-cli: ") + line.toUtf8() + '\n');
}

void Console::json(const QJsonObject& object)
{
    m_jsonWritten = true;
    m_out(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void Console::beginPass()
{
    if (m_options.progressBar && m_options.stdoutIsTerminal)
        m_log.setProgressShown(true);
}

void Console::progress(const TransferProgress& p)
{
    if (!m_options.progressBar)
        return;
    const bool last = p.block >= p.blocks;
    if (m_barShown && m_lastDraw.isValid() && m_lastDraw.elapsed() < 100 && !last)
        return;
    m_lastDraw.start();
    m_err(QByteArrayLiteral("\r") + ProgressLine::text(p, m_options.columns).toUtf8() + QByteArrayLiteral("\033[K"));
    m_barShown = true;
}

void Console::endProgress()
{
    m_log.setProgressShown(false);
    if (!m_barShown)
        return;
    m_barShown = false;
    m_err(QByteArrayLiteral("\r\033[K"));
}

void Console::finish()
{
    endProgress();
    m_log.finish();
}
