#include "TFormOneWire.h"

#include "AutoSender.h"
#include "HandlerBoundary.h"
#include "IniFile.h"
#include "Link.h"
#include "Prompts.h"
#include "RichLog.h"
#include "ScriptInterpreter.h"
#include "ScriptSettings.h"
#include "SendCellDelegate.h"
#include "SendGrid.h"
#include "SendListFile.h"
#include "SendListModel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

ScriptMonitorRunner& runner()
{
    static ScriptMonitorRunner r = [](TFormOneWire& form) { return form.exec(); };
    return r;
}

constexpr auto Editing = QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked;

} // namespace

int ShowScriptMonitor(TFormOneWire& form) { return runner()(form); }

void SetScriptMonitorRunner(ScriptMonitorRunner r) { runner() = std::move(r); }

TFormOneWire::TFormOneWire(Link& link, QString settingsPath, QWidget* parent)
    : QDialog(parent),
      m_link(link),
      m_settingsPath(std::move(settingsPath))
{
    setObjectName(QStringLiteral("FormOneWire"));
    buildWindow();
    m_interpreter = std::make_unique<ScriptInterpreter>(m_link, m_list, m_state, *RichEdit, m_logFile);
    m_autoSender = std::make_unique<AutoSender>(m_state, m_list, *m_interpreter, m_link, *RichEdit);
    m_interpreter->rowChanged = [this](int row) { m_model->rowChanged(row); };
    m_autoSender->runningChanged = [this](bool running) { showAutoSend(running); };
    m_autoSender->rowFailed = [](std::exception_ptr error) { HandlerBoundary::report(error); };
    m_logFile.closedByError = [this] { LogEdit->clear(); };
    buildGrid();
    connectHandlers();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    // One row per tick is the design's pace; a coarse timer would lose ticks over an hour.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, HandlerBoundary::slot(this, &TFormOneWire::timerStart));
    Timer1->start();
    HandlerBoundary::run([this] { MainFormCreate(); });
}

TFormOneWire::~TFormOneWire()
{
    Timer1->stop();
    HandlerBoundary::run([this] { MainFormDestroy(); });
    // The grid, its delegate and its model call back into the list and the handlers, which go
    // with the members, before QDialog deletes its children: these go first.
    delete StringGrid;
    StringGrid = nullptr;
    delete m_delegate;
    m_delegate = nullptr;
    delete m_model;
    m_model = nullptr;
}

int TFormOneWire::px(int designPixels) const { return qRound(designPixels * m_scale); }

int TFormOneWire::lineCount() const { return m_list.lineCount(); }

