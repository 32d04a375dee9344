#include "frame/LockIndicators.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

#ifdef VLK_HAVE_X11
#include <X11/XKBlib.h>
#endif

namespace vlk {

LockIndicators::LockIndicators(QWidget* parent) : QWidget(parent), m_poll(new QTimer(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    const char* texts[] = {"ВР", "ЦИФ", "СКРЛ"};
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        auto* pane = new QLabel(QString::fromUtf8(texts[i]), this);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("СКРЛ")) + 8);
        layout->addWidget(pane);
        m_panes[i] = pane;
    }
    Show(Query());
    // The window system sends no event when a lock changes while another program has the focus.
    connect(m_poll, &QTimer::timeout, this, [this] { Show(Query()); });
    m_poll->start(300);
}

void LockIndicators::Show(std::optional<unsigned> states)
{
    for (std::size_t i = 0; i < m_panes.size(); ++i)
        m_panes[i]->setEnabled(states.has_value() && (*states & (1u << i)) != 0);
}

std::optional<unsigned> LockIndicators::Query()
{
#ifdef VLK_HAVE_X11
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        Display* display = x11->display();
        unsigned indicators = 0;
        if (display == nullptr || XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) != Success)
            return std::nullopt;
        // The usual order of the core keyboard's LEDs: Caps, Num, Scroll.
        return indicators & 0x7u;
    }
#endif
    return std::nullopt;
}

} // namespace vlk
