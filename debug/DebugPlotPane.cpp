#include "DebugPlotPane.h"

#include "HandlerBoundary.h"
#include "Prompts.h"
#include "SampleCsv.h"
#include "StripChart.h"
#include "VelmarError.h"

#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Writes `bytes` into `path` whole, or leaves the file that was there.
void writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw VelmarError(
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace

DebugPlotPane::DebugPlotPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PlotPane"));
    chart = new StripChart(this);
    chart->setObjectName(QStringLiteral("PlotChart"));
    chart->setSpanMs(SpanMs);
    pauseButton = new QPushButton(QStringLiteral("pause"), this);
    exportButton = new QPushButton(QStringLiteral("export CSV"), this);
    pictureButton = new QPushButton(QStringLiteral("save picture"), this);
    readoutLabel = new QLabel(this);
    QPalette p = readoutLabel->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    readoutLabel->setPalette(p);
    for (QPushButton* b : {pauseButton, exportButton, pictureButton})
        b->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pauseButton);
    buttons->addWidget(exportButton);
    buttons->addWidget(pictureButton);
    buttons->addStretch(1);
    // The readout has a line of its own, and wraps when many signals are shown.
    readoutLabel->setWordWrap(true);
    readoutLabel->setMinimumHeight(readoutLabel->fontMetrics().height());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->addLayout(buttons);
    layout->addWidget(readoutLabel);
    layout->addWidget(chart, 1);

    connect(pauseButton, &QPushButton::clicked, this, HandlerBoundary::wrap([this] { setPaused(!m_paused); }));
    connect(exportButton, &QPushButton::clicked, this, HandlerBoundary::slot(this, &DebugPlotPane::exportCsv));
    connect(pictureButton, &QPushButton::clicked, this, HandlerBoundary::slot(this, &DebugPlotPane::savePicture));
    connect(chart, &StripChart::readout, readoutLabel, &QLabel::setText);
}

void DebugPlotPane::addSample(const DebugSample& sample)
{
    m_ring.push(sample);
    if (!m_paused)
        refresh();
}

void DebugPlotPane::setPaused(bool on)
{
    m_paused = on;
    pauseButton->setText(on ? QStringLiteral("resume") : QStringLiteral("pause"));
    if (!on)
        refresh();
}

void DebugPlotPane::refresh()
{
    if (m_ring.empty())
        return;
    const qint64 end = m_ring.at(m_ring.size() - 1).ms;
    const std::size_t first = m_ring.firstAtOrAfter(end - SpanMs);
    // One series per signal of the span, the 16-bit ones first (the columns of the export,
    // the other way round); a sample that did not ask for a signal leaves a gap in its line.
    SampleRing span(m_ring.size() - first);
    for (std::size_t i = first; i < m_ring.size(); ++i)
        span.push(m_ring.at(i));
    QList<SampleCsv::Column> columns = SampleCsv::forRing(span).columns();
    std::stable_partition(columns.begin(), columns.end(), [](const SampleCsv::Column& c) { return c.word; });
    QList<StripChart::Series> series;
    for (const SampleCsv::Column& c : columns)
        series.append({(c.word ? QStringLiteral("word %1") : QStringLiteral("bit %1")).arg(c.signal), !c.word, {}});
    for (std::size_t i = 0; i < span.size(); ++i) {
        const DebugSample& s = span.at(i);
        for (qsizetype k = 0; k < columns.size(); ++k) {
            StripChart::Point pt{s.ms, 0, false};
            const auto fill = [&](const auto& cells) {
                for (const auto& c : cells)
                    if (c.used && c.signal == columns[k].signal) {
                        pt = {s.ms, double(c.value), c.valid};
                        return;
                    }
            };
            columns[k].word ? fill(s.words) : fill(s.bits);
            series[k].points.append(pt);
        }
    }
    chart->setData(std::move(series), end);
}

void DebugPlotPane::exportCsv()
{
    const QString path =
        Prompts::saveFile(this, QStringLiteral("debug.csv"), QStringLiteral("CSV file (*.csv)|*.csv|all files (*)|*"),
                          QStringLiteral("csv"), QStringLiteral("export CSV"));
    if (path.isEmpty())
        return;
    const SampleCsv csv = SampleCsv::forRing(m_ring);
    QByteArray text = csv.header().toUtf8() + '\n';
    for (std::size_t i = 0; i < m_ring.size(); ++i)
        text += csv.row(m_ring.at(i)).toUtf8() + '\n';
    writeWhole(path, text);
}

void DebugPlotPane::savePicture()
{
    const QString path = Prompts::saveFile(this, QStringLiteral("debug.png"),
                                           QStringLiteral("PNG picture (*.png)|*.png|all files (*)|*"),
                                           QStringLiteral("png"), QStringLiteral("save picture"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    chart->grab().save(&buffer, "PNG");
    writeWhole(path, png);
}