int TFormOneWire::currentLine() const
{
    const QModelIndex current = StringGrid->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void TFormOneWire::buildWindow()
{
    setWindowTitle(QStringLiteral("script monitor"));
    m_scale = std::max(1.0, logicalDpiX() / 120.0);
    auto* layout = new QVBoxLayout(this);

    RichEdit = new RichLog(this);
    RichEdit->setObjectName(QStringLiteral("RichEdit"));
    RichEdit->setMinimumHeight(px(120));
    layout->addWidget(RichEdit, 2);
    layout->addLayout(buildLogRow());

    StringGrid = new SendGrid(this);
    StringGrid->setObjectName(QStringLiteral("StringGrid"));
    layout->addWidget(StringGrid, 3);
    layout->addLayout(buildListButtons());
    layout->addLayout(buildDebugBoxes());

    // The keyboard goes from the grid through the list buttons to the run controls.
    QWidget* const order[] = {StringGrid, HinzufuegenBtn, EntfernenBtn, ListeLeerenBtn,  LadenBtn, SpeichernBtn,
                              btSenden,   DebugTCB,       DebugGCB,     CBDebugTelegram, ClearBtn, LogEdit};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    resize(px(DesignWidth), px(DesignHeight));
}

QHBoxLayout* TFormOneWire::buildLogRow()
{
    auto* logRow = new QHBoxLayout;
    ClearBtn = new QPushButton(QStringLiteral("Clear Window"), this);
    ClearBtn->setObjectName(QStringLiteral("ClearBtn"));
    ClearBtn->setAutoDefault(false);
    LogLabel = new QLabel(QStringLiteral("Log Datei"), this);
    LogEdit = new QLineEdit(this);
    LogEdit->setObjectName(QStringLiteral("LogEdit"));
    LogEdit->setReadOnly(true);
    LogEdit->setPlaceholderText(QStringLiteral("(click to open a log file)"));
    LogEdit->installEventFilter(this);
    LogLabel->setBuddy(LogEdit);
    logRow->addWidget(ClearBtn);
    logRow->addSpacing(px(16));
    logRow->addWidget(LogLabel);
    logRow->addWidget(LogEdit, 1);
    return logRow;
}

QHBoxLayout* TFormOneWire::buildListButtons()
{
    auto* buttons = new QHBoxLayout;
    const auto button = [this](const QString& caption, const QString& name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    HinzufuegenBtn = button(QStringLiteral("Hinzufügen"), QStringLiteral("HinzufuegenBtn"));
    EntfernenBtn = button(QStringLiteral("Entfernen"), QStringLiteral("EntfernenBtn"));
    ListeLeerenBtn = button(QStringLiteral("Liste Leeren"), QStringLiteral("ListeLeerenBtn"));
    LadenBtn = button(QStringLiteral("Laden"), QStringLiteral("LadenBtn"));
    SpeichernBtn = button(QStringLiteral("Speichern"), QStringLiteral("SpeichernBtn"));
    btSenden = button(QStringLiteral("Auto Senden"), QStringLiteral("btSenden"));
    for (QPushButton* b : {HinzufuegenBtn, EntfernenBtn, ListeLeerenBtn, LadenBtn, SpeichernBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    btSenden->setMinimumWidth(px(110));
    buttons->addWidget(btSenden);
    return buttons;
}

QHBoxLayout* TFormOneWire::buildDebugBoxes()
{
    auto* boxes = new QHBoxLayout;
    DebugTCB = new QCheckBox(QStringLiteral("Telegramm Infos"), this);
    DebugTCB->setObjectName(QStringLiteral("DebugTCB"));
    DebugGCB = new QCheckBox(QStringLiteral("Debug Grid "), this);
    DebugGCB->setObjectName(QStringLiteral("DebugGCB"));
    CBDebugTelegram = new QCheckBox(QStringLiteral("Debug Telegramm"), this);
    CBDebugTelegram->setObjectName(QStringLiteral("CBDebugTelegram"));
    for (QCheckBox* b : {DebugTCB, DebugGCB, CBDebugTelegram})
        boxes->addWidget(b);
    boxes->addStretch(1);
    return boxes;
}

void TFormOneWire::buildGrid()
{
    m_model = new SendListModel(m_list, this);
    m_model->getEditText = [this](int column, int line) {
        QString text;
        HandlerBoundary::run([&] { text = StringGridGetEditText(column, line); });
        return text;
    };
    m_model->setEditText = HandlerBoundary::wrap(
        [this](int column, int line, const QString& text) { StringGridSetEditText(column, line, text); });
    m_delegate = new SendCellDelegate(this);
    m_delegate->pressedLine = [this] { return PressedRow; };
    m_delegate->hasRow = [this](int line) { return m_model->hasRow(line); };
    m_delegate->drawn = HandlerBoundary::wrap(
        [this](int column, int line, const QString& text) { StringGridDrawCell(column, line, text); });
    StringGrid->setModel(m_model);
    StringGrid->setItemDelegate(m_delegate);
    StringGrid->verticalHeader()->hide();
    StringGrid->horizontalHeader()->setHighlightSections(false);
    StringGrid->horizontalHeader()->setSectionsClickable(false);
    StringGrid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid->horizontalHeader()->setMinimumSectionSize(px(20));
    StringGrid->horizontalHeader()->setDefaultSectionSize(px(40));
    StringGrid->verticalHeader()->setDefaultSectionSize(std::max(px(18), StringGrid->fontMetrics().height() + 4));
    StringGrid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid->setEditTriggers(Editing);
    StringGrid->setWordWrap(false);
    // Tab leaves the grid for the buttons; the arrow keys move between cells.
    StringGrid->setTabKeyNavigation(false);
    const int widths[SendColumn::Count] = {50, 30, 30, 30, 30, 30, 30, 30, 30, 60, 60, 300};
    for (int c = 0; c < SendColumn::Count; ++c)
        StringGrid->setColumnWidth(c, px(widths[c]));
    StringGrid->horizontalHeader()->setStretchLastSection(true);
    // The grid's events reach the handlers below, each inside the boundary.
    StringGrid->mouseDown = HandlerBoundary::wrap([this](const QPoint& pos) { StringGridMouseDown(pos); });
    StringGrid->mouseUp = HandlerBoundary::wrap([this](const QPoint& pos) { StringGridMouseUp(pos); });
    StringGrid->keyPress = [this](QChar key) {
        bool passes = false;
        HandlerBoundary::run([&] { passes = StringGridKeyPress(key); });
        return passes;
    };
    StringGrid->selectCell =
        HandlerBoundary::wrap([this](const QModelIndex& i) { StringGridSelectCell(i.column(), i.row() + 1); });
}

void TFormOneWire::connectHandlers()
{
    connect(HinzufuegenBtn, &QPushButton::clicked, this,
            HandlerBoundary::slot(this, &TFormOneWire::HinzufuegenBtnClick));
    connect(EntfernenBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormOneWire::EntfernenBtnClick));
    connect(ListeLeerenBtn, &QPushButton::clicked, this,
            HandlerBoundary::slot(this, &TFormOneWire::ListeLeerenBtnClick));
    connect(LadenBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormOneWire::LadenBtnClick));
    connect(SpeichernBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormOneWire::SpeichernBtnClick));
    connect(btSenden, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormOneWire::btSendenClick));
    connect(ClearBtn, &QPushButton::clicked, this, HandlerBoundary::slot(this, &TFormOneWire::ClearBtnClick));
    connect(CBDebugTelegram, &QCheckBox::clicked, this,
            HandlerBoundary::slot(this, &TFormOneWire::CBDebugTelegram_OnClick));
    connect(DebugTCB, &QCheckBox::toggled, this,
            HandlerBoundary::wrap([this](bool on) { m_interpreter->TelegramInfo = on; }));
}

