#pragma once

#include <QFontMetricsF>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

namespace vlk {

// A diagram on the screen: paints its layout into the whole widget with the widget's font and
// shows the hovered bar's tool tip at once. The time bars and the week bars differ only in their
// layout and painter.
class BarView : public QWidget {
    Q_OBJECT
public:
    explicit BarView(QWidget* parent = nullptr);

protected:
    // Places the layout into `area`, measured with the widget's font.
    virtual void PlaceLayout(const QRectF& area, const QFontMetricsF& metrics) = 0;
    virtual void PaintLayout(QPainter& painter) const = 0;
    // The tool tip for a point of the widget; empty where there is none.
    [[nodiscard]] virtual QString HoverTextAt(QPoint local) const = 0;
    // After the layout changed: places it to the widget and paints it anew.
    void LayoutChanged();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Place();
    void ShowTip(QPoint local, QPoint global);
};

} // namespace vlk
