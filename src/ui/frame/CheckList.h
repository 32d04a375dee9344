#pragma once

#include "config/Configuration.h"
#include "plan/ConfigurationCheck.h"

#include <QDockWidget>
#include <QString>

#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace vlk {

class CTabs;
class Messages;

// Where a finding is shown: the page, and on it the grid cell, or only the row, it is about.
struct FindingPlace {
    enum class Grid { None, Programs, Directions, LampOutputs, WaitBoards, RedSensors, GreenSensors, InterGreen };
    int tab = -1;         // CTabs::...Tab
    Grid grid = Grid::None;
    int row = -1;
    int column = -1;      // -1: the finding names a row, not one cell
    int day = -1;         // the day chart of the schedules page, 0 Monday
};

// The page and cell of a finding in the pages the configuration `checked` was read from.
[[nodiscard]] FindingPlace PlaceOf(const Finding& finding, const Configuration& checked);

// Shows the page of `place` and opens the editor on its cell (or selects its row).
void ShowPlace(CTabs& tabs, const FindingPlace& place);

// "Программа 1, фазы 1→2, направления 1, 3, секунда 43": the place column of the list.
[[nodiscard]] QString PlaceText(const Finding& finding);

// The findings of the configuration check beside the pages: one line per finding with its
// severity, place and message, a summary above. A double click (or Enter) on a line shows the
// finding's page and opens the editor on its cell.
//
// The list holds what the pages held when it last ran; the check runs again on every
// "Проверить конфигурацию", before every write into the controller and after every save.
class CheckList : public QDockWidget {
    Q_OBJECT
public:
    enum Column { SeverityColumn, PlaceColumn, MessageColumn };

    CheckList(CTabs& tabs, QWidget* parent = nullptr);
    ~CheckList() override;
    CheckList(const CheckList&) = delete;
    CheckList& operator=(const CheckList&) = delete;

    // Checks what the pages hold now and shows the list.
    void Run();
    // Before a write into the controller: checks the pages; with an "Ошибка" shows the list and
    // asks, Нет the default. True when the write may go ahead.
    [[nodiscard]] bool ConfirmWrite(Messages& messages);
    // After a save: checks the saved pages and shows the list when it holds an "Ошибка"; an open
    // list is brought up to date either way.
    void AfterSave();

    // Shows finding `index` of the list on its page.
    void ShowFinding(int index);

    [[nodiscard]] const std::vector<Finding>& Findings() const { return m_findings; }
    [[nodiscard]] QTreeWidget* List() const { return m_list; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Check();
    void ShowList();
    void Fill();

    CTabs& m_tabs;
    QLabel* m_summary = nullptr;
    QTreeWidget* m_list = nullptr;
    Configuration m_checked;
    std::vector<Finding> m_findings;
    bool m_shownOnce = false;
};

} // namespace vlk
