#pragma once

#include "diagram/TimeBarLayout.h"

#include <QWidget>

namespace vlk {

// A program's time-bar diagram on the screen: paints its layout into the whole widget with the
// widget's font and shows the hovered bar's tool tip at once.
class TimeBarView : public QWidget {
    Q_OBJECT
public:
    explicit TimeBarView(QWidget* parent = nullptr);

    // Takes a layout made by TimeBarLayout::Of; it is placed to the widget here.
    void SetLayout(TimeBarLayout layout);
    // The layout as it was placed for the last paint (or for the current size).
    [[nodiscard]] const TimeBarLayout& Layout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PlaceLayout();
    void ShowTip(QPoint local, QPoint global);

    TimeBarLayout m_layout;
};

} // namespace vlk