void TFormOneWire::MainFormCreate()
{
    const ScriptSettings s = ScriptSettings::read(IniFile(m_settingsPath));
    LogFileName = s.LogFile;
    ScriptFileName = s.ScriptFile;
    // 0 is what a first start reads: that dimension keeps its design size.
    m_placement.restore(*this, QPoint(s.XPos, s.YPos),
                        QSize(s.Breite > 0 ? s.Breite : width(), s.Hoehe > 0 ? s.Hoehe : height()));
    PressedRow = 0;
    HinzufuegenBtnClick();
    markSaved();
}

void TFormOneWire::markSaved() { m_saved = SendListFile::format(m_list); }

bool TFormOneWire::listChanged() const { return SendListFile::format(m_list) != m_saved; }

void TFormOneWire::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    HandlerBoundary::run([this] { MainFormShow(); });
}

void TFormOneWire::MainFormShow()
{
    RichEdit->clear();
    RichEdit->setColor(LogColors::Yellow);
    m_autoSender->stop();
    m_logFile.close();
    LogEdit->clear();
    m_state.Busy = false;
    m_state.FaultFlag = false;
    StringGrid->setFocus();
    if (!StringGrid->currentIndex().isValid())
        StringGrid->setCurrentIndex(m_model->index(0, 0));
}

void TFormOneWire::MainFormDestroy()
{
    ScriptSettings s;
    const QPoint pos = m_placement.positionToStore(*this);
    const QSize size = m_placement.sizeToStore(*this);
    s.XPos = pos.x();
    s.YPos = pos.y();
    s.Breite = size.width();
    s.Hoehe = size.height();
    s.LogFile = LogFileName;
    s.ScriptFile = ScriptFileName;
    IniFile settings(m_settingsPath);
    s.write(settings);
    settings.UpdateFile();
    m_list.clear();
}

