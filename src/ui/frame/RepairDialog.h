#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

namespace vlk {

// What opening a damaged file would repair, asked once before the pages keep it: a list that
// scrolls (the first kShown lines, and how many there are in all) in a dialog no taller than the
// screen, with "Открыть" and "Отмена".
class RepairDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShown = 200;

    RepairDialog(const QString& fileName, const QStringList& repairs, QWidget* parent = nullptr);

    [[nodiscard]] QListWidget* List() const { return m_list; }
    [[nodiscard]] QLabel* Total() const { return m_total; }
    [[nodiscard]] QPushButton* OpenButton() const { return m_open; }
    [[nodiscard]] QPushButton* CancelButton() const { return m_cancel; }

private:
    QListWidget* m_list = nullptr;
    QLabel* m_total = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vlk
