#include "SampleRing.h"

#include <algorithm>

void SampleRing::push(const DebugSample& sample)
{
    if (m_samples.size() < m_capacity) {
        // Grown as needed, but never past the capacity.
        if (m_samples.size() == m_samples.capacity())
            m_samples.reserve(std::min(m_capacity, std::max<std::size_t>(1024, 2 * m_samples.size())));
        m_samples.push_back(sample);
        return;
    }
    m_samples[m_head] = sample;
    m_head = (m_head + 1) % m_capacity;
    ++m_dropped;
}

void SampleRing::clear()
{
    m_samples.clear();
    m_head = 0;
    m_dropped = 0;
}

const DebugSample& SampleRing::at(std::size_t i) const { return m_samples[(m_head + i) % m_samples.size()]; }

std::size_t SampleRing::firstAtOrAfter(qint64 ms) const
{
    std::size_t low = 0, high = size();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (at(mid).ms < ms)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}
