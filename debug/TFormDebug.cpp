#include "TFormDebug.h"

#include "DebugPlotPane.h"
#include "HandlerBoundary.h"
#include "IniFile.h"
#include "Link.h"
#include "Prompts.h"
#include "TCustomComPort.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <tuple>

namespace {

const QString Section = QStringLiteral("Debugger");
const QColor Lime(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor Navy(0, 0, 128);

DebugWindowRunner& runner()
{
    static DebugWindowRunner r = [](TFormDebug& form) { return form.exec(); };
    return r;
}

void setBackground(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, color);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setLamp(QLabel* lamp, LampColor color) { setBackground(lamp, color == LampColor::Red ? Red : Lime); }

template <std::size_t N>
void setLamps(const std::array<QLabel*, N>& lamps, const std::array<LampColor, N>& colors)
{
    for (std::size_t i = 0; i < N; ++i)
        setLamp(lamps[i], colors[i]);
}

DebugPoller::Texts textsOf(const std::array<QLineEdit*, DebugPoller::Rows>& edits)
{
    DebugPoller::Texts texts;
    for (std::size_t i = 0; i < edits.size(); ++i)
        texts[i] = edits[i]->text();
    return texts;
}

} // namespace

int ShowDebugWindow(TFormDebug& form) { return runner()(form); }

void SetDebugWindowRunner(DebugWindowRunner r) { runner() = std::move(r); }

TFormDebug::TFormDebug(Link& link, QString settingsPath, QWidget* parent)
    : QDialog(parent),
      m_link(link),
      m_poller(link),
      m_settingsPath(std::move(settingsPath))
{
    setObjectName(QStringLiteral("FormDebug"));
    buildWindow();
    debug_timer = new QTimer(this);
    debug_timer->setObjectName(QStringLiteral("debug_timer"));
    debug_timer->setInterval(100);
    connect(debug_timer, &QTimer::timeout, this, HandlerBoundary::slot(this, &TFormDebug::OnTimer));
    connect(DebugButton, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormDebug::DebugButton_OnClick));
    // A pulled cable ends polling at once: the port's own message is the one the user gets,
    // not one more for each telegram of the cycle that would go out on the closed port.
    connect(&m_link.port(), &TCustomComPort::LineLost, this, HandlerBoundary::wrap([this](const QString&) {
        if (PollingOn)
            stopPolling();
    }));
    HandlerBoundary::run([this] { FormDebug_OnCreate(); });
}

TFormDebug::~TFormDebug()
{
    // The main window's link may already be gone here: nothing below touches the line.
    HandlerBoundary::run([this] { FormDebug_OnDestory(); });
}

int TFormDebug::px(int designPixels) const { return qRound(designPixels * m_scale); }

QLabel* TFormDebug::makeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h)
{
    auto* l = new QLabel(text, parent);
    l->setGeometry(px(x), px(y), px(w), px(h));
    return l;
}

QLabel* TFormDebug::makeLamp(QWidget* parent, const QString& caption, int x, int y)
{
    auto* lamp = makeLabel(parent, caption, x, y, LampWidth, 20);
    QPalette p = lamp->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    lamp->setPalette(p);
    setBackground(lamp, Lime);
    return lamp;
}

QLineEdit* TFormDebug::makeEdit(QWidget* parent, const QString& name, int x, int y, int w)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(px(x), px(y), px(w), px(24));
    return e;
}

QFrame* TFormDebug::makePanel(int x, int y, int w, int h)
{
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setGeometry(px(x), px(y), px(w), px(h));
    setBackground(panel, Navy);
    return panel;
}

