#include "TransferProgressTracker.h"

#include <algorithm>

void TransferProgressTracker::passStarted(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                                          std::uint16_t blockSize)
{
    const std::uint32_t span = imageLength > start ? imageLength - start : 0;
    const int blocks = blockSize > 0 ? std::max<int>(1, int((span + blockSize - 1) / blockSize)) : 1;
    const bool continuesFlash = pass == TransferProgress::Pass::Verify &&
                                m_state.pass == TransferProgress::Pass::Flash && m_state.block == m_state.blocks &&
                                m_state.blocks == blocks && m_blockSize == blockSize && m_clock.isValid();
    if (!continuesFlash) {
        m_clock.start();
        m_state.bytesDone = 0;
        // A flash pass is followed by its verify pass; a verify or read pass alone is the whole job.
        const int passes = pass == TransferProgress::Pass::Flash ? 2 : 1;
        m_state.bytesTotal = qint64(passes) * blocks * blockSize;
    }
    m_state.pass = pass;
    m_state.block = 0;
    m_state.blocks = blocks;
    m_blockSize = blockSize;
}

void TransferProgressTracker::blockDone()
{
    ++m_state.block;
    m_state.bytesDone += m_blockSize;
    m_state.elapsedMs = m_clock.elapsed();
    if (m_report)
        m_report(m_state);
}
