#pragma once

#include "config/Configuration.h"
#include "config/ConfigurationCompare.h"
#include "frame/CheckList.h"

#include <QDockWidget>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vlk {

class CTabs;

// Where a differing value is shown in the pages.
[[nodiscard]] FindingPlace PlaceOfValue(const ValueRef& value);

// "Отличия от контроллера": the differences between the pages and the memory last read from the
// controller, a line each in the words of `vlkctl diff` (the pages' value first). A double click
// (or Enter) on a line shows its cell; "Взять из контроллера" asks for the controller's values of
// the chosen lines, or of all of them when none is chosen.
class DifferenceList : public QDockWidget {
    Q_OBJECT
public:
    explicit DifferenceList(CTabs& tabs, QWidget* parent = nullptr);

    // Compares and shows the list (it comes up the first time, a few lines tall).
    void Compare(const Configuration& pages, const Configuration& controller, const QString& fingerprint);
    // A compare that did not read the memory whole: what the list held is no answer any more.
    void Interrupted();
    [[nodiscard]] const std::vector<Difference>& Differences() const { return m_differences; }
    [[nodiscard]] QTreeWidget* List() const { return m_list; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }
    [[nodiscard]] QPushButton* TakeButton() const { return m_take; }
    void ShowDifference(int index);

signals:
    // The values to take from the controller into the pages, as one step.
    void TakeRequested(const std::vector<vlk::ValueRef>& values);

private:
    CTabs& m_tabs;
    QLabel* m_summary = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_take = nullptr;
    std::vector<Difference> m_differences;
    bool m_shownOnce = false;
};

} // namespace vlk