void TFormDebug::buildWindow()
{
    setWindowTitle(QStringLiteral("debug window"));
    // Designed in pixels of a 120 dpi screen: larger on finer screens, but never shrunk, so
    // that the window keeps its 546 x 332 and the 22-pixel lamps fit their rows.
    m_scale = std::max(1.0, logicalDpiX() / 120.0);
    resize(px(DesignWidth), px(DesignHeight));
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    setAutoFillBackground(true);

    buildSignalPanels();
    buildDigitalIO();
    QFont heading = Label15->font();
    heading.setBold(true);
    for (QLabel* l : {Label15, Label21, Label31})
        l->setFont(heading);

    DebugButton = new QPushButton(QStringLiteral("Debug ON"), this);
    DebugButton->setObjectName(QStringLiteral("DebugButton"));
    DebugButton->setGeometry(px(416), px(284), px(114), px(32));
    DebugButton->setAutoDefault(false);

    PlotButton = new QPushButton(QStringLiteral("plot"), this);
    PlotButton->setObjectName(QStringLiteral("PlotButton"));
    PlotButton->setGeometry(px(8), px(284), px(80), px(32));
    PlotButton->setCheckable(true);
    PlotButton->setAutoDefault(false);
    PlotPane = new DebugPlotPane(this);
    PlotPane->hide();
    connect(PlotButton, &QPushButton::toggled, this, HandlerBoundary::slot(this, &TFormDebug::setPlotShown));
}

void TFormDebug::setPlotShown(bool on)
{
    if (PlotButton->isChecked() != on)
        PlotButton->setChecked(on); // comes back here through toggled
    if (PlotPane->isHidden() != on)
        return;
    PlotPane->setVisible(on);
    // The designed controls keep their place; the pane takes the room below them.
    const int designed = px(DesignHeight);
    if (on && height() < designed + px(PlotHeight) / 2)
        resize(width(), designed + px(PlotHeight));
    else if (!on)
        resize(width(), designed);
    resizeEvent(nullptr);
}

void TFormDebug::resizeEvent(QResizeEvent* event)
{
    if (event)
        QDialog::resizeEvent(event);
    const int top = px(DesignHeight);
    PlotPane->setGeometry(0, top, width(), std::max(0, height() - top));
}

