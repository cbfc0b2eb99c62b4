#pragma once

#include "TransferObserver.h"

#include <QElapsedTimer>
#include <functional>

// Keeps the books of a download for its progress view: blocks of the pass, bytes of both
// passes, the rate since the flash pass began. A verify pass that follows its flash pass
// continues that job; one on its own is the whole job.
class TransferProgressTracker : public TransferObserver {
public:
    using Report = std::function<void(const TransferProgress&)>;

    explicit TransferProgressTracker(Report report = {}) : m_report(std::move(report)) {}

    void passStarted(TransferProgress::Pass pass, std::uint32_t start, std::uint32_t imageLength,
                     std::uint16_t blockSize) override;
    // Told after every block that was written or compared.
    void blockDone() override;

    [[nodiscard]] const TransferProgress& state() const { return m_state; }

private:
    Report m_report;
    TransferProgress m_state;
    QElapsedTimer m_clock;
    std::uint16_t m_blockSize = 0;
};
