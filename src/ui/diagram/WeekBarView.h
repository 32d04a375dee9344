#pragma once

#include "diagram/WeekBarLayout.h"

#include <QWidget>

namespace vlk {

// The week's bars of the program in force, with a tool tip per span.
class WeekBarView : public QWidget {
    Q_OBJECT
public:
    explicit WeekBarView(QWidget* parent = nullptr);

    void SetLayout(WeekBarLayout layout);
    [[nodiscard]] const WeekBarLayout& Layout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PlaceLayout();
    void ShowTip(QPoint local, QPoint global);

    WeekBarLayout m_layout;
};

} // namespace vlk