void TFormDebug::buildSignalPanels()
{
    // Left: the 1-bit signals, a number and a lamp per row.
    Panel3 = makePanel(8, 8, 132, 240);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Label21 = makeLabel(Panel3, QStringLiteral("1 Bit Signale"), 8, 6, 116, 22);
    // Middle: the 16-bit signals, a number and the value per row.
    Panel6 = makePanel(148, 8, 164, 240);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Label31 = makeLabel(Panel6, QStringLiteral("16 Bit Signale"), 8, 6, 148, 22);
    for (int k = 0; k < DebugPoller::Rows; ++k) {
        const int y = 38 + 40 * k;
        const auto n = QString::number(k + 1);
        m_bitEdits[k] = makeEdit(Panel3, QStringLiteral("EditBitSig") + n, 8, y, 41);
        m_bitLamps[k] = makeLamp(Panel3, QStringLiteral(" "), 60, y + 2);
        m_wordEdits[k] = makeEdit(Panel6, QStringLiteral("EditWordSig") + n, 8, y, 60);
        m_wordLabels[k] = makeLabel(Panel6, QStringLiteral("0"), 74, y, 80, 24);
        m_wordLabels[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_wordLabels[k]->setObjectName(QStringLiteral("Label_WS") + n);
        m_bitLamps[k]->setObjectName(QStringLiteral("LabelLedBS") + n);
    }
    std::tie(EditBitSig1, EditBitSig2, EditBitSig3, EditBitSig4, EditBitSig5) =
        std::tuple(m_bitEdits[0], m_bitEdits[1], m_bitEdits[2], m_bitEdits[3], m_bitEdits[4]);
    std::tie(LabelLedBS1, LabelLedBS2, LabelLedBS3, LabelLedBS4, LabelLedBS5) =
        std::tuple(m_bitLamps[0], m_bitLamps[1], m_bitLamps[2], m_bitLamps[3], m_bitLamps[4]);
    std::tie(EditWordSig1, EditWordSig2, EditWordSig3, EditWordSig4, EditWordSig5) =
        std::tuple(m_wordEdits[0], m_wordEdits[1], m_wordEdits[2], m_wordEdits[3], m_wordEdits[4]);
    std::tie(Label_WS1, Label_WS2, Label_WS3, Label_WS4, Label_WS5) =
        std::tuple(m_wordLabels[0], m_wordLabels[1], m_wordLabels[2], m_wordLabels[3], m_wordLabels[4]);
    // Only the first edit of each column takes digits alone.
    EditBitSig1->installEventFilter(this);
    EditWordSig1->installEventFilter(this);
}

void TFormDebug::buildDigitalIO()
{
    // Right: the digital I/O, one row of lamps each.
    Label15 = makeLabel(this, QStringLiteral("Digital I/O"), 318, 12, 200, 22);
    const auto lampRow = [this](const QString& caption, int y, int count) {
        auto* label = makeLabel(this, caption, 318, y, 74, 22);
        std::array<QLabel*, 6> row{};
        for (int i = 0; i < count; ++i)
            row[i] = makeLamp(this, QStringLiteral(" %1").arg(i + 1), 394 + 25 * i, y + 1);
        return std::pair(label, row);
    };
    auto [taster, t] = lampRow(QStringLiteral("Taster"), 46, 4);
    auto [eingang, e] = lampRow(QStringLiteral("Eingang"), 82, 6);
    auto [ausgang, o] = lampRow(QStringLiteral("Ausgang"), 118, 6);
    Label16 = taster;
    Label2 = eingang;
    Label1 = ausgang;
    std::tie(LabelLedT1, LabelLedT2, LabelLedT3, LabelLedT4) = std::tuple(t[0], t[1], t[2], t[3]);
    std::tie(LabelLedEin1, LabelLedEin2, LabelLedEin3, LabelLedEin4, LabelLedEin5, LabelLedEin6) =
        std::tuple(e[0], e[1], e[2], e[3], e[4], e[5]);
    std::tie(LabelLedOut1, LabelLedOut2, LabelLedOut3, LabelLedOut4, LabelLedOut5, LabelLedOut6) =
        std::tuple(o[0], o[1], o[2], o[3], o[4], o[5]);
}

std::array<QLabel*, 21> TFormDebug::lamps() const
{
    return {LabelLedT1,   LabelLedT2,   LabelLedT3,   LabelLedT4,   LabelLedEin1, LabelLedEin2, LabelLedEin3,
            LabelLedEin4, LabelLedEin5, LabelLedEin6, LabelLedOut1, LabelLedOut2, LabelLedOut3, LabelLedOut4,
            LabelLedOut5, LabelLedOut6, LabelLedBS1,  LabelLedBS2,  LabelLedBS3,  LabelLedBS4,  LabelLedBS5};
}

LampColor TFormDebug::lampColor(const QLabel* lamp)
{
    return lamp->palette().color(QPalette::Window) == Red ? LampColor::Red : LampColor::Lime;
}

void TFormDebug::FormDebug_OnCreate()
{
    const IniFile settings(m_settingsPath);
    // A first start has no section yet: the window keeps its design size and place.
    if (settings.SectionExists(Section)) {
        const QPoint pos(settings.ReadInteger(Section, QStringLiteral("XPos"), 0),
                         settings.ReadInteger(Section, QStringLiteral("YPos"), 0));
        const int w = settings.ReadInteger(Section, QStringLiteral("Breite"), 0);
        const int h = settings.ReadInteger(Section, QStringLiteral("Hoehe"), 0);
        m_placement.restore(*this, pos, w > 0 && h > 0 ? QSize(w, h) : QSize());
        setPlotShown(settings.ReadInteger(Section, QStringLiteral("Plot"), 0) != 0);
    }
    PollingOn = false;
    m_poller.setActive(false);
}

void TFormDebug::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    HandlerBoundary::run([this] { FormDebug_OnShow(); });
}

void TFormDebug::FormDebug_OnShow()
{
    for (QLabel* lamp : lamps())
        lamp->resize(std::max(LampWidth, px(LampWidth)), lamp->height());
}

