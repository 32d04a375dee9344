#pragma once

#include <QGroupBox>

namespace vlk {

// A template's group box: an etched frame with its caption set into the top edge, drawn straight
// on the page's texture (the style's own group box tints its inside). Like the frames the
// templates were drawn for, it is only a picture: every mouse event passes through it to what
// lies under it, and the builder stacks it below the controls it encloses.
class GroupFrame : public QGroupBox {
    Q_OBJECT
public:
    explicit GroupFrame(const QString& title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vlk
