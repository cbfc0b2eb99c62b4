#include "SendList.h"

void SendList::append(SendRow row)
{
    m_rows.push_back(std::move(row));
    m_ids.push_back(++m_lastId);
    ++m_generation;
}

bool SendList::remove(int index)
{
    if (!contains(index))
        return false;
    m_rows.erase(m_rows.begin() + index);
    m_ids.erase(m_ids.begin() + index);
    ++m_generation;
    if (m_rows.empty())
        append();
    return true;
}

void SendList::clear()
{
    m_rows.clear();
    m_ids.clear();
    ++m_generation;
    utf8 = false;
}