void TFormOneWire::closeEvent(QCloseEvent* event)
{
    bool close = true;
    HandlerBoundary::run([&] { close = mayClose(); });
    if (!close) {
        event->ignore();
        return;
    }
    // No row may start once the window is going.
    m_autoSender->stop();
    QDialog::closeEvent(event);
}

bool TFormOneWire::mayClose()
{
    if (!listChanged())
        return true;
    switch (Prompts::askSave(this, QStringLiteral("Die CAN-Sendeliste wurde geändert. Änderungen speichern?"))) {
    case Prompts::SaveChoice::Discard: return true;
    case Prompts::SaveChoice::Cancel: return false;
    case Prompts::SaveChoice::Save: break;
    }
    // A save that was cancelled or failed keeps the window open with its list.
    SpeichernBtnClick();
    return !listChanged();
}

void TFormOneWire::keyPressEvent(QKeyEvent* event)
{
    // Escape would close the window, and with it a list that was not saved; it never does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormOneWire::done(int result)
{
    m_autoSender->stop();
    QDialog::done(result);
}

void TFormOneWire::showAutoSend(bool running)
{
    btSenden->setText(running ? QStringLiteral("Break Senden") : QStringLiteral("Auto Senden"));
}

void TFormOneWire::trace(const QString& text)
{
    if (DebugGCB->isChecked())
        RichEdit->addLine(text);
}

void TFormOneWire::HinzufuegenBtnClick()
{
    const QModelIndex current = StringGrid->currentIndex();
    m_list.append();
    m_model->refresh();
    StringGrid->setCurrentIndex(current.isValid() ? m_model->index(current.row(), current.column())
                                                  : m_model->index(m_list.size() - 1, 0));
}

void TFormOneWire::EntfernenBtnClick()
{
    // The blank line of an emptied list has no row to remove: nothing happens.
    const QModelIndex current = StringGrid->currentIndex();
    if (!m_list.remove(currentLine() - 1))
        return;
    m_model->refresh();
    const int row = std::min(current.row(), m_list.size() - 1);
    StringGrid->setCurrentIndex(m_model->index(row, current.column()));
}

void TFormOneWire::ListeLeerenBtnClick()
{
    m_list.clear();
    m_model->refresh();
    StringGrid->setCurrentIndex(m_model->index(0, 0));
}

void TFormOneWire::LadenBtnClick()
{
    const QString chosen = Prompts::openFile(this, ScriptSettings::dialogStartName(ScriptFileName), FileFilter,
                                             QStringLiteral("csv"), QStringLiteral("CAN-Sendeliste laden"));
    if (chosen.isEmpty()) {
        StringGrid->viewport()->update();
        return;
    }
    ScriptFileName = chosen;
    const auto showList = [this] {
        m_model->refresh();
        StringGrid->setCurrentIndex(m_model->index(0, 0));
    };
    try {
        SendListFile::load(chosen, m_list);
        markSaved();
    } catch (...) {
        // The rows read before a bad line stay, are shown and can be worked on.
        showList();
        throw;
    }
    showList();
}

void TFormOneWire::SpeichernBtnClick()
{
    const QString chosen = Prompts::saveFile(this, ScriptSettings::dialogStartName(ScriptFileName), FileFilter,
                                             QStringLiteral("csv"), QStringLiteral("CAN-Sendeliste speichern"));
    if (chosen.isEmpty())
        return;
    ScriptFileName = chosen;
    SendListFile::save(chosen, m_list);
    markSaved();
}

void TFormOneWire::btSendenClick() { m_autoSender->btSendenClick(); }

void TFormOneWire::ClearBtnClick() { RichEdit->clear(); }

void TFormOneWire::LogEditClick()
{
    if (m_logFile.isOpen()) {
        m_logFile.close();
        LogEdit->clear();
        return;
    }
    const QString chosen = Prompts::saveFile(this, ScriptSettings::dialogStartName(LogFileName), FileFilter,
                                             QStringLiteral("csv"), QStringLiteral("CAN-Sendeliste speichern"));
    if (chosen.isEmpty())
        return;
    LogFileName = chosen;
    m_logFile.open(chosen);
    LogEdit->setText(chosen);
}

void TFormOneWire::CBDebugTelegram_OnClick()
{
    const bool on = CBDebugTelegram->isChecked();
    m_interpreter->DebugTelegram = on;
    if (on)
        m_link.SetTelegramEcho();
    else
        m_link.ClearTelegramEcho();
}

void TFormOneWire::timerStart() { m_autoSender->timerStart(); }

QString TFormOneWire::StringGridGetEditText(int column, int line)
{
    if (!m_model->hasRow(line))
        return {};
    const QString text = m_list.at(line - 1).cellText(column);
    trace(QStringLiteral("StrGridEditText: ") + QString::number(line - 1) + QStringLiteral(" = ") + text);
    return text;
}

void TFormOneWire::StringGridSetEditText(int column, int line, const QString& text)
{
    if (!m_model->hasRow(line) || column == SendColumn::Send)
        return;
    const ParsedCell parsed = m_list.at(line - 1).setCellText(column, text);
    trace(QStringLiteral("StrGridSetEditText ") + QString::number(column - 1) + QStringLiteral(" = ") +
          QString::number(parsed.value) + QLatin1Char(' ') + QString::number(int(parsed.notation)));
}

void TFormOneWire::StringGridSelectCell(int column, int line)
{
    Q_UNUSED(line);
    // The button column is never edited in place.
    StringGrid->setEditTriggers(column == SendColumn::Send ? QAbstractItemView::NoEditTriggers : Editing);
    trace(QStringLiteral("StrGridSelectCell"));
}

bool TFormOneWire::StringGridKeyPress(QChar key)
{
    trace(QStringLiteral("StrGridKeyPress"));
    if (!m_model->hasRow(currentLine()))
        return false;
    if (key == QLatin1Char(' '))
        StringGrid->update(StringGrid->currentIndex());
    return true;
}

void TFormOneWire::StringGridMouseDown(const QPoint& pos)
{
    trace(QStringLiteral("StrGridMouseDown"));
    const QModelIndex at = StringGrid->indexAt(pos);
    if (!at.isValid() || at.column() != SendColumn::Send)
        return;
    PressedRow = at.row() + 1;
    m_pressedIndex = at;
    StringGrid->update(at);
}

void TFormOneWire::StringGridMouseUp(const QPoint& pos)
{
    const QModelIndex pressed = m_pressedIndex;
    PressedRow = 0;
    m_pressedIndex = {};
    const QModelIndex current = StringGrid->currentIndex();
    if (!current.isValid() || current.column() != SendColumn::Send)
        return;
    StringGrid->update(current);
    if (pressed.isValid())
        StringGrid->update(pressed);
    // Only a release over the very cell that was pressed runs its row.
    const QModelIndex at = StringGrid->indexAt(pos);
    if (at != current || at != pressed || !m_model->hasRow(at.row() + 1))
        return;
    ExecuteRow(at.row());
}

void TFormOneWire::StringGridDrawCell(int column, int line, const QString& text)
{
    Q_UNUSED(line);
    trace(QStringLiteral("StrGridDrawCell:") + QString::number(column - 1) + QStringLiteral(" = ") + text +
          QLatin1Char(' '));
}

void TFormOneWire::ExecuteRow(int index)
{
    // A click can only come while events are handled, and a running row (from the timer or
    // another click) handles them only inside the line's waits, which hold the line, as does
    // anybody else's exchange: the line refuses the click and says so in the terminal. The
    // notice here goes above the line of a row still waiting, so that its outcome lands
    // behind that row's text.
    const QString notice = QStringLiteral("line busy, refused: Senden");
    if (m_link.refuseIfBusy(QStringLiteral("Senden"))) {
        if (m_state.Busy)
            RichEdit->addLineAbove(notice);
        else
            RichEdit->addLine(notice);
        return;
    }
    // A row that the timer has started begins as soon as the events are handled: the line is
    // promised to it.
    if (m_state.Busy) {
        RichEdit->addLine(notice);
        return;
    }
    try {
        m_interpreter->ExecuteRow(index);
    } catch (...) {
        // The error is shown once: auto send, running meanwhile, would hit it on every tick.
        m_autoSender->stop();
        throw;
    }
}

bool TFormOneWire::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LogEdit && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        HandlerBoundary::run([this] { LogEditClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
