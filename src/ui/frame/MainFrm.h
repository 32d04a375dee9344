#pragma once

#include "config/ConfigurationCompare.h"
#include "frame/Tabs.h"
#include "frame/UiThreadMessages.h"
#include "link/CPort.h"
#include "link/Line.h"
#include "link/MemoryBackup.h"
#include "link/MemoryTransfer.h"
#include "link/TransferProgress.h"
#include "link/ThreadPort.h"

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QProgressBar;
class QMimeData;
class QWindow;
class QToolBar;
class QTimer;

namespace vlk {

class CDeskWnd;
class WatchWnd;
class CheckList;
class DifferenceList;
class EventList;
class ReplayBar;
struct RecordEntry;
class EditHistory;
class FrameDialogs;
class LockIndicators;
class Messages;

// The station's one top-level window: menu, toolbar, status bar and the tab host with every page.
// It keeps the state the commands share (the chosen port, whether the exchange runs, whether the
// controller is in programming mode), owns the exchange worker and the port of programming mode
// and the memory transfer, and routes every command.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    enum CommandId : int {
        ID_PROGRAMMING_MODE = 32771,
        ID_WRITE_MEMORY = 32772,
        ID_READ_MEMORY = 32773,
        ID_EXCHANGE_START = 32778,
        ID_EXCHANGE_STOP = 32779,
        ID_PORT_COM1 = 32780,
        ID_PORT_COM2 = 32781,
        ID_CHECK_CONFIGURATION = 32800,
        ID_EXPORT_PDF = 32801,
        ID_RESTORE_MEMORY = 32802,
        ID_COMPARE_MEMORY = 32803,
        ID_JOURNAL = 32804,
        ID_OPEN_RECORDING = 32805,
        ID_EVENTS = 32806,
        ID_RECORD_EXCHANGE = 32807,
        ID_WATCH = 32808,
        ID_FILE_OPEN = 57601,
        ID_FILE_SAVE = 57603,
        ID_FILE_SAVE_AS = 57604,
        ID_EDIT_CLEAR = 57632,
        ID_EDIT_COPY = 57634,
        ID_EDIT_PASTE = 57637,
        ID_EDIT_UNDO = 57643,
        ID_EDIT_REDO = 57644,
        ID_FILE_PRINT = 57607,
        ID_APP_ABOUT = 57664,
        ID_APP_EXIT = 57665,
        ID_HELP = 57670,
    };
    static constexpr int kMinimumWidth = 500;
    static constexpr int kMinimumHeight = 500;
    static constexpr int AFX_IDW_TOOLBAR = 59392;
    static constexpr int AFX_IDW_STATUS_BAR = 59393;

    // `messages` shows every message (on the UI thread); `dialogs` asks for the port and the file
    // names.
    CMainFrame(Messages& messages, FrameDialogs& dialogs, QWidget* parent = nullptr);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The end of frame creation: asks for the port and, after OK, starts the exchange.
    void AskPortAndStart();

    // The frame's operations for the other parts of the station.
    void ExchangeStart();
    void ExchangeStop();
    [[nodiscard]] int PortNumber() const { return m_portNumber; }
    // The name the line is opened by: "COM1:", "COM2:" or the address chosen as another port.
    [[nodiscard]] std::string PortName() const;
    // "Наблюдение" (menu Вид), made the first time it is asked for; null before.
    [[nodiscard]] WatchWnd* Watch() const { return m_watch; }
    // A watched controller on the console: the exchange moves to its address.
    void OpenOnConsole(const std::string& address);
    // True while a worker exists and has not ended: one that ended by itself (its port would not
    // open) no longer counts.
    [[nodiscard]] bool ExchangeRunning() const;
    [[nodiscard]] bool ProgrammingMode() const { return m_programming; }
    // True while the running exchange has lost its device; the status bar says so meanwhile.
    [[nodiscard]] bool LineLost() const { return m_lineLost; }
    [[nodiscard]] CTabs& Tabs() { return m_tabs; }
    // True while the line holds its port open (the frame looks when the line is idle; false while
    // a job runs on it).
    [[nodiscard]] bool LineOpen();
    // The owner of the controller's line: the exchange, programming mode and the transfers run on it.
    [[nodiscard]] CLine& Line() { return m_line; }
    // The console page, which the exchange shows its frames on.
    [[nodiscard]] CDeskWnd& Console() { return m_tabs.DeskPage(); }

    // The menu item or toolbar button of a command, null for an unknown one.
    [[nodiscard]] QAction* Command(int id) const;
    [[nodiscard]] QToolBar* ToolBar() const { return m_toolBar; }
    // True while a command waits on the line; input to the window is held back meanwhile.
    [[nodiscard]] bool Busy() const { return m_busy; }
    // Where the help file is looked for; the executable's folder unless set.
    void SetHelpFolder(const QString& folder) { m_helpFolder = folder; }
    [[nodiscard]] QString HelpFilePath() const;

    // The commands.
    void OnProgrammingMode();
    void OnWriteMemory();
    void OnReadMemory();
    // "Сравнить с контроллером": reads the memory as "Читать" does, leaves the pages as they are
    // and lists what differs.
    void OnCompareMemory();
    [[nodiscard]] DifferenceList& Differences() const { return *m_differenceList; }
    // "Журнал": the journal of writes, reads, compares and operator commands, newest first.
    void OnJournal();
    void OnWatch();
    // The status bar's fingerprints: the pages' always, the controller's once it is known.
    [[nodiscard]] QString FingerprintText() const;
    // "Вернуть прежнюю конфигурацию": writes back the memory as it was before this station's last
    // write into the port (or the backup an unconfirmed write of another run names).
    void OnRestoreMemory();
    // True after a write into the controller that was not confirmed, until the memory is whole
    // again or programming mode is left all the same.
    [[nodiscard]] bool WriteUnconfirmed() const { return m_incomplete; }
    void OnFileOpen();
    // Opens `path` as "Открыть" opens the file chosen in its dialog (the editor closed into its
    // cell first, the question about unsaved changes): for a file named on the command line or
    // dropped on the window. True when the pages hold the file.
    bool OpenDocument(const QString& path);
    // "Сохранить" writes to the file that is open, without a dialog; before a file has a name (and
    // after a memory read) it is "Сохранить как…", which always asks for one.
    void OnFileSave();
    void OnFileSaveAs();
    void OnPort(int port);
    void OnHelp();
    void OnAbout();
    // "Проверить конфигурацию": the findings of what the pages hold, in the list beside them.
    void OnCheckConfiguration();
    [[nodiscard]] CheckList& Findings() const { return *m_checkList; }
    // "&Отменить" and "&Повторить" (Ctrl+Z, Ctrl+Y) of the user's changes and the loads.
    void OnUndo();
    void OnRedo();
    [[nodiscard]] EditHistory& History() const { return *m_history; }
    // Closes the frame without asking about unsaved changes: for a TERM or Ctrl+C in the
    // terminal, which must end the station whoever is at the screen. While a command waits on
    // the line the close comes when it has ended.
    void CloseUnasked();
    // "Печать…" (a print preview) and "Экспорт в PDF…": the printed junction file of what the
    // pages hold, under the name of the file last opened or saved.
    void OnFilePrint();
    void OnExportPdf();
    // "Открыть запись…": a recording replayed on the console (read-only, the title says
    // "Запись" and its date), with its events in "События". The exchange stops meanwhile.
    void OnOpenRecording();
    // Opens `path` as the command does after its dialog; false, with a message, when it is no
    // recording.
    bool OpenRecording(const QString& path);
    // Leaves the replay: the console goes back to the live line (the exchange starts again if it
    // ran before).
    void CloseRecording();
    [[nodiscard]] bool Replaying() const;
    [[nodiscard]] ReplayBar& Replay() const { return *m_replayBar; }
    // "События": the dock of the events, live or of the replayed recording.
    [[nodiscard]] EventList& Events() const { return *m_eventList; }
    // The file last opened or saved; empty until then.
    [[nodiscard]] const QString& FilePath() const { return m_filePath; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // A file dragged from the desktop onto any part of the window: taken at the window, before an
    // edit field under the pointer would take the file's name as text.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenu();
    void CreateToolBar();
    void CreateStatusBar();
    // Sets the enabled and checked states of every command from the frame's state.
    void UpdateCommands();
    // What a key of the "Правка" menu does: the key, sent to the widget with the focus.
    void SendKeyToFocus(QKeyCombination key);
    // Runs `job` on the line, after whatever runs there now, while the UI thread keeps painting
    // but takes no input, with the busy cursor and `status` in the prompt pane.
    void RunOnLine(const QString& status, const std::function<void(CPort&)>& job);
    // The same for a wait that is no job of the line (the exchange's stop): on a thread of its own.
    void WaitBusy(const QString& status, const std::function<void()>& wait);
    // Lets go of the line's port: a job queued behind whatever runs there.
    void CloseLine();
    void ShowStatus(const QString& text);
    // The progress bar of a memory transfer: the part it is in (the backup read, the write, its
    // check, the read and the read's second pass that checks the first) and the sector.
    void ShowTransferProgress(TransferStep step, int sector);
    // "Готов", or the lost line while it lasts: what the prompt pane shows when nothing else.
    [[nodiscard]] QString IdleText() const;
    void SetLineLost(bool lost);
    // Before a command in programming mode: bytes nobody asked for mean the controller may have
    // restarted. The line tells; false when it runs in normal mode (the station then follows).
    [[nodiscard]] bool StillProgramming();
    // The controller runs in normal mode although the station had it in programming mode: the
    // station goes back to normal mode, with one message unless the transfer said it already.
    void ControllerRestarted(bool told);
    // The backup that "Вернуть прежнюю конфигурацию" would write, if any.
    [[nodiscard]] std::optional<MemoryBackup> RestorableBackup() const;
    // Releases a worker whose thread has ended by itself (nothing to wait for).
    void ReleaseEndedWorker();
    // Locks the console's buttons and clears its command: the controller is in charge again.
    void LockConsole();
    // Before the pages' configuration is replaced or the station ends: when it holds unsaved
    // changes, asks "Сохранить изменения?". True to go on (saved, or Нет); false after Отмена or
    // a save that did not happen.
    [[nodiscard]] bool ConfirmDiscard();
    // Reads the file into the pages; false, with a message, when it is not a configuration.
    bool ReadDocument(const QString& path);
    // Saves to the open file, or asks for a name first when it has none; true when written.
    bool SaveDocument();
    // Asks for a name and saves; true when the file was written.
    bool SaveDocumentAs();
    // Writes the pages' image to `path`; true when written, else the user has been told.
    bool SaveTo(const QString& path);
    // The title names what the pages hold (the file, or the controller memory read) and marks
    // unsaved changes with "*".
    void UpdateTitle();
    // The counted flows of the calculation page, kept as NAME.traffic.json beside the file.
    void OpenTrafficBeside(const QString& vlkPath);
    [[nodiscard]] bool SaveTrafficBeside(const QString& vlkPath);
    // The menu texts of undo and redo name the step they would take.
    void UpdateEditCommands();
    void UpdateFingerprints();
    // The controller's memory as last read, written or compared (nullopt: unknown now).
    void SetControllerMemory(const std::optional<ImageBytes>& image);
    // One line of the journal for this station's port; a journal that fails is said once.
    // `controller`: the memory this action found or left in the controller, when it knows it.
    void Journal(const QString& action, const QString& result, const QString& message,
                 const std::optional<ImageBytes>& fileImage = std::nullopt,
                 const std::optional<ImageBytes>& controller = std::nullopt);
    void TakeFromController(const std::vector<ValueRef>& values);
    // The replayed record in force at the time shown, on the console.
    void ShowRecorded(const RecordEntry* record);

    Messages& m_messages;
    FrameDialogs& m_dialogs;
    UiThreadMessages m_lineMessages;    // procedures run off the UI thread: wait for each box
    UiThreadMessages m_workerMessages;  // the exchange worker: never waits on the UI thread
    std::map<int, QAction*> m_commands;
    QToolBar* m_toolBar = nullptr;
    LockIndicators* m_indicators = nullptr;
    CheckList* m_checkList = nullptr;
    DifferenceList* m_differenceList = nullptr;
    EventList* m_eventList = nullptr;
    ReplayBar* m_replayBar = nullptr;
    bool m_exchangeBeforeReplay = false; // the exchange ran when the replay began
    QLabel* m_fingerprints = nullptr;
    QLabel* m_modeLabel = nullptr; // "Режим программирования" while it is on
    QProgressBar* m_progress = nullptr; // during a memory transfer
    TransferProgress m_progressParts;
    std::optional<ImageBytes> m_controllerMemory; // as last read, written or compared
    QString m_helpFolder;
    QString m_filePath;
    QString m_savePath;       // where "Сохранить" writes without asking: an image file opened or saved
    QString m_documentName;   // what the title names: a file's name, or the controller memory read
    bool m_busy = false;
    bool m_lineLost = false;
    QString m_lineStatus; // what the status pane says while a command waits on the line

    // The shared state, in the order the frame has always kept it.
    int m_minWidth = kMinimumWidth;
    int m_minHeight = kMinimumHeight;
    int m_portNumber = 1;
    std::string m_portAddress; // the third choice of the port dialog
    WatchWnd* m_watch = nullptr; // a child window of the frame, alive until it goes
    CLine m_line; // outlives the worker, whose job runs on it
    std::unique_ptr<CThreadPort> m_thread;
    CTabs m_tabs;
    bool m_programming = false;
    bool m_incomplete = false;              // the last write into the controller was not confirmed
    std::optional<MemoryBackup> m_backup;   // the memory as it was before this run's last write
    QTimer* m_modeWatch = nullptr;          // in programming mode: frames nobody asked for
    std::unique_ptr<EditHistory> m_history; // over the pages of m_tabs: goes first
    bool m_closeUnasked = false;
    bool m_closeWhenIdle = false; // asked to close unasked while a command waited on the line
    QWindow* m_dropWindow = nullptr; // the window whose drops the frame takes
};

} // namespace vlk
