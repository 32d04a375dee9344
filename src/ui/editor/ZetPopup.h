#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QKeyEvent;
class QPainter;

namespace vlk {

class ClassZetEdit;

// The base of the drop-down editor's pop-ups: a borderless window that takes the mouse while it
// is open, with a light-gray face and a raised border. Only one exists in the application.
class ZetPopup : public QWidget {
    Q_OBJECT
public:
    ZetPopup(ClassZetEdit* owner, QSize size);
    ~ZetPopup() override;
    ZetPopup(const ZetPopup&) = delete;
    ZetPopup& operator=(const ZetPopup&) = delete;

    // The one open pop-up of the application, or null.
    [[nodiscard]] static ZetPopup* Current();
    // The font of the pop-ups' labels.
    [[nodiscard]] static QFont LabelFont();

    [[nodiscard]] ClassZetEdit* Owner() const { return m_owner; }
    [[nodiscard]] QLineEdit* OwnerEdit() const { return m_edit; }

    // Reads the owner's text and returns the pop-up's display text for it.
    [[nodiscard]] virtual QString Start() = 0;
    // A key pressed or released in the owner's edit while the pop-up is open.
    virtual void KeyFromEdit(QKeyEvent* event) = 0;

    // Keys that belong to the grid around the editor (Tab, Enter, Esc, F2, Insert, Ctrl+...).
    [[nodiscard]] static bool IsEditorKey(const QKeyEvent* event);

    // Closes the pop-up: the closing actions run once, the window goes away.
    void Dismiss();
    [[nodiscard]] bool IsClosing() const { return m_finished; }

    // The press that opened the pop-up is still held: moves and the release belong to the button.
    void SetOpeningPress(bool held) { m_openingPress = held; }

protected:
    // The closing actions of the pop-up kind.
    virtual void Finish() = 0;

    // Text with its top-left corner at (x, y), as the label positions are given.
    static void DrawTextAt(QPainter& painter, int x, int y, const QString& text);
    void DrawFace(QPainter& painter) const;
    // Puts the edit's caret after its last character.
    void CaretToEnd() const;

    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    // A press outside closes the pop-up; one on the owner's button does not open it again.
    void DismissByOutsidePress(QMouseEvent* event);
    // True when the event belonged to the press that opened the pop-up.
    bool HandleOpeningPress(QMouseEvent* event);

private:
    void RunFinish();

    QPointer<ClassZetEdit> m_owner;
    QPointer<QLineEdit> m_edit;
    bool m_finished = false;
    bool m_openingPress = false;
};

} // namespace vlk
