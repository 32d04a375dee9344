#pragma once

#include <QDialog>

class QPushButton;

namespace vlk {

// The about box: the icon, the version and a two-line notice; OK or Escape close it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    [[nodiscard]] QPushButton* OkButton() const { return m_ok; }

private:
    QPushButton* m_ok;
};

} // namespace vlk
