#pragma once

#include "DebugSample.h"

#include <cstddef>
#include <vector>

// The samples of the debug window's poll, oldest first, in a ring of fixed capacity: when it
// is full, each new sample takes the place of the oldest. Memory grows with the samples up to
// the capacity and no further (Capacity: ten hours of the 100 ms poll, 23 MB).
class SampleRing {
public:
    static constexpr std::size_t Capacity = 10 * 3600 * 10;

    explicit SampleRing(std::size_t capacity = Capacity) : m_capacity(capacity ? capacity : 1) {}

    void push(const DebugSample& sample);
    void clear();
    [[nodiscard]] std::size_t size() const { return m_samples.size(); }
    [[nodiscard]] bool empty() const { return m_samples.empty(); }
    [[nodiscard]] std::size_t capacity() const { return m_capacity; }
    // 0 is the oldest sample kept.
    [[nodiscard]] const DebugSample& at(std::size_t i) const;
    // How many samples were pushed out of a full ring.
    [[nodiscard]] std::size_t dropped() const { return m_dropped; }
    // The index of the first sample at or after `ms` (size() when there is none). The samples
    // are taken in time order, so this is a binary search.
    [[nodiscard]] std::size_t firstAtOrAfter(qint64 ms) const;

private:
    std::size_t m_capacity;
    std::vector<DebugSample> m_samples;
    std::size_t m_head = 0; // the oldest sample once the ring is full
    std::size_t m_dropped = 0;
};
