#include "frame/MainFrm.h"

#include "config/ConfigurationFile.h"
#include "files/TrafficFile.h"
#include "frame/AboutDlg.h"
#include "frame/CheckList.h"
#include "frame/DifferenceList.h"
#include "frame/JournalView.h"
#include "frame/WatchWnd.h"
#include "frame/EditHistory.h"
#include "frame/EventList.h"
#include "frame/ReplayBar.h"
#include "frame/FrameDialogs.h"
#include "frame/LockIndicators.h"
#include "frame/ManualWnd.h"
#include "frame/RepairDialog.h"
#include "frame/StationArt.h"
#include "config/ConfigurationImage.h"
#include "link/ControllerMode.h"
#include "link/Journal.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "link/SafeWrite.h"
#include "record/JunctionEvents.h"
#include "record/Recording.h"
#include "util/Crc32.h"
#include "util/WholeFile.h"
#include "pages/ConfigPages.h"
#include "report/JunctionReport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

#include <future>
#include <span>
#include <thread>

namespace vlk {

namespace {

const QString kIdleText = QStringLiteral("Готов");
const QString kApplicationTitle = QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4");
const QString kHelpFileName = QStringLiteral("HELPVLK2_2.hlp");

struct CommandText {
    int id;
    const char* caption;  // menu text; null for a toolbar-only command
    const char* prompt;   // status bar prompt
    const char* tooltip;  // null: no toolbar button
};

// The captions, prompts and tooltips of the commands, as the station has always shown them.
constexpr CommandText kCommandTexts[] = {
    {CMainFrame::ID_PROGRAMMING_MODE, "&Режим программирования", "Включить/выключить режим программирования",
     "Режим программирования"},
    {CMainFrame::ID_WRITE_MEMORY, "&Писать", "Писать ЕПРОМ", "Писать"},
    {CMainFrame::ID_READ_MEMORY, "&Читать", "Читать ЕПРОМ", "Читать"},
    {CMainFrame::ID_COMPARE_MEMORY, "&Сравнить с контроллером", "Сравнить память контроллера с конфигурацией на страницах",
     "Сравнить с контроллером"},
    {CMainFrame::ID_FILE_OPEN, "&Открыть", "Открыть файл", "Открыть"},
    {CMainFrame::ID_FILE_SAVE, "&Сохранить", "Сохранить файл", "Сохранить"},
    {CMainFrame::ID_FILE_SAVE_AS, "Сохранить &как…", "Сохранить файл под другим именем", nullptr},
    {CMainFrame::ID_APP_EXIT, "В&ыход", "Выход из программы", "Завершить работу"},
    {CMainFrame::ID_EXCHANGE_START, "&Запустить", "Запустить обмен данными", nullptr},
    {CMainFrame::ID_EXCHANGE_STOP, "Ос&тановить", "Остановить обмен данными", nullptr},
    {CMainFrame::ID_PORT_COM1, "COM&1", "Выбор порта COM1", nullptr},
    {CMainFrame::ID_PORT_COM2, "COM&2", "Выбор порта COM2", nullptr},
    {CMainFrame::ID_HELP, "Вы&зов справки\tF1", "Показать руководство по рограммированию контроллера ВЛК2.2_v4", nullptr},
    {CMainFrame::ID_APP_ABOUT, "О &программе VLK2.2", "Показать информацию о программе, ее версии и авторах",
     "О программе"},
};

// The journal's word for how a write ended.
QString ResultWord(WriteResult result)
{
    switch (result) {
    case WriteResult::Written: return QStringLiteral("ok");
    case WriteResult::Stopped: return QStringLiteral("stopped");
    case WriteResult::Restarted: return QStringLiteral("restarted");
    case WriteResult::LineLost: return QStringLiteral("line-lost");
    case WriteResult::NoAnswer: return QStringLiteral("no-answer");
    case WriteResult::Unconfirmed:
    case WriteResult::Unchecked: return QStringLiteral("unconfirmed");
    default: return QStringLiteral("failed");
    }
}

// Gathers the notices of a load into lines instead of boxes; questions still go to the user.
class CollectedMessages final : public Messages {
public:
    explicit CollectedMessages(Messages& user) : m_user(user) {}
    void Show(const std::string& text, MessageIcon) override
    {
        for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            m_lines << line;
    }
    bool Ask(const std::string& text, MessageIcon icon) override { return m_user.Ask(text, icon); }
    bool AskYesNo(const std::string& text, MessageIcon icon) override { return m_user.AskYesNo(text, icon); }
    Choice AskYesNoCancel(const std::string& text, MessageIcon icon) override
    {
        return m_user.AskYesNoCancel(text, icon);
    }
    [[nodiscard]] const QStringList& Lines() const { return m_lines; }

private:
    Messages& m_user;
    QStringList m_lines;
};

} // namespace

CMainFrame::CMainFrame(Messages& messages, FrameDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      m_messages(messages),
      m_dialogs(dialogs),
      m_lineMessages(messages, this, UiThreadMessages::Mode::Blocking),
      m_workerMessages(messages, this, UiThreadMessages::Mode::Posted),
      m_helpFolder(QCoreApplication::applicationDirPath()),
      m_tabs(messages)
{
    setWindowTitle(kApplicationTitle);
    setWindowIcon(StationArt::ApplicationIcon());
    setMinimumSize(m_minWidth, m_minHeight);
    resize(1024, 720);

    CreateActions();
    CreateMenu();
    CreateToolBar();
    CreateStatusBar();

    // The tab host fills everything between the toolbar and the status bar.
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_tabs.setParent(client);
    layout->addWidget(&m_tabs);
    setCentralWidget(client);
    m_tabs.show();
    // The worker tells, through the console page, when its line is lost or back and when it has
    // ended, so the status bar and the commands follow what really runs.
    connect(&Console(), &CDeskWnd::LineLostChanged, this, &CMainFrame::SetLineLost);
    // The exchange goes on without its recording; the user is told once an exchange.
    connect(&Console(), &CDeskWnd::RecordingFailed, this,
            [this](const QString& why) { statusBar()->showMessage(why, 15000); });
    connect(&Console(), &CDeskWnd::WorkerEnded, this, &CMainFrame::UpdateCommands);
    // The findings of the check, under the pages; hidden until the first check.
    m_checkList = new CheckList(m_tabs, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_checkList);
    m_checkList->hide();
    m_differenceList = new DifferenceList(m_tabs, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_differenceList);
    m_differenceList->hide();
    connect(m_differenceList, &DifferenceList::TakeRequested, this, &CMainFrame::TakeFromController);
    // The events: live from the exchange's records, or those of a replayed recording.
    m_eventList = new EventList(this);
    addDockWidget(Qt::BottomDockWidgetArea, m_eventList);
    m_eventList->hide();
    connect(m_eventList, &QDockWidget::visibilityChanged, this, [this] {
        if (auto* action = Command(ID_EVENTS))
            action->setChecked(m_eventList->isVisible());
    });
    m_eventList->SetCsvPathSource([this] { return m_dialogs.CsvFileName(this, QStringLiteral("события.csv")); });
    connect(&Console(), &CDeskWnd::FrameRecorded, this, [this](const RecordEntry& record) {
        if (Replaying())
            return;
        const std::size_t before = m_eventList->Events().size();
        m_eventList->Feed(record);
        // A new alarm of the first priority brings the list up, however it was left; the others
        // wait until the user looks.
        const auto& events = m_eventList->Events();
        for (std::size_t i = before; i < events.size(); ++i)
            if (events[i].alarm && events[i].active && events[i].priority == 1)
                m_eventList->show();
    });
    connect(m_eventList, &EventList::EventActivated, this, [this](qint64 timeMs) {
        if (Replaying())
            m_replayBar->Seek(timeMs);
    });
    m_replayBar = new ReplayBar(this);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, m_replayBar);
    m_replayBar->hide();
    connect(m_replayBar, &ReplayBar::StateAt, this, [this](const RecordEntry* record, qint64) { ShowRecorded(record); });
    connect(m_replayBar, &ReplayBar::CloseRequested, this, &CMainFrame::CloseRecording);
    connect(&Console(), &CDeskWnd::OperatorCommand, this, [this](const QString& action, const QString& detail) {
        Journal(action, QStringLiteral("ok"), detail);
    });
    m_history = std::make_unique<EditHistory>(m_tabs);
    connect(m_history.get(), &EditHistory::configurationChanged, &m_tabs.DiagramPage(), &CDiagramWnd::Refresh);
    connect(m_history.get(), &EditHistory::configurationChanged, this, &CMainFrame::UpdateFingerprints);
    connect(m_history.get(), &EditHistory::configurationChanged, this, &CMainFrame::UpdateTitle);
    connect(&m_tabs.TimingPage(), &CTimingWnd::inputsEdited, this, &CMainFrame::UpdateTitle);
    connect(m_history.get(), &EditHistory::configurationChanged, &m_tabs.TimingPage(), &CTimingWnd::Refresh);
    // The calculation's durations go into the program as one step the user can undo; the
    // diagrams follow through the history, the check list as after a save.
    m_tabs.TimingPage().SetWriter([this](int program, const Configuration& planned) {
        if (m_busy || !m_tabs.CommitEdits())
            return false;
        const bool written = m_history->Change(QStringLiteral("расчёт длительностей программы %1").arg(program), [&] {
            ConfigPages(m_tabs.Pages()).WriteDurations(program, planned.programDuration[program - 1]);
            return true;
        });
        if (written)
            m_checkList->AfterSave();
        return written;
    });
    QUndoStack& stack = m_history->Stack();
    connect(&stack, &QUndoStack::indexChanged, this, &CMainFrame::UpdateEditCommands);
    connect(&stack, &QUndoStack::undoTextChanged, this, &CMainFrame::UpdateEditCommands);
    connect(&stack, &QUndoStack::redoTextChanged, this, &CMainFrame::UpdateEditCommands);
    UpdateEditCommands();
    UpdateFingerprints();
    // In programming mode the controller sends nothing unasked: frames that arrive all the same
    // mean it has restarted (a power cut, someone at the cabinet), and the station follows it.
    m_modeWatch = new QTimer(this);
    m_modeWatch->setInterval(1000);
    connect(m_modeWatch, &QTimer::timeout, this, [this] {
        if (!m_programming || m_busy || QApplication::activeModalWidget())
            return;
        bool unasked = false;
        (void)m_line.WhenIdle([&](CPort& port) {
            unasked = port.IsOpen() && !port.DeviceGone() && port.Available() > 0;
        });
        if (unasked)
            (void)StillProgramming();
    });
    m_modeWatch->start();
    UpdateCommands();
}

CMainFrame::~CMainFrame()
{
    // The close request has normally stopped the exchange already; a frame destroyed without one
    // must still end its worker before the console page goes.
    if (m_thread)
        StopExchange(m_thread, Console().Sink());
}

void CMainFrame::CreateActions()
{
    for (const CommandText& text : kCommandTexts) {
        const QString caption = text.caption != nullptr ? QString::fromUtf8(text.caption)
                                                        : QString::fromUtf8(text.tooltip);
        auto* action = new QAction(caption, this);
        action->setData(text.id);
        action->setStatusTip(QString::fromUtf8(text.prompt));
        if (text.tooltip != nullptr)
            action->setToolTip(QString::fromUtf8(text.tooltip));
        action->setIcon(QIcon(StationArt::ToolbarPicture(text.id)));
        action->setIconVisibleInMenu(false);
        m_commands[text.id] = action;
    }
    for (int id : {ID_PROGRAMMING_MODE, ID_PORT_COM1, ID_PORT_COM2})
        m_commands[id]->setCheckable(true);
    // F1, the check's Ctrl+K and undo's Ctrl+Z and Ctrl+Y are the keys the frame binds; the other
    // edit keys stay with the edit fields. An edit field with the focus keeps Ctrl+Z for its own
    // text (Qt gives it the key first).
    m_commands[ID_HELP]->setShortcut(QKeySequence(Qt::Key_F1));
    m_commands[ID_HELP]->setShortcutContext(Qt::WindowShortcut);
    const struct {
        int id;
        QKeySequence key;
    } fileKeys[] = {
        {ID_FILE_OPEN, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {ID_FILE_SAVE, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {ID_FILE_SAVE_AS, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        // The controller's commands: function keys, which no page or grid takes for itself.
        {ID_PROGRAMMING_MODE, QKeySequence(Qt::Key_F6)},
        {ID_WRITE_MEMORY, QKeySequence(Qt::Key_F7)},
        {ID_READ_MEMORY, QKeySequence(Qt::Key_F8)},
        {ID_COMPARE_MEMORY, QKeySequence(Qt::Key_F9)},
    };
    for (const auto& key : fileKeys) {
        m_commands[key.id]->setShortcut(key.key);
        m_commands[key.id]->setShortcutContext(Qt::WindowShortcut);
    }
    const struct {
        int id;
        const char* caption;
        const char* prompt;
        QKeyCombination key;
    } edits[] = {
        {ID_EDIT_UNDO, "&Отменить", "Отменить последнее действие", Qt::CTRL | Qt::Key_Z},
        {ID_EDIT_REDO, "&Повторить", "Повторить отмененное действие", Qt::CTRL | Qt::Key_Y},
    };
    for (const auto& edit : edits) {
        auto* action = new QAction(QString::fromUtf8(edit.caption), this);
        action->setData(edit.id);
        action->setStatusTip(QString::fromUtf8(edit.prompt));
        action->setShortcut(QKeySequence(edit.key));
        action->setShortcutContext(Qt::WindowShortcut);
        m_commands[edit.id] = action;
    }
    // Копировать, Вставить and Очистить do what their keys do where the focus is (a grid's block,
    // a field's text): the keys stay with the grids and fields, the menu shows them.
    const struct {
        int id;
        const char* caption;
        const char* prompt;
        QKeyCombination key;
    } clipboard[] = {
        {ID_EDIT_COPY, "&Копировать\tCtrl+C", "Копировать выделенные ячейки или текст", Qt::CTRL | Qt::Key_C},
        {ID_EDIT_PASTE, "&Вставить\tCtrl+V", "Вставить из буфера обмена у курсора", Qt::CTRL | Qt::Key_V},
        {ID_EDIT_CLEAR, "О&чистить\tDel", "Очистить выделенные ячейки или текст", QKeyCombination(Qt::Key_Delete)},
    };
    for (const auto& item : clipboard) {
        auto* action = new QAction(QString::fromUtf8(item.caption), this);
        action->setData(item.id);
        action->setStatusTip(QString::fromUtf8(item.prompt));
        m_commands[item.id] = action;
        const QKeyCombination key = item.key;
        connect(action, &QAction::triggered, this, [this, key] { SendKeyToFocus(key); });
    }
    connect(m_commands[ID_EDIT_UNDO], &QAction::triggered, this, &CMainFrame::OnUndo);
    connect(m_commands[ID_EDIT_REDO], &QAction::triggered, this, &CMainFrame::OnRedo);

    connect(m_commands[ID_PROGRAMMING_MODE], &QAction::triggered, this, &CMainFrame::OnProgrammingMode);
    connect(m_commands[ID_WRITE_MEMORY], &QAction::triggered, this, &CMainFrame::OnWriteMemory);
    connect(m_commands[ID_READ_MEMORY], &QAction::triggered, this, &CMainFrame::OnReadMemory);
    connect(m_commands[ID_COMPARE_MEMORY], &QAction::triggered, this, &CMainFrame::OnCompareMemory);
    connect(m_commands[ID_FILE_OPEN], &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(m_commands[ID_FILE_SAVE], &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(m_commands[ID_FILE_SAVE_AS], &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
    connect(m_commands[ID_APP_EXIT], &QAction::triggered, this, &QWidget::close);
    connect(m_commands[ID_EXCHANGE_START], &QAction::triggered, this, [this] {
        if (!m_busy)
            ExchangeStart();
        UpdateCommands();
    });
    connect(m_commands[ID_EXCHANGE_STOP], &QAction::triggered, this, [this] {
        if (!m_busy)
            ExchangeStop();
    });
    connect(m_commands[ID_PORT_COM1], &QAction::triggered, this, [this] { OnPort(1); });
    connect(m_commands[ID_PORT_COM2], &QAction::triggered, this, [this] { OnPort(2); });
    connect(m_commands[ID_HELP], &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(m_commands[ID_APP_ABOUT], &QAction::triggered, this, &CMainFrame::OnAbout);

    auto* check = new QAction(QStringLiteral("&Проверить конфигурацию"), this);
    check->setData(ID_CHECK_CONFIGURATION);
    check->setStatusTip(QStringLiteral("Проверить конфигурацию перед записью в контроллер"));
    check->setToolTip(QStringLiteral("Проверить конфигурацию"));
    check->setIcon(QIcon(StationArt::ToolbarPicture(ID_CHECK_CONFIGURATION)));
    check->setIconVisibleInMenu(false);
    check->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    check->setShortcutContext(Qt::WindowShortcut);
    m_commands[ID_CHECK_CONFIGURATION] = check;
    connect(check, &QAction::triggered, this, &CMainFrame::OnCheckConfiguration);

    auto* print = new QAction(QStringLiteral("Пе&чать…"), this);
    print->setData(ID_FILE_PRINT);
    print->setStatusTip(QStringLiteral("Показать и напечатать документ конфигурации"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    print->setShortcutContext(Qt::WindowShortcut);
    m_commands[ID_FILE_PRINT] = print;
    connect(print, &QAction::triggered, this, &CMainFrame::OnFilePrint);

    auto* pdf = new QAction(QStringLiteral("&Экспорт в PDF…"), this);
    pdf->setData(ID_EXPORT_PDF);
    pdf->setStatusTip(QStringLiteral("Записать документ конфигурации в файл PDF"));
    m_commands[ID_EXPORT_PDF] = pdf;
    connect(pdf, &QAction::triggered, this, &CMainFrame::OnExportPdf);

    auto* restore = new QAction(QStringLiteral("&Вернуть прежнюю конфигурацию"), this);
    restore->setData(ID_RESTORE_MEMORY);
    restore->setStatusTip(QStringLiteral("Записать в контроллер его память, какой она была до последней записи"));
    m_commands[ID_RESTORE_MEMORY] = restore;
    connect(restore, &QAction::triggered, this, &CMainFrame::OnRestoreMemory);

    // On at every start (the station keeps no settings); off for the rest of the run when the
    // user says so. A running exchange starts again at once under the new choice.
    auto* record = new QAction(QStringLiteral("&Записывать обмен"), this);
    record->setData(ID_RECORD_EXCHANGE);
    record->setCheckable(true);
    record->setChecked(true);
    record->setStatusTip(QStringLiteral("Записывать каждое состояние контроллера в запись дня"));
    m_commands[ID_RECORD_EXCHANGE] = record;
    connect(record, &QAction::triggered, this, [this] {
        if (m_busy || !ExchangeRunning())
            return;
        ExchangeStop();
        ExchangeStart();
    });

    auto* recording = new QAction(QStringLiteral("Открыть &запись…"), this);
    recording->setData(ID_OPEN_RECORDING);
    recording->setStatusTip(QStringLiteral("Воспроизвести на пульте запись работы контроллера"));
    m_commands[ID_OPEN_RECORDING] = recording;
    connect(recording, &QAction::triggered, this, &CMainFrame::OnOpenRecording);

    auto* events = new QAction(QStringLiteral("&События"), this);
    events->setData(ID_EVENTS);
    events->setCheckable(true);
    events->setStatusTip(QStringLiteral("Показать или скрыть события и аварии контроллера"));
    m_commands[ID_EVENTS] = events;
    connect(events, &QAction::triggered, this, [this](bool on) { m_eventList->setVisible(on); });

    auto* journal = new QAction(QStringLiteral("&Журнал"), this);
    journal->setData(ID_JOURNAL);
    journal->setStatusTip(QStringLiteral("Показать журнал записей, чтений, сравнений и команд контроллерам"));
    m_commands[ID_JOURNAL] = journal;
    connect(journal, &QAction::triggered, this, &CMainFrame::OnJournal);

    auto* watch = new QAction(QStringLiteral("&Наблюдение"), this);
    watch->setData(ID_WATCH);
    watch->setStatusTip(QStringLiteral("Показать состояние нескольких контроллеров сразу"));
    m_commands[ID_WATCH] = watch;
    connect(watch, &QAction::triggered, this, &CMainFrame::OnWatch);
}

void CMainFrame::SendKeyToFocus(QKeyCombination key)
{
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr || target->window() != this || m_busy)
        return;
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers());
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

void CMainFrame::CreateMenu()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&Файл"));
    file->addAction(m_commands[ID_FILE_OPEN]);
    file->addAction(m_commands[ID_FILE_SAVE]);
    file->addAction(m_commands[ID_FILE_SAVE_AS]);
    file->addAction(m_commands[ID_CHECK_CONFIGURATION]);
    file->addAction(m_commands[ID_FILE_PRINT]);
    file->addAction(m_commands[ID_EXPORT_PDF]);
    file->addAction(m_commands[ID_OPEN_RECORDING]);
    file->addAction(m_commands[ID_EVENTS]);
    file->addAction(m_commands[ID_JOURNAL]);
    file->addAction(m_commands[ID_APP_EXIT]);
    QMenu* edit = bar->addMenu(QStringLiteral("&Правка"));
    edit->addAction(m_commands[ID_EDIT_UNDO]);
    edit->addAction(m_commands[ID_EDIT_REDO]);
    edit->addSeparator();
    edit->addAction(m_commands[ID_EDIT_COPY]);
    edit->addAction(m_commands[ID_EDIT_PASTE]);
    edit->addAction(m_commands[ID_EDIT_CLEAR]);
    QMenu* view = bar->addMenu(QStringLiteral("&Вид"));
    view->addAction(m_commands[ID_WATCH]);
    QMenu* exchange = bar->addMenu(QStringLiteral("О&бмен"));
    exchange->addAction(m_commands[ID_EXCHANGE_START]);
    exchange->addAction(m_commands[ID_EXCHANGE_STOP]);
    exchange->addAction(m_commands[ID_RECORD_EXCHANGE]);
    QMenu* controller = bar->addMenu(QStringLiteral("&Контроллер"));
    controller->addAction(m_commands[ID_PROGRAMMING_MODE]);
    controller->addSeparator();
    controller->addAction(m_commands[ID_WRITE_MEMORY]);
    controller->addAction(m_commands[ID_READ_MEMORY]);
    controller->addAction(m_commands[ID_COMPARE_MEMORY]);
    controller->addAction(m_commands[ID_RESTORE_MEMORY]);
    QMenu* port = bar->addMenu(QStringLiteral("Порт"));
    port->addAction(m_commands[ID_PORT_COM1]);
    port->addAction(m_commands[ID_PORT_COM2]);
    QMenu* help = bar->addMenu(QStringLiteral("&?"));
    help->addAction(m_commands[ID_HELP]);
    help->addAction(m_commands[ID_APP_ABOUT]);
}

void CMainFrame::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QString::number(AFX_IDW_TOOLBAR));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(StationArt::kButtonWidth, StationArt::kButtonHeight));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    m_toolBar->addAction(m_commands[ID_PROGRAMMING_MODE]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_commands[ID_WRITE_MEMORY]);
    m_toolBar->addAction(m_commands[ID_READ_MEMORY]);
    m_toolBar->addAction(m_commands[ID_COMPARE_MEMORY]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_commands[ID_FILE_OPEN]);
    m_toolBar->addAction(m_commands[ID_FILE_SAVE]);
    m_toolBar->addAction(m_commands[ID_CHECK_CONFIGURATION]);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_commands[ID_APP_ABOUT]);
    // A button's tooltip names its key, as its menu item does.
    for (QAction* action : m_toolBar->actions()) {
        if (action->isSeparator() || action->shortcut().isEmpty())
            continue;
        action->setToolTip(QStringLiteral("%1 (%2)").arg(action->toolTip(),
                                                         action->shortcut().toString(QKeySequence::NativeText)));
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    setContextMenuPolicy(Qt::NoContextMenu);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(AFX_IDW_STATUS_BAR));
    m_fingerprints = new QLabel(bar);
    m_fingerprints->setObjectName(QStringLiteral("fingerprints"));
    m_fingerprints->setToolTip(QStringLiteral("Отпечаток (CRC-32 образа 1920 байт) конфигурации на страницах и памяти "
                                              "контроллера после последнего чтения, записи или сравнения"));
    bar->addPermanentWidget(m_fingerprints);
    m_modeLabel = new QLabel(QStringLiteral("Режим программирования"), bar);
    m_modeLabel->setObjectName(QStringLiteral("programmingMode"));
    m_modeLabel->setStyleSheet(QStringLiteral("QLabel { background: #ffd54f; color: black; font-weight: bold; padding: 0 6px; }"));
    m_modeLabel->hide();
    bar->addPermanentWidget(m_modeLabel);
    m_progress = new QProgressBar(bar);
    m_progress->setObjectName(QStringLiteral("transferProgress"));
    m_progress->setRange(0, static_cast<int>(kSectorCount));
    m_progress->setTextVisible(true);
    // Wide enough for the longest part's text; the fingerprints give way to it meanwhile.
    m_progress->setMinimumWidth(m_progress->fontMetrics().horizontalAdvance(
                                    QStringLiteral("Чтение прежней ОДД (повтор): сектор 15 из 15")) + 32);
    m_progress->hide();
    bar->addPermanentWidget(m_progress);
    m_indicators = new LockIndicators(bar);
    bar->addPermanentWidget(m_indicators);
    // A prompt that goes away (the pointer left an item) gives the pane back to "Готов" (or to the
    // lost line). While a command waits on the line the pane keeps saying what it does: neither a
    // prompt nor the leave and enter around one of its message boxes take it away.
    connect(bar, &QStatusBar::messageChanged, this, [this, bar](const QString& text) {
        if (m_busy && text != m_lineStatus)
            bar->showMessage(m_lineStatus);
        else if (text.isEmpty())
            bar->showMessage(IdleText());
    });
    bar->showMessage(kIdleText);
}

QAction* CMainFrame::Command(int id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

bool CMainFrame::ExchangeRunning() const
{
    return m_thread && !m_thread->Done();
}

void CMainFrame::UpdateCommands()
{
    const bool running = ExchangeRunning();
    // In programming mode the frame's port holds the device: no exchange may start, and the
    // port may not change under the controller that waits on it.
    const bool lineFree = !running && !m_programming;
    m_commands[ID_PROGRAMMING_MODE]->setChecked(m_programming);
    // The mode is told where it cannot be missed: the status bar and the console page.
    m_modeLabel->setVisible(m_programming);
    Console().SetExchangeNote(m_programming ? QStringLiteral("Обмен данными остановлен: контроллер в режиме "
                                                             "программирования. Выключите режим программирования, "
                                                             "чтобы пульт снова показывал контроллер.")
                                            : QString());
    m_commands[ID_WRITE_MEMORY]->setEnabled(m_programming);
    m_commands[ID_READ_MEMORY]->setEnabled(m_programming);
    m_commands[ID_COMPARE_MEMORY]->setEnabled(m_programming);
    m_commands[ID_RESTORE_MEMORY]->setEnabled(m_programming && RestorableBackup().has_value());
    m_commands[ID_EXCHANGE_START]->setEnabled(lineFree);
    m_commands[ID_EXCHANGE_STOP]->setEnabled(running);
    m_commands[ID_PORT_COM1]->setEnabled(lineFree);
    m_commands[ID_PORT_COM2]->setEnabled(lineFree);
    m_commands[ID_PORT_COM1]->setChecked(m_portNumber == 1);
    m_commands[ID_PORT_COM2]->setChecked(m_portNumber == 2);
    // The line is the replay's to give back: nothing starts the exchange or programming mode
    // until the recording is closed.
    const bool replaying = Replaying();
    if (replaying) {
        m_commands[ID_EXCHANGE_START]->setEnabled(false);
        m_commands[ID_PROGRAMMING_MODE]->setEnabled(false);
    } else {
        m_commands[ID_PROGRAMMING_MODE]->setEnabled(true);
    }
    m_commands[ID_OPEN_RECORDING]->setEnabled(!m_programming);
    m_commands[ID_EVENTS]->setChecked(m_eventList && m_eventList->isVisible());
}

bool CMainFrame::Replaying() const { return m_replayBar && m_replayBar->IsOpen(); }

void CMainFrame::OnOpenRecording()
{
    if (m_busy || m_programming)
        return;
    const QString path = m_dialogs.RecordingFileName(this, QString::fromStdString(RecordingsFolder()));
    if (!path.isEmpty())
        (void)OpenRecording(path);
}

bool CMainFrame::OpenRecording(const QString& path)
{
    std::string error;
    std::optional<Recording> recording = ReadRecording(path.toStdString(), error);
    if (!recording) {
        m_messages.Show("Запись не открыта: " + error);
        return false;
    }
    if (recording->records.empty()) {
        m_messages.Show("Запись не открыта: " + path.toStdString() + ": в ней нет ни одного кадра");
        return false;
    }
    // Read with the configuration the recording was made with, which its header carries.
    const DecodeResult decoded = ConfigurationImage::Decode(recording->header.image);
    const Configuration configuration = decoded.configuration.value_or(Configuration::FreshStart());
    std::vector<JunctionEvent> events = RecordingEvents(*recording, configuration);
    if (!Replaying()) {
        m_exchangeBeforeReplay = ExchangeRunning();
        ExchangeStop();
    }
    const QString date = QDateTime::fromMSecsSinceEpoch(recording->records.front().timeMs).toString(QStringLiteral("dd.MM.yyyy"));
    Console().SetReadOnly(true);
    m_eventList->ShowEvents(events);
    m_eventList->show();
    m_replayBar->Open(std::move(*recording), std::move(events));
    m_replayBar->show();
    setWindowTitle(QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4 — Запись %1 (%2)")
                       .arg(date, QFileInfo(path).fileName()));
    m_tabs.SelectPage(CTabs::ConsoleTab);
    UpdateCommands();
    return true;
}

void CMainFrame::CloseRecording()
{
    if (!Replaying())
        return;
    m_replayBar->Close();
    m_replayBar->hide();
    setWindowTitle(QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4"));
    Console().SetReadOnly(false);
    Console().SetLineLost(false);
    Console().ShowCleared(FrameBytes{});
    m_eventList->ShowEvents({});
    UpdateCommands();
    if (m_exchangeBeforeReplay)
        ExchangeStart();
    m_exchangeBeforeReplay = false;
}

void CMainFrame::ShowRecorded(const RecordEntry* record)
{
    // The last record at or before the time shown; a frame the station would not show ("ПС"
    // clear, or cut short) leaves the frame before it standing.
    const auto& records = m_replayBar->Shown().records;
    if (!record) {
        Console().ShowCleared(FrameBytes{});
        return;
    }
    std::size_t index = static_cast<std::size_t>(record - records.data());
    for (std::size_t back = 0; back < 16; ++back, --index) {
        const RecordEntry& r = records[index];
        if (r.kind == RecordKind::LineLost) {
            Console().ShowFrame(DecodeStateFrame(FrameBytes{}));
            Console().SetLineLost(true);
            return;
        }
        if (r.kind == RecordKind::Frame && r.frameLength > 0 && (r.frame[0] & status::kConsoleReady)) {
            Console().SetLineLost(false);
            Console().ShowFrame(DecodeStateFrame(r.frame));
            return;
        }
        if (index == 0)
            break;
    }
    Console().ShowFrame(DecodeStateFrame(FrameBytes{}));
}

void CMainFrame::LockConsole()
{
    Console().ResetControl();
}

void CMainFrame::AskPortAndStart()
{
    const int port = m_dialogs.ChoosePort(this);
    if (port == 3 && !m_dialogs.ChosenAddress().isEmpty()) {
        m_portNumber = port;
        m_portAddress = m_dialogs.ChosenAddress().toStdString();
        ExchangeStart();
    } else if (port == 1 || port == 2) {
        m_portNumber = port;
        ExchangeStart();
    } else {
        m_portNumber = 1;
    }
    UpdateCommands();
}

std::string CMainFrame::PortName() const
{
    return m_portNumber == 3 ? m_portAddress : ChosenPortName(m_portNumber);
}

void CMainFrame::ReleaseEndedWorker()
{
    if (m_thread && m_thread->Done())
        m_thread.reset(); // its thread is over: the join inside returns at once
}

void CMainFrame::ExchangeStart()
{
    if (m_programming || ExchangeRunning() || Replaying())
        return;
    // A worker that ended by itself would otherwise stand in the way of the new one for good.
    ReleaseEndedWorker();
    SetLineLost(false);
    // A new generation: whatever an earlier worker left queued is never shown over this one.
    // Every frame is recorded, with the image the pages hold now in the day file's header; the
    // live events are read with the same configuration.
    const Configuration pages = ConfigPages(m_tabs.Pages()).Read();
    RecordingTarget recording{RecordingsFolder(), ConfigurationImage::Encode(pages)};
    m_eventList->StartLive(pages);
    const bool recorded = m_commands[ID_RECORD_EXCHANGE]->isChecked();
    std::unique_ptr<CThreadPort> worker =
        StartExchange(Console().Sink(), PortName(), m_workerMessages, m_line,
                      Console().Sink().NextGeneration(), recorded ? std::optional(recording) : std::nullopt);
    if (!worker) {
        UpdateCommands();
        return; // no thread: nothing changes, nothing is shown
    }
    m_thread = std::move(worker);
    UpdateCommands();
}

void CMainFrame::ExchangeStop()
{
    if (!m_thread)
        return;
    if (m_thread->Done()) {
        // Ended by itself: nothing to ask or wait for, only the console to clear.
        m_thread.reset();
    } else {
        CThreadPort* worker = m_thread.get();
        WaitBusy(QStringLiteral("Остановка обмена данными..."), [worker] {
            worker->SignalStop();
            worker->StopAndWait();
        });
        m_thread.reset();
    }
    Console().Sink().ClearState(FrameBytes{});
    SetLineLost(false);
    UpdateCommands();
}

void CMainFrame::OnPort(int port)
{
    if (!ExchangeRunning() && !m_programming && !m_busy)
        m_portNumber = port;
    UpdateCommands();
}

void CMainFrame::SetLineLost(bool lost)
{
    if (lost == m_lineLost)
        return;
    m_lineLost = lost;
    // Shown once in the prompt pane, where it stays (a passing prompt gives way to it again)
    // until the controller is heard or the exchange stops.
    if (!m_busy)
        ShowStatus(IdleText());
}

QString CMainFrame::IdleText() const
{
    if (!m_lineLost)
        return kIdleText;
    // A server on the network is named: the engineer may watch several.
    const std::string name = PortName();
    if (CPort::IsNetworkName(name))
        return QString::fromUtf8(kLineLostText) + QStringLiteral(": ") + QString::fromStdString(CPort::DevicePath(name));
    return QString::fromUtf8(kLineLostText);
}

void CMainFrame::RunOnLine(const QString& status, const std::function<void(CPort&)>& job)
{
    std::future<void> done = m_line.Post(job);
    if (!done.valid())
        return; // the line's thread could not be made: nothing ran
    WaitBusy(status, [&done] { done.wait(); });
}

void CMainFrame::CloseLine()
{
    (void)m_line.Post([](CPort& port) { (void)port.Close(); });
}

bool CMainFrame::LineOpen()
{
    bool open = false;
    (void)m_line.WhenIdle([&](CPort& port) { open = port.IsOpen(); });
    return open;
}

void CMainFrame::WaitBusy(const QString& status, const std::function<void()>& wait)
{
    m_busy = true;
    m_lineMessages.ForgetLast();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ShowStatus(status);
    QEventLoop loop;
    std::thread line([&] {
        wait();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Paint, timers and the console's updates go on; the user's clicks and keys wait.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    line.join();
    // Progress posted by the line's last sector comes before the bar goes.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_progress->hide();
    m_fingerprints->show();
    m_progressParts.Reset();
    QApplication::restoreOverrideCursor();
    m_busy = false;
    ShowStatus(IdleText());
    if (m_closeWhenIdle) {
        m_closeWhenIdle = false;
        QTimer::singleShot(0, this, &CMainFrame::CloseUnasked);
    }
}

void CMainFrame::ShowTransferProgress(TransferStep step, int sector)
{
    if (!m_busy)
        return; // posted by a transfer that has ended meanwhile
    const QString part = QString::fromStdString(m_progressParts.Next(step, sector));
    m_progress->setFormat(part + QStringLiteral(": сектор %v из %m"));
    m_fingerprints->hide();
    m_progress->show();
    m_progress->setValue(sector + 1);
}

void CMainFrame::ShowStatus(const QString& text)
{
    m_lineStatus = text;
    statusBar()->showMessage(text);
}

void CMainFrame::OnProgrammingMode()
{
    if (m_busy) {
        UpdateCommands();
        return;
    }
    // The click has flipped the button already; it shows the mode, which changes only when the
    // controller has switched (not while a question about it is open).
    UpdateCommands();
    const std::string portName = PortName();
    if (!m_programming) {
        // Whichever way the toggle goes, the controller is in charge of the junction again.
        LockConsole();
        ExchangeStop();
        ProgrammingEntry entry;
        RunOnLine(QStringLiteral("Переход в режим программирования..."),
                  [&](CPort& port) { entry = EnterProgrammingMode(port, portName, m_lineMessages); });
        if (entry.Accepted()) {
            m_programming = true;
            // A write of another run (vlkctl, or a station that ended) may have left it half-done.
            m_incomplete = IncompleteWrite(portName).has_value();
        }
        UpdateCommands();
        return;
    }
    // After a write that was not confirmed the controller would start on a memory nobody wrote:
    // only on the user's explicit word, Нет being the default.
    if ((m_incomplete || IncompleteWrite(portName)) &&
        !m_messages.AskYesNo(kIncompleteLeaveQuestion, MessageIcon::Question)) {
        UpdateCommands();
        return;
    }
    LockConsole();
    bool left = false;
    RunOnLine(QStringLiteral("Выход из режима программирования, перезапуск контроллера..."),
              [&](CPort& port) { left = ExitProgrammingMode(port, m_lineMessages); });
    if (left) {
        m_programming = false;
        m_incomplete = false;
        ClearIncompleteWrite(portName);
        m_tabs.SelectPage(CTabs::ConsoleTab);
        ExchangeStart();
    }
    UpdateCommands();
}

bool CMainFrame::StillProgramming()
{
    bool dead = false;
    bool unasked = false;
    (void)m_line.WhenIdle([&](CPort& port) {
        dead = !port.IsOpen() || port.DeviceGone();
        unasked = !dead && port.Available() > 0;
    });
    if (!dead && !unasked)
        return true;
    // Bytes nobody asked for, or a line that came back: the controller may have restarted, or be
    // gone for good. Nothing is sent that assumes a mode before the line has told it.
    const std::string portName = PortName();
    bool opened = true;
    LineMode mode = LineMode::Programming;
    std::string failure;
    RunOnLine(QStringLiteral("Проверка режима контроллера..."), [&](CPort& port) {
        if (dead)
            opened = port.Open(portName, "AX25");
        if (opened)
            mode = DetectMode(port).mode;
        else
            failure = port.OpenFailure();
    });
    if (!opened) {
        const std::string why = failure.empty() ? std::string("порт не открывается") : failure;
        m_messages.Show(std::string(kLineLostText) + ": " + why +
                        ". Контроллер остался в режиме программирования; проверьте подключение и повторите");
        return false;
    }
    switch (mode) {
    case LineMode::Programming:
        return true;
    case LineMode::Normal:
        ControllerRestarted(false);
        return false;
    case LineMode::Silent:
        m_messages.Show(kNoAnswerText);
        return false;
    case LineMode::Gone:
        break;
    }
    CloseLine();
    m_messages.Show(kLineLostText);
    return false;
}

void CMainFrame::ControllerRestarted(bool told)
{
    m_programming = false;
    CloseLine();
    if (!told) {
        std::string text = "Контроллер работает в обычном режиме (он был перезапущен): режим программирования выключен";
        if (m_incomplete)
            text += ". Его память записана не полностью: включите режим программирования и запишите ОДД еще раз "
                    "или верните прежнюю конфигурацию";
        m_messages.Show(text, m_incomplete ? MessageIcon::Stop : MessageIcon::None);
    }
    m_tabs.SelectPage(CTabs::ConsoleTab);
    ExchangeStart();
    UpdateCommands();
}

std::optional<MemoryBackup> CMainFrame::RestorableBackup() const
{
    if (m_backup)
        return m_backup;
    // The backup an unconfirmed write of another run names.
    const auto path = IncompleteWrite(PortName());
    if (!path)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    if (!ReadRegularFile(*path, kImageSize, bytes).empty() || bytes.size() != kImageSize)
        return std::nullopt;
    MemoryBackup backup;
    std::copy(bytes.begin(), bytes.end(), backup.image.begin());
    backup.path = *path;
    return backup;
}

void CMainFrame::OnWriteMemory()
{
    if (m_busy || !m_programming)
        return;
    // What is still in a cell editor is part of the configuration.
    if (!m_tabs.CommitEdits())
        return;
    if (!m_checkList->ConfirmWrite(m_messages))
        return;
    if (!StillProgramming())
        return;
    // The image is taken from the pages before the line is touched, exactly as a save would.
    const ImageBytes image = ConfigPages(m_tabs.Pages()).BuildImage();
    const std::string portName = PortName();
    SafeWriteOutcome outcome;
    RunOnLine(QStringLiteral("Запись ОДД..."), [&](CPort& port) {
        // The memory as it is is read and kept first; a write that is not confirmed leaves the
        // controller in programming mode, ready for another try.
        outcome = WriteWithBackup(port, portName, m_lineMessages, image, [this](TransferStep step, int sector) {
            QMetaObject::invokeMethod(this, [this, step, sector] {
                const QString text = step == TransferStep::Backup  ? QStringLiteral("Чтение прежней ОДД: сектор %1 из 15")
                                     : step == TransferStep::Check ? QStringLiteral("Проверка ОДД: сектор %1 из 15")
                                                                   : QStringLiteral("Запись ОДД: сектор %1 из 15");
                ShowStatus(text.arg(sector + 1));
                ShowTransferProgress(step, sector);
            }, Qt::QueuedConnection);
        });
    });
    // While a write stays unconfirmed the backup to put back is the one from before the first.
    if (outcome.backup && (!m_incomplete || !m_backup))
        m_backup = outcome.backup;
    if (outcome.result == WriteResult::Written) {
        m_incomplete = false;
        // The controller holds what the pages hold: nothing is lost when they change now.
        m_history->MarkSaved();
        UpdateTitle();
        SetControllerMemory(image);
    } else if (outcome.report.touched) {
        m_incomplete = true;
        SetControllerMemory(std::nullopt);
    } else if (outcome.backup) {
        SetControllerMemory(outcome.backup->image);
    }
    Journal(QStringLiteral("write"), ResultWord(outcome.result), QString::fromStdString(m_lineMessages.Last()), image,
            m_controllerMemory);
    if (outcome.result == WriteResult::Restarted)
        ControllerRestarted(true);
    UpdateCommands();
}

void CMainFrame::OnRestoreMemory()
{
    if (m_busy || !m_programming)
        return;
    const std::optional<MemoryBackup> backup = RestorableBackup();
    if (!backup)
        return;
    const QString question = QStringLiteral("Записать в контроллер его прежнюю память (%1)?")
                                 .arg(QDir::toNativeSeparators(QString::fromStdString(backup->path)));
    if (!m_messages.AskYesNo(question.toStdString(), MessageIcon::Question))
        return;
    if (!StillProgramming())
        return;
    WriteResult written = WriteResult::Failed;
    TransferReport report;
    RunOnLine(QStringLiteral("Запись прежней ОДД..."), [&](CPort& port) {
        written = WriteControllerMemory(port, m_lineMessages, backup->image, [this](TransferStep step, int sector) {
            QMetaObject::invokeMethod(this, [this, step, sector] {
                const QString text = step == TransferStep::Check ? QStringLiteral("Проверка ОДД: сектор %1 из 15")
                                                                 : QStringLiteral("Запись прежней ОДД: сектор %1 из 15");
                ShowStatus(text.arg(sector + 1));
                ShowTransferProgress(step, sector);
            }, Qt::QueuedConnection);
        }, {}, &report);
    });
    if (written == WriteResult::Written) {
        m_incomplete = false;
        ClearIncompleteWrite(PortName());
        SetControllerMemory(backup->image);
    } else if (report.touched) {
        m_incomplete = true;
        SetControllerMemory(std::nullopt);
    }
    Journal(QStringLiteral("write"), ResultWord(written), QStringLiteral("Возврат прежней памяти: %1")
                                                            .arg(QString::fromStdString(backup->path)), backup->image,
            m_controllerMemory);
    if (written == WriteResult::Restarted)
        ControllerRestarted(true);
    UpdateCommands();
}

void CMainFrame::OnReadMemory()
{
    if (m_busy || !m_programming)
        return;
    // An editor left open would write its old text over the memory read into its cell.
    if (!m_tabs.CommitEdits())
        return;
    if (!ConfirmDiscard())
        return;
    if (!StillProgramming())
        return;
    std::optional<ImageBytes> image;
    TransferReport report;
    RunOnLine(QStringLiteral("Чтение ОДД..."), [&](CPort& port) {
        image = ReadControllerMemory(port, m_lineMessages, [this](TransferStep step, int sector) {
            QMetaObject::invokeMethod(this, [this, step, sector] {
                ShowStatus(QStringLiteral("Чтение ОДД: сектор %1 из 15").arg(sector + 1));
                ShowTransferProgress(step, sector);
            }, Qt::QueuedConnection);
        }, {}, &report);
    });
    if (image)
        SetControllerMemory(*image);
    Journal(QStringLiteral("read"), image ? QStringLiteral("ok") : QStringLiteral("failed"),
            image ? QString() : QString::fromStdString(m_lineMessages.Last()), std::nullopt, image);
    if (report.trouble == WriteResult::Restarted) {
        ControllerRestarted(true);
        return;
    }
    // Only a memory that arrived whole reaches the pages; they no longer hold the file, which
    // "Сохранить" must not overwrite without asking.
    if (image && m_history->Load(QStringLiteral("чтение ОДД"), [&] {
            return ConfigPages(m_tabs.Pages()).ApplyImage(*image, LoadFlavour::Memory, m_messages);
        })) {
        m_filePath.clear();
        m_savePath.clear();
        m_documentName = QStringLiteral("ОДД контроллера (%1)")
                             .arg(m_portNumber == 3 ? QString::fromStdString(m_portAddress)
                                                    : QStringLiteral("COM%1").arg(m_portNumber));
        UpdateTitle();
    }
}

void CMainFrame::OnCompareMemory()
{
    if (m_busy || !m_programming)
        return;
    // What is still in a cell editor is part of what is compared.
    if (!m_tabs.CommitEdits())
        return;
    if (!StillProgramming())
        return;
    const ImageBytes pages = ConfigPages(m_tabs.Pages()).BuildImage();
    std::optional<ImageBytes> image;
    TransferReport report;
    RunOnLine(QStringLiteral("Сравнение с контроллером..."), [&](CPort& port) {
        image = ReadControllerMemory(port, m_lineMessages, [this](TransferStep step, int sector) {
            QMetaObject::invokeMethod(this, [this, step, sector] {
                ShowStatus(QStringLiteral("Сравнение с контроллером: сектор %1 из 15").arg(sector + 1));
                ShowTransferProgress(step, sector);
            }, Qt::QueuedConnection);
        }, {}, &report);
    });
    // A read that did not end whole compares nothing: never a "same" from part of a memory.
    if (!image) {
        m_differenceList->Interrupted();
        Journal(QStringLiteral("compare"), QStringLiteral("failed"), QString::fromStdString(m_lineMessages.Last()), pages);
        if (report.trouble == WriteResult::Restarted)
            ControllerRestarted(true);
        return;
    }
    SetControllerMemory(*image);
    const DecodeResult decoded = ConfigurationImage::Decode(*image);
    const QString fingerprint = QString::fromStdString(Crc32::Hex(Crc32::Of(*image)));
    Configuration controller = decoded.configuration ? *decoded.configuration : Configuration{};
    m_differenceList->Compare(ConfigPages(m_tabs.Pages()).Read(), controller, fingerprint);
    const auto count = m_differenceList->Differences().size();
    const bool equal = count == 0 && *image == pages;
    Journal(QStringLiteral("compare"), equal ? QStringLiteral("equal") : QStringLiteral("different"),
            equal ? QStringLiteral("Контроллер содержит ту же конфигурацию")
                  : QStringLiteral("Отличий от контроллера: %1").arg(count),
            pages, image);
}

void CMainFrame::TakeFromController(const std::vector<ValueRef>& values)
{
    if (m_busy || !m_controllerMemory)
        return;
    const DecodeResult decoded = ConfigurationImage::Decode(*m_controllerMemory);
    if (!decoded.configuration)
        return;
    Configuration pages = ConfigPages(m_tabs.Pages()).Read();
    TakeValues(pages, *decoded.configuration, values);
    const ImageBytes taken = ConfigurationImage::Encode(pages);
    // An edit of the pages like any other: it leaves them unsaved.
    (void)m_history->Change(QStringLiteral("значения из контроллера"), [&] {
        return ConfigPages(m_tabs.Pages()).ApplyImage(taken, LoadFlavour::File, m_messages);
    });
    // The list follows the pages: what was taken is no difference any more.
    m_differenceList->Compare(ConfigPages(m_tabs.Pages()).Read(), *decoded.configuration,
                              QString::fromStdString(Crc32::Hex(Crc32::Of(*m_controllerMemory))));
}

void CMainFrame::SetControllerMemory(const std::optional<ImageBytes>& image)
{
    m_controllerMemory = image;
    UpdateFingerprints();
}

QString CMainFrame::FingerprintText() const
{
    return m_fingerprints->text();
}

void CMainFrame::UpdateFingerprints()
{
    const ImageBytes pages = ConfigPages(m_tabs.Pages()).BuildImage();
    const QString mine = QString::fromStdString(Crc32::Hex(Crc32::Of(pages)));
    QString text = QStringLiteral("Отпечаток: %1").arg(mine);
    if (m_controllerMemory) {
        const QString theirs = QString::fromStdString(Crc32::Hex(Crc32::Of(*m_controllerMemory)));
        text += QStringLiteral(" | контроллер: %1 (%2)")
                    .arg(theirs, *m_controllerMemory == pages ? QStringLiteral("совпадает") : QStringLiteral("отличается"));
    }
    m_fingerprints->setText(text);
}

void CMainFrame::Journal(const QString& action, const QString& result, const QString& message,
                         const std::optional<ImageBytes>& fileImage, const std::optional<ImageBytes>& controller)
{
    JournalEntry entry;
    entry.program = "station";
    entry.port = PortName();
    entry.action = action.toStdString();
    entry.file = QFile::encodeName(m_filePath).toStdString();
    if (fileImage)
        entry.fileFingerprint = Crc32::Hex(Crc32::Of(*fileImage));
    if (controller)
        entry.controllerFingerprint = Crc32::Hex(Crc32::Of(*controller));
    entry.result = result.toStdString();
    entry.message = message.toStdString();
    const std::string error = AppendToJournal(entry);
    if (!error.empty()) {
        // Said once, where it stays until the next status text; the action itself went on.
        statusBar()->showMessage(QString::fromStdString(error));
        std::fprintf(stderr, "vlk-station: %s\n", error.c_str());
    }
}

void CMainFrame::OnWatch()
{
    if (!m_watch) {
        // The console's port while it holds a line, so that a row gives it up and takes it back.
        m_watch = new WatchWnd(
            [this] { return ExchangeRunning() || m_programming ? PortName() : std::string(); }, this);
        connect(m_watch, &WatchWnd::OpenOnConsole, this,
                [this](const QString& address) { OpenOnConsole(address.toStdString()); });
    }
    m_watch->show();
    m_watch->raise();
    m_watch->activateWindow();
}

void CMainFrame::OpenOnConsole(const std::string& address)
{
    if (m_busy)
        return;
    if (m_programming) {
        m_messages.Show("Контроллер на пульте в режиме программирования: выключите режим программирования, "
                        "прежде чем открыть другой");
        return;
    }
    ExchangeStop();
    m_portNumber = 3;
    m_portAddress = address;
    m_tabs.SelectPage(CTabs::ConsoleTab);
    ExchangeStart();
    raise();
    activateWindow();
}

void CMainFrame::OnJournal()
{
    JournalView view(QString::fromStdString(JournalPath()), this);
    view.exec();
}

void CMainFrame::OnFileOpen()
{
    if (m_busy)
        return;
    // An editor left open would write its old text over the file's value in its cell.
    if (!m_tabs.CommitEdits())
        return;
    if (!ConfirmDiscard())
        return;
    const QString path = m_dialogs.OpenFileName(this);
    if (path.isEmpty())
        return;
    (void)ReadDocument(path);
}

bool CMainFrame::OpenDocument(const QString& path)
{
    if (m_busy)
        return false;
    if (!m_tabs.CommitEdits())
        return false;
    if (!ConfirmDiscard())
        return false;
    // A name given relative to the terminal's folder; the messages and the report name it whole.
    return ReadDocument(QFileInfo(path).absoluteFilePath());
}

bool CMainFrame::ReadDocument(const QString& path)
{
    // Read by the one rule of every program (a 1920-byte image, or JSON), and only a regular
    // file, without waiting: a FIFO or a device named here would otherwise hold the window.
    const ConfigurationFileRead read = ConfigurationFile::Read(QFile::encodeName(path).toStdString());
    if (!read.configuration) {
        const QString reason = read.errorCode != 0 ? qt_error_string(read.errorCode) : QString::fromStdString(read.error);
        m_messages.Show(QStringLiteral("Файл %1 не открыт: %2").arg(QDir::toNativeSeparators(path), reason).toStdString());
        return false;
    }
    m_dialogs.UseFolder(QFileInfo(path).absolutePath());
    // The image the file stands for. What the reader repaired and what the pages' rules say while
    // they take it are gathered into one list, asked about once, before the pages keep anything.
    const ImageBytes& image = read.image;
    const QString fileName = QFileInfo(path).fileName();
    const QString action = QStringLiteral("открытие файла «%1»").arg(fileName);
    CollectedMessages collected(m_messages);
    // An image's repairs are the decoder's, which the pages say themselves when they apply it; a
    // JSON file's are the importer's.
    if (read.kind == ConfigurationFileKind::Json)
        for (const std::string& warning : read.warnings)
            collected.Show(warning, MessageIcon::None);
    // The pages show the file only once it is kept: not behind the question about its repairs.
    m_tabs.setUpdatesEnabled(false);
    const bool loaded = m_history->Load(
        action, [&] { return ConfigPages(m_tabs.Pages()).ApplyImage(image, LoadFlavour::File, collected); },
        [&] {
            if (collected.Lines().isEmpty())
                return true;
            RepairDialog dialog(QDir::toNativeSeparators(path), collected.Lines(), this);
            return dialog.exec() == QDialog::Accepted;
        });
    m_tabs.setUpdatesEnabled(true);
    if (loaded) {
        m_filePath = path;
        // A JSON file is never overwritten with an image by a save that does not ask.
        m_savePath = read.kind == ConfigurationFileKind::Image ? path : QString();
        m_documentName = fileName;
        OpenTrafficBeside(path);
        UpdateTitle();
    }
    return loaded;
}

void CMainFrame::OpenTrafficBeside(const QString& vlkPath)
{
    CTimingWnd& page = m_tabs.TimingPage();
    const QString path = TrafficFile::PathBeside(vlkPath);
    if (!QFileInfo::exists(path)) {
        page.SetInputs(TrafficInputs{});
        return;
    }
    std::vector<std::uint8_t> data;
    int error = 0;
    std::string failure = ReadRegularFile(QFile::encodeName(path).toStdString(), 1 << 20, data, LongerFile::Refuse, &error);
    TrafficFile::Read read;
    if (failure.empty()) {
        read = TrafficFile::FromJson(QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size())));
        failure = read.error.toStdString();
    } else if (error != 0) {
        failure = qt_error_string(error).toStdString();
    }
    if (!read.inputs) {
        // The configuration is open all the same; the flows start empty.
        page.SetInputs(TrafficInputs{});
        m_messages.Show(QStringLiteral("Файл %1 не прочитан: %2")
                            .arg(QDir::toNativeSeparators(path), QString::fromStdString(failure))
                            .toStdString());
        return;
    }
    page.SetInputs(*read.inputs);
}

bool CMainFrame::SaveTrafficBeside(const QString& vlkPath)
{
    CTimingWnd& page = m_tabs.TimingPage();
    const QString path = TrafficFile::PathBeside(vlkPath);
    // A junction without counted flows gets no file of them; one that had them keeps it up to date.
    if (page.Inputs() == TrafficInputs{} && !QFileInfo::exists(path)) {
        page.MarkInputsSaved();
        return true;
    }
    const QByteArray json = TrafficFile::ToJson(page.Inputs());
    const std::string failure =
        WriteWholeFile(QFile::encodeName(path).toStdString(),
                       std::span(reinterpret_cast<const std::uint8_t*>(json.constData()), static_cast<std::size_t>(json.size())));
    if (!failure.empty()) {
        m_messages.Show(QStringLiteral("Файл %1 не записан: %2")
                            .arg(QDir::toNativeSeparators(path), QString::fromStdString(failure))
                            .toStdString());
        return false;
    }
    page.MarkInputsSaved();
    return true;
}

void CMainFrame::OnFileSave()
{
    if (m_busy)
        return;
    (void)SaveDocument();
}

void CMainFrame::OnFileSaveAs()
{
    if (m_busy)
        return;
    (void)SaveDocumentAs();
}

bool CMainFrame::SaveDocument()
{
    if (m_savePath.isEmpty())
        return SaveDocumentAs();
    // What is still in a cell editor is part of the configuration.
    if (!m_tabs.CommitEdits())
        return false;
    return SaveTo(m_savePath);
}

bool CMainFrame::SaveDocumentAs()
{
    // What is still in a cell editor is part of the configuration.
    if (!m_tabs.CommitEdits())
        return false;
    QString path;
    for (;;) {
        path = m_dialogs.SaveFileName(this);
        if (path.isEmpty())
            return false;
        m_dialogs.UseFolder(QFileInfo(path).absolutePath());
        if (!QFileInfo::exists(path))
            break;
        if (m_messages.Ask("Такой файл существует,перезаписать?", MessageIcon::Question))
            break;
    }
    return SaveTo(path);
}

bool CMainFrame::SaveTo(const QString& path)
{
    const ImageBytes image = ConfigPages(m_tabs.Pages()).BuildImage();
    // The one writer of every program: a failed save leaves the old file byte for byte.
    int error = 0;
    const std::string failure = ConfigurationFile::Write(QFile::encodeName(path).toStdString(), image, &error);
    if (!failure.empty()) {
        // A system error as Qt names it, in the user's language; the writer's own refusals are
        // Russian already.
        const QString reason = error != 0 ? qt_error_string(error) : QString::fromStdString(failure);
        m_messages.Show(QStringLiteral("Файл %1 не записан: %2")
                            .arg(QDir::toNativeSeparators(path), reason)
                            .toStdString());
        return false;
    }
    m_history->MarkSaved();
    m_filePath = path;
    m_savePath = path;
    m_documentName = QFileInfo(path).fileName();
    // The image is saved; the flows beside it may still fail, and say so.
    (void)SaveTrafficBeside(path);
    UpdateTitle();
    // A file may hold a plan with errors; the list says so after the save.
    m_checkList->AfterSave();
    return true;
}

void CMainFrame::UpdateTitle()
{
    const bool modified = m_history != nullptr && (m_history->Modified() || m_tabs.TimingPage().InputsChanged());
    if (m_documentName.isEmpty() && !modified) {
        setWindowTitle(kApplicationTitle);
        return;
    }
    const QString name = m_documentName.isEmpty() ? QStringLiteral("Без имени") : m_documentName;
    setWindowTitle(QStringLiteral("%1%2 — %3").arg(name, modified ? QStringLiteral("*") : QString(), kApplicationTitle));
}

bool CMainFrame::ConfirmDiscard()
{
    if (!m_history->Modified() && !m_tabs.TimingPage().InputsChanged())
        return true;
    switch (m_messages.AskYesNoCancel("Сохранить изменения?", MessageIcon::Question)) {
    case Choice::Yes: return SaveDocument();
    case Choice::No: return true;
    case Choice::Cancel: break;
    }
    return false;
}

void CMainFrame::OnUndo()
{
    if (!m_busy)
        (void)m_history->Undo();
}

void CMainFrame::OnRedo()
{
    if (!m_busy)
        (void)m_history->Redo();
}

void CMainFrame::UpdateEditCommands()
{
    const QUndoStack& stack = m_history->Stack();
    QAction* undo = m_commands[ID_EDIT_UNDO];
    QAction* redo = m_commands[ID_EDIT_REDO];
    undo->setEnabled(stack.canUndo());
    redo->setEnabled(stack.canRedo());
    undo->setText(stack.canUndo() ? QStringLiteral("&Отменить: %1").arg(stack.undoText())
                                  : QStringLiteral("&Отменить"));
    redo->setText(stack.canRedo() ? QStringLiteral("&Повторить: %1").arg(stack.redoText())
                                  : QStringLiteral("&Повторить"));
}

void CMainFrame::CloseUnasked()
{
    // A signal while a command waits on the line: the command ends as it would (a transfer is
    // never cut off halfway), and the station closes then.
    if (m_busy) {
        m_closeWhenIdle = true;
        return;
    }
    m_closeUnasked = true;
    close();
    m_closeUnasked = false;
}

QString CMainFrame::HelpFilePath() const
{
    return QDir(m_helpFolder).filePath(kHelpFileName);
}

void CMainFrame::OnHelp()
{
    const QString path = HelpFilePath();
    // Without the old help file beside the executable the station's own manual answers.
    if (!QFileInfo::exists(path)) {
        CManualWnd::Open(this);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        m_messages.Show(QStringLiteral("Нет программы, которая открывает файл справки %1")
                            .arg(QDir::toNativeSeparators(path))
                            .toStdString());
}

void CMainFrame::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::OnCheckConfiguration()
{
    if (m_busy)
        return;
    m_checkList->Run();
}

void CMainFrame::OnFilePrint()
{
    if (m_busy || !m_tabs.CommitEdits())
        return;
    const JunctionReport report(ConfigPages(m_tabs.Pages()).Read(), QFileInfo(m_filePath).fileName(), QDate::currentDate());
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("ВЛК2.2 %1").arg(report.Fingerprint()));
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&report](QPrinter* target) {
        (void)report.Paint(*target);
    });
    preview.exec();
}

void CMainFrame::OnExportPdf()
{
    if (m_busy || !m_tabs.CommitEdits())
        return;
    const QFileInfo file(m_filePath);
    const QString suggested = m_filePath.isEmpty() ? QStringLiteral("junction.pdf")
                                                   : file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
    QString path;
    for (;;) {
        path = m_dialogs.PdfFileName(this, suggested);
        if (path.isEmpty())
            return;
        if (!QFileInfo::exists(path))
            break;
        if (m_messages.Ask("Такой файл существует,перезаписать?", MessageIcon::Question))
            break;
    }
    const JunctionReport report(ConfigPages(m_tabs.Pages()).Read(), file.fileName(), QDate::currentDate());
    const QString failure = report.WritePdf(path);
    if (!failure.isEmpty()) {
        m_messages.Show(QStringLiteral("Файл %1 не записан: %2")
                            .arg(QDir::toNativeSeparators(path), failure)
                            .toStdString());
        return;
    }
    statusBar()->showMessage(QStringLiteral("Записан файл %1").arg(QDir::toNativeSeparators(path)), 5000);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A command waiting on the line finishes first; the close box may be pressed again after.
    if (m_busy) {
        event->ignore();
        return;
    }
    // What the user typed last counts; unsaved work is kept if the user says so.
    if (!m_closeUnasked && (!m_tabs.CommitEdits() || !ConfirmDiscard())) {
        event->ignore();
        return;
    }
    ExchangeStop();
    QMainWindow::closeEvent(event);
}

namespace {

// The file a drag brings from the desktop: one local file, or empty. `fromFiles` tells whether
// the drag carries names of files at all (then it is the frame's, whatever they are).
QString DraggedFile(const QMimeData* data, bool& fromFiles)
{
    fromFiles = data != nullptr && data->hasUrls();
    if (!fromFiles)
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    return urls.front().toLocalFile();
}

} // namespace

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The window exists from the first show; its drops go through the frame first.
    if (QWindow* window = windowHandle(); window != nullptr && window != m_dropWindow) {
        window->installEventFilter(this);
        m_dropWindow = window;
    }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_dropWindow || watched == nullptr)
        return QMainWindow::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(watched, event);
    auto* drag = static_cast<QDropEvent*>(event);
    bool fromFiles = false;
    const QString path = DraggedFile(drag->mimeData(), fromFiles);
    // Text dragged between the station's own fields stays theirs.
    if (!fromFiles)
        return QMainWindow::eventFilter(watched, event);
    // Several files, or none on this machine, or a command still waiting on the line: refused.
    if (path.isEmpty() || m_busy || QApplication::activeModalWidget() != nullptr) {
        drag->ignore();
        return true;
    }
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        // Opened once the drop is over: its questions and messages must not keep the file
        // manager waiting for the end of the drag.
        QTimer::singleShot(0, this, [this, path] { (void)OpenDocument(path); });
    }
    return true;
}

} // namespace vlk
