#pragma once

#include "forms/DialogTemplate.h"

#include <QBrush>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

namespace vlk {

struct PageInfo;

// The base of every page: a plain child window that builds its controls from a dialog template
// itself (so the page keeps full control of them), paints the textured background under them,
// stretches them with the page and moves the focus with Tab / Shift+Tab.
class AFormWnd : public QWidget {
    Q_OBJECT
public:
    explicit AFormWnd(QWidget* parent = nullptr);
    // A page made of one template and nothing else: the items, then the layout referenced to the
    // bottom-right corner of frame `lowestFrameId` plus the left and top offsets of `topFrameId`.
    AFormWnd(int templateId, int lowestFrameId, int topFrameId, QWidget* parent = nullptr);
    // The same for a page of the catalogue: its template, its first frame as the lowest and its
    // last as the top one.
    explicit AFormWnd(const PageInfo& page, QWidget* parent = nullptr);
    ~AFormWnd() override;

    AFormWnd(const AFormWnd&) = delete;
    AFormWnd& operator=(const AFormWnd&) = delete;

    // Builds one child per template item; returns the template's own size in pixels (empty when
    // the template cannot be read).
    QSize CreateDlgItems(int templateId);
    QSize CreateDlgItems(const DialogTemplate& dialog);

    // Records every child's rectangle as percentages of the reference size.
    void StoreLayout(int width, int height);
    // Applies the recorded layout to the page's current size.
    void Relayout();

    // Shows `bitmap` on the static picture control `id` and repaints it at once.
    void SetItemBitmap(int id, const QPixmap& bitmap);
    void SetItemBitmap(int id, int bitmapId);

    [[nodiscard]] QWidget* GetDlgItem(int id) const;
    template <class T>
    [[nodiscard]] T* Item(int id) const
    {
        return qobject_cast<T*>(GetDlgItem(id));
    }

    // The reference size of a page laid out between frames (see the constructor above).
    [[nodiscard]] QSize FrameReferenceSize(int lowestFrameId, int topFrameId) const;
    // The pixel rectangle of a template item under the page's base units.
    [[nodiscard]] QRect DialogItemRect(const DialogItem& item) const;
    // Dialog base units (average character width, character height) of the form font.
    [[nodiscard]] QSize BaseUnits() const { return m_baseUnits; }
    [[nodiscard]] QFont FormFont() const { return m_formFont.value_or(font()); }
    // The last template built, if any.
    [[nodiscard]] const DialogTemplate* Template() const { return m_template ? &*m_template : nullptr; }

    // What the builder recorded about a child made from a template item.
    [[nodiscard]] static int ItemId(const QWidget* window);
    [[nodiscard]] static QString ItemClass(const QWidget* window); // "Button", "Edit", "Static", ...
    [[nodiscard]] static std::uint32_t ItemStyle(const QWidget* window);

    // Base units as the builder measures them for a form font.
    [[nodiscard]] static QSize MeasureBaseUnits(const QFont& font);

signals:
    // A button, or a static that reports clicks (SS_NOTIFY), was clicked.
    void ItemClicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class SizeRule { Stretch, KeepHeight, KeepSize };
    struct Perc {
        QPointer<QWidget> window;
        double left;
        double top;
        double right;
        double bottom;
        SizeRule rule;
    };

    [[nodiscard]] QWidget* CreateItem(const DialogItem& item, const QRect& rect);
    [[nodiscard]] static SizeRule RuleFor(const QWidget* window);
    // Puts every frame of the page under the other children, nested frames above the frames
    // that hold them.
    void StackFramesBelowControls();

    std::vector<Perc> m_layout;
    QPixmap m_background;
    QBrush m_backgroundBrush;
    std::optional<QFont> m_formFont;
    QSize m_baseUnits;
    std::optional<DialogTemplate> m_template;
};

} // namespace vlk
