#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;

namespace vlk {

// Style bits: the low four bits pick the pop-up (exactly ZES_NUMBER gives the calculator, anything
// else the calendar); the edit part is a number field only when ZES_DATE is clear and ZES_NUMBER set.
inline constexpr unsigned ZES_DATE = 0x1;
inline constexpr unsigned ZES_NUMBER = 0x2;

class ZetPopup;

// The drop-down value editor: a one-line edit inside a thin black frame with a drop-down button at
// the right edge that opens a calculator (numbers) or a calendar (dates).
class ClassZetEdit : public QWidget {
    Q_OBJECT
public:
    explicit ClassZetEdit(unsigned style, QWidget* parent = nullptr);
    ~ClassZetEdit() override;
    ClassZetEdit(const ClassZetEdit&) = delete;
    ClassZetEdit& operator=(const ClassZetEdit&) = delete;

    // Installs the platform beep for the date and calculator code and sets the calendar to today;
    // the first editor does it if start-up has not.
    static void Register();

    [[nodiscard]] unsigned Style() const { return m_style; }
    [[nodiscard]] QString Text() const;
    // Sets the text; emits Changed() when it differs from the text at focus.
    void SetText(const QString& text);
    // The inner edit: focus, copy, paste, undo, selection.
    [[nodiscard]] QLineEdit* EditChild() const { return m_edit; }

    // The pop-up this editor has open, or null.
    [[nodiscard]] ZetPopup* Popup() const;
    // Opens the pop-up as a press in the button strip does (nothing if one of ours is open).
    void OpenPopup();
    // Closes the open pop-up, if it is ours.
    void ClosePopup();

    [[nodiscard]] bool IsNumberField() const { return !(m_style & ZES_DATE) && (m_style & ZES_NUMBER); }
    [[nodiscard]] bool HasCalculator() const { return (m_style & 0xF) == ZES_NUMBER; }
    // The drop-down button, in editor coordinates: a fixed width of about a line of text at the
    // right edge, over the full height; everything left of it is the edit.
    [[nodiscard]] QRect ButtonStrip() const;
    // The narrowest the editor makes itself: its frame, the strip and three digits of its font.
    [[nodiscard]] int MinimumWidth() const;
    [[nodiscard]] bool ButtonPressed() const { return m_pressed; }
    [[nodiscard]] QString TextAtFocus() const { return m_textAtFocus; }

    // Used by the pop-up while the press that opened it is still held.
    void TrackButton(const QPoint& globalPos);
    void ReleaseButton();

signals:
    // The two change notifications of the editor.
    void Changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayoutEdit();
    [[nodiscard]] int StripWidth() const;
    // A cell narrower than MinimumWidth(): grows to the left, keeping its right edge (where
    // right-aligned numbers stand), within the parent where it can.
    void KeepMinimumWidth();
    void SetPressed(bool pressed);
    void EditLostFocus();

    unsigned m_style;
    QLineEdit* m_edit;
    QString m_textAtFocus;
    bool m_pressed = false;
    bool m_holding = false;
    bool m_widening = false;
};

} // namespace vlk
