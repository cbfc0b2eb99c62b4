#include "LineSplitter.h"

bool LineSplitter::next(QByteArray& line)
{
    if (m_at >= m_text.size())
        return false;
    qsizetype end = m_text.indexOf('\n', m_at);
    if (end < 0)
        end = m_text.size();
    line = m_text.mid(m_at, end - m_at);
    m_at = end + 1;
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}
