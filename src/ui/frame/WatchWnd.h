#pragma once

#include "link/WatchList.h"
#include "link/WatchedLine.h"

#include <QDialog>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace vlk {

// "Наблюдение": several controllers watched at once, one row each with its own exchange worker
// answering "no command". The list is the one thing the station keeps between runs
// ($XDG_CONFIG_HOME/vlk-station/watch.json). A row turns red on "АВАРИЯ", "ОШ", a direction in
// failure or a lost line. A double click opens the row's controller on the console: its worker
// lets go of the line while the console has it, and takes it again once the console has moved on.
class WatchWnd : public QWidget {
    Q_OBJECT
public:
    enum Column { NameColumn, AddressColumn, LinkColumn, AgeColumn, ProgramColumn, PhaseColumn, CalledColumn,
                  FlagsColumn, FailuresColumn, ColumnCount };

    // `consolePort` tells which port the console holds now ("" when none).
    explicit WatchWnd(std::function<std::string()> consolePort, QWidget* parent = nullptr);
    ~WatchWnd() override;

    [[nodiscard]] QTableWidget* Table() const { return m_table; }
    [[nodiscard]] QPushButton* AddButton() const { return m_add; }
    [[nodiscard]] QPushButton* RemoveButton() const { return m_remove; }
    [[nodiscard]] const std::vector<WatchedController>& Controllers() const { return m_list; }
    // True when the row's line counts as an alarm (what paints it red).
    [[nodiscard]] bool RowAlarm(int row) const;
    // Adds a controller (kept at once); false when the address is already watched.
    bool AddController(const WatchedController& controller);
    // The pass of a silent line for every worker started from now on (tests shorten it).
    void SetSilentPass(std::chrono::milliseconds pass) { m_silentPass = pass; }
    // Reads every row again from its line (the window's own timer does it twice a second).
    void Refresh();

signals:
    // The user asked for this controller on the console.
    void OpenOnConsole(const QString& address);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Row {
        std::unique_ptr<WatchedLine> line;
        bool onConsole = false;  // its worker let go of the line for the console
        std::chrono::steady_clock::time_point restartAt{};
    };

    void Load();
    void Save();
    void StartAll();
    void StopAll();
    void AddRow(const WatchedController& controller);
    void OnAdd();
    void OnRemove();
    void OnDoubleClick(int row);

    std::function<std::string()> m_consolePort;
    std::vector<WatchedController> m_list;
    std::vector<Row> m_rows;
    std::chrono::milliseconds m_silentPass = CThreadPort::kSilentPass;
    QTableWidget* m_table;
    QPushButton* m_add;
    QPushButton* m_remove;
    QLabel* m_status;
    QTimer* m_timer;
};

// The small dialog of "Добавить…": an address and a name.
class WatchAddDialog : public QDialog {
    Q_OBJECT
public:
    explicit WatchAddDialog(QWidget* parent = nullptr);
    [[nodiscard]] QLineEdit* AddressField() const { return m_address; }
    [[nodiscard]] QLineEdit* NameField() const { return m_name; }
    [[nodiscard]] QLabel* Hint() const { return m_hint; }
    [[nodiscard]] WatchedController Controller() const;

public slots:
    void accept() override;

private:
    QLineEdit* m_address;
    QLineEdit* m_name;
    QLabel* m_hint;
};

} // namespace vlk
