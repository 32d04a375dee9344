#pragma once

#include "diagram/BarView.h"
#include "diagram/WeekBarLayout.h"

namespace vlk {

// The week's bars of the program in force, with a tool tip per span.
class WeekBarView : public BarView {
    Q_OBJECT
public:
    explicit WeekBarView(QWidget* parent = nullptr) : BarView(parent) {}

    void SetLayout(WeekBarLayout layout);
    [[nodiscard]] const WeekBarLayout& Layout() const { return m_layout; }

protected:
    void PlaceLayout(const QRectF& area, const QFontMetricsF& metrics) override;
    void PaintLayout(QPainter& painter) const override;
    [[nodiscard]] QString HoverTextAt(QPoint local) const override;

private:
    WeekBarLayout m_layout;
};

} // namespace vlk
