#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

namespace vlk {

// One line of the journal as the view shows it.
struct JournalRow {
    QString time, program, user, host, port, action, file, fileFingerprint, controllerFingerprint, result, message;
};

// The whole lines of a journal's text, newest first; torn lines (a full disk) are left out and
// counted in `skipped`.
[[nodiscard]] std::vector<JournalRow> ParseJournal(const QByteArray& text, int* skipped = nullptr);

// "Журнал": every write, read, compare, clock setting and operator command of the station and of
// vlkctl, newest first, with a filter by port and by action.
class JournalView : public QDialog {
    Q_OBJECT
public:
    enum Column { TimeColumn, PortColumn, ActionColumn, ResultColumn, ProgramColumn, UserColumn, FileColumn,
                  FingerprintsColumn, MessageColumn, ColumnCount };

    JournalView(const QString& path, QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* Table() const { return m_table; }
    [[nodiscard]] QComboBox* PortFilter() const { return m_port; }
    [[nodiscard]] QComboBox* ActionFilter() const { return m_action; }

private:
    void Fill();

    std::vector<JournalRow> m_rows;
    QComboBox* m_port = nullptr;
    QComboBox* m_action = nullptr;
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
};

} // namespace vlk
