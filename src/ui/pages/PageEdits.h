#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace vlk {

class ARecordList;
class CConfigWnd;
class CDirectionWnd;
class CGraficWnd;
class CMeasureWnd;
class COutputWnd;
class CProgramWnd;

// Follows the user on the seven configuration pages and says once for every change made there:
// a grid's edit, paste, clearing or check; a priority move; the master check; a keystroke (or a
// correction the page makes to it) in one of the three fields; a click on a day chart. Loads and
// other changes the program makes itself are never reported: whoever writes the pages holds the
// reports back meanwhile with Quiet.
class PageEdits : public QObject {
    Q_OBJECT
public:
    PageEdits(CDirectionWnd& directions, CProgramWnd& programs, CGraficWnd& schedules, COutputWnd& outputs,
              CMeasureWnd& sensors, CConfigWnd& zad, QObject* parent = nullptr);

    // Keeps back every report while it lives (nested ones too).
    class Quiet {
    public:
        explicit Quiet(PageEdits& edits) : m_edits(edits) { ++m_edits.m_quiet; }
        ~Quiet() { --m_edits.m_quiet; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

    private:
        PageEdits& m_edits;
    };
    [[nodiscard]] bool IsQuiet() const { return m_quiet > 0; }

    // The key a field's reports carry, so the keystrokes of one typing can be taken together;
    // -1 for every other change.
    static constexpr int NoField = -1;

signals:
    // After the change, with the action's name as the menus show it ("правка таблицы «…»").
    // `field` is the field's control identifier for a keystroke in a field, else NoField.
    void configurationEdited(const QString& action, int field);
    // The user has left a field (or pressed Enter in it): its typing is over.
    void fieldFinished();

private:
    void WatchGrid(ARecordList* grid, const QString& table);
    void WatchField(QLineEdit* edit, int control, const QString& caption);
    void Report(const QString& action, int field = NoField);

    int m_quiet = 0;
};

} // namespace vlk
