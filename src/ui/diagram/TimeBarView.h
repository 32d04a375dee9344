#pragma once

#include "diagram/BarView.h"
#include "diagram/TimeBarLayout.h"

namespace vlk {

// A program's time-bar diagram on the screen.
class TimeBarView : public BarView {
    Q_OBJECT
public:
    explicit TimeBarView(QWidget* parent = nullptr) : BarView(parent) {}

    // Takes a layout made by TimeBarLayout::Of; it is placed to the widget here.
    void SetLayout(TimeBarLayout layout);
    // The layout as it was placed for the last paint (or for the current size).
    [[nodiscard]] const TimeBarLayout& Layout() const { return m_layout; }

protected:
    void PlaceLayout(const QRectF& area, const QFontMetricsF& metrics) override;
    void PaintLayout(QPainter& painter) const override;
    [[nodiscard]] QString HoverTextAt(QPoint local) const override;

private:
    TimeBarLayout m_layout;
};

} // namespace vlk
