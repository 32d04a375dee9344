#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

namespace vlk {

// The station's own manual (Markdown pages built into the resources under :/manual/), in a
// window of its own beside the frame: the pages, the back and forward buttons and the way to the
// contents. One window per owner; F1 brings it up again at the contents.
class CManualWnd : public QDialog {
    Q_OBJECT
public:
    explicit CManualWnd(QWidget* parent = nullptr);

    // The contents page.
    [[nodiscard]] static QUrl ContentsUrl();
    void ShowContents();
    [[nodiscard]] QTextBrowser* Browser() const { return m_browser; }
    [[nodiscard]] QPushButton* ContentsButton() const { return m_contents; }
    [[nodiscard]] QPushButton* BackButton() const { return m_back; }

    // Shows the owner's manual window (made on first use) at the contents page and raises it.
    static CManualWnd* Open(QWidget* owner);

private:
    QTextBrowser* m_browser;
    QPushButton* m_contents;
    QPushButton* m_back;
    QPushButton* m_forward;
};

} // namespace vlk
