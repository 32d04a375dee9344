#pragma once

#include <QWidget>

#include <array>
#include <optional>

class QLabel;
class QTimer;

namespace vlk {

// The status bar's Caps Lock, Num Lock and Scroll Lock panes ("ВР", "ЦИФ", "СКРЛ"): dark while the
// lock is on, grey while it is off or the platform does not tell.
class LockIndicators : public QWidget {
    Q_OBJECT
public:
    enum Lock { Caps, Num, Scroll };

    explicit LockIndicators(QWidget* parent = nullptr);

    [[nodiscard]] QLabel* Pane(Lock lock) const { return m_panes[static_cast<std::size_t>(lock)]; }
    // Shows `states` (bit 0 Caps, bit 1 Num, bit 2 Scroll); none: the platform does not tell.
    void Show(std::optional<unsigned> states);
    // The lock states as the window system reports them, when it does (X11 only).
    [[nodiscard]] static std::optional<unsigned> Query();

private:
    std::array<QLabel*, 3> m_panes{};
    QTimer* m_poll;
};

} // namespace vlk
