#pragma once

#include "SampleRing.h"

#include <QWidget>

class QLabel;
class QPushButton;
class StripChart;

// The debug window's plot: the signals of the last 60 s as a strip chart, updated with each
// poll, with pause and resume, the values under the mouse, the export of every sample since
// the window opened as CSV (as far as the ring holds them) and a picture of the chart.
class DebugPlotPane : public QWidget {
    Q_OBJECT
public:
    static constexpr qint64 SpanMs = 60000;

    explicit DebugPlotPane(QWidget* parent = nullptr);

    void addSample(const DebugSample& sample);
    [[nodiscard]] const SampleRing& samples() const { return m_ring; }
    [[nodiscard]] bool paused() const { return m_paused; }
    void setPaused(bool on);

    // Through the replaceable prompts; written whole or not at all.
    void exportCsv();
    void savePicture();

    StripChart* chart = nullptr;
    QPushButton* pauseButton = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* pictureButton = nullptr;
    QLabel* readoutLabel = nullptr;

private:
    // The chart's series from the ring's samples of the last SpanMs.
    void refresh();

    SampleRing m_ring;
    bool m_paused = false;
};