void TFormDebug::FormDebug_OnDestory()
{
    debug_timer->stop();
    IniFile settings(m_settingsPath);
    const QPoint pos = m_placement.positionToStore(*this);
    const QSize size = m_placement.sizeToStore(*this);
    settings.WriteInteger(Section, QStringLiteral("XPos"), pos.x());
    settings.WriteInteger(Section, QStringLiteral("YPos"), pos.y());
    settings.WriteInteger(Section, QStringLiteral("Breite"), size.width());
    settings.WriteInteger(Section, QStringLiteral("Hoehe"), size.height());
    settings.WriteInteger(Section, QStringLiteral("Plot"), PlotButton->isChecked() ? 1 : 0);
    settings.UpdateFile();
}

void TFormDebug::stopPolling()
{
    PollingOn = false;
    m_poller.setActive(false);
    debug_timer->stop();
    DebugButton->setText(QStringLiteral("Debug ON"));
}

void TFormDebug::closeEvent(QCloseEvent* event)
{
    // Polling ends first, so that not one more telegram goes out behind other work.
    stopPolling();
    QDialog::closeEvent(event);
}

void TFormDebug::keyPressEvent(QKeyEvent* event)
{
    // No key closes the window: the plot holds every sample polled since it opened, and a
    // stray Escape would throw away what was not exported yet. The close box still closes it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormDebug::done(int result)
{
    stopPolling();
    QDialog::done(result);
}

void TFormDebug::DebugButton_OnClick()
{
    if (PollingOn) {
        stopPolling();
        return;
    }
    PollingOn = true;
    m_poller.setActive(true);
    debug_timer->start();
    DebugButton->setText(QStringLiteral("Debug OFF"));
}

void TFormDebug::OnTimer()
{
    // Every wait for an answer lets timers run; a tick that falls into a cycle, into the
    // message box, or into anybody else's exchange is dropped, the next one comes 100 ms later.
    if (m_cycleRunning || m_messageOpen || m_link.busy() || !PollingOn)
        return;
    const QScopedValueRollback running(m_cycleRunning, true);
    try {
        const DebugSample sample = m_poller.PollCycle(textsOf(m_bitEdits), textsOf(m_wordEdits), cycleHandlers());
        // A cycle that closing the window cut short is no sample.
        if (PollingOn)
            PlotPane->addSample(sample);
    } catch (...) {
        // A port or conversion error is shown by the general handler; polling on would only
        // raise the same error again every 100 ms, one message box over the other.
        stopPolling();
        throw;
    }
}

DebugPoller::CycleHandlers TFormDebug::cycleHandlers()
{
    DebugPoller::CycleHandlers on;
    on.io = [this](const DigitalLamps& lamps) {
        setLamps(std::array{LabelLedT1, LabelLedT2, LabelLedT3, LabelLedT4}, lamps.buttons);
        setLamps(std::array{LabelLedEin1, LabelLedEin2, LabelLedEin3, LabelLedEin4, LabelLedEin5, LabelLedEin6},
                 lamps.inputs);
        setLamps(std::array{LabelLedOut1, LabelLedOut2, LabelLedOut3, LabelLedOut4, LabelLedOut5, LabelLedOut6},
                 lamps.outputs);
    };
    on.bit = [this](int row, LampColor lamp) { setLamp(m_bitLamps[row], lamp); };
    on.word = [this](int row, std::uint16_t value) { m_wordLabels[row]->setText(QString::number(value)); };
    on.invalid = [this](int, const QString&) { showInvalidEntry(); };
    return on;
}

void TFormDebug::showInvalidEntry()
{
    const QScopedValueRollback open(m_messageOpen, true);
    Prompts::message(this, QStringLiteral("ungültige Eingabe"));
}

bool TFormDebug::EBitSig1_keyPress(QChar key) const { return key >= QLatin1Char('0') && key <= QLatin1Char('9'); }

bool TFormDebug::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == EditBitSig1 || watched == EditWordSig1) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Backspace, paste and cut would change the text without a digit typed.
        if (key->key() == Qt::Key_Backspace || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut))
            return true;
        const QString text = key->text();
        for (QChar c : text)
            if (c.isPrint() && !EBitSig1_keyPress(c))
                return true;
    }
    return QDialog::eventFilter(watched, event);
}
