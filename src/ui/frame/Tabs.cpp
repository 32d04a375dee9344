#include "frame/Tabs.h"

#include "forms/FormResources.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"

#include <QApplication>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>

namespace vlk {

namespace {

// Lines as the strip was drawn: from a point to the next, each segment without its end point.
void PolyLine(QPainter& painter, std::initializer_list<QPoint> points)
{
    auto it = points.begin();
    QPoint from = *it;
    for (++it; it != points.end(); ++it) {
        const QPoint to = *it;
        const QPoint step((to.x() > from.x()) - (to.x() < from.x()), (to.y() > from.y()) - (to.y() < from.y()));
        if (to != from)
            painter.drawLine(from, to - step);
        from = to;
    }
}

// The smallest size of each page, in its template's dialog units, in tab order: measured as the
// size below which the page's texts overlap or are cut (the layout test holds them to it). The
// grid-only pages get by with little; the directions page, the schedules and the console need
// nearly their templates' own size.
constexpr QSize kPageMinimumUnits[] = {
    {556, 284}, // "Направления"
    {84, 240},  // "Программы"
    {456, 276}, // "Графики работы"
    {496, 268}, // "Пульт"
    {152, 252}, // "Привязка выходов"
    {188, 262}, // "Привязка датчиков"
    {300, 250}, // "Конфигурация для ZAD"
};

constexpr int kArrowSize = 17;

} // namespace

CTabs::CTabs(Messages& messages, QWidget* parent)
    : QWidget(parent),
      m_directionPage(messages, this),
      m_programPage(messages, this),
      m_deskPage(this),
      m_outputPage(messages, this),
      m_measurePage(messages, this),
      m_graficPage(this),
      m_configPage(messages, this),
      m_edits(m_directionPage, m_programPage, m_graficPage, m_outputPage, m_measurePage, m_configPage),
      m_diagramPage(this),
      m_timingPage(this),
      // The face was a bitmap font whose smallest size stands in for the asked 8 pixels.
      m_tabFont(StationFont(QStringLiteral("MS Sans Serif"), 11))
{
    const auto pageOf = [this](PageId id) -> QWidget* {
        switch (id) {
        case PageId::Directions: return &m_directionPage;
        case PageId::Programs: return &m_programPage;
        case PageId::Schedules: return &m_graficPage;
        case PageId::Console: return &m_deskPage;
        case PageId::Outputs: return &m_outputPage;
        case PageId::Sensors: return &m_measurePage;
        case PageId::Zad: return &m_configPage;
        }
        return nullptr;
    };
    // The pages live in an area of their own under the strip, which clips a page larger than
    // the window; the host's scroll bars move it.
    m_pageArea = new QWidget(this);
    m_pageArea->setObjectName(QStringLiteral("PageArea"));
    for (const PageInfo& info : Catalogue::Pages()) {
        QWidget* page = pageOf(info.id);
        page->setParent(m_pageArea);
        page->setVisible(PageCount() == m_selected);
        AddPage(PageCount(), QString::fromStdString(info.caption), page);
    }
    AppendDiagramPage();
    AppendTimingPage();
    m_hbar = new QScrollBar(Qt::Horizontal, this);
    m_vbar = new QScrollBar(Qt::Vertical, this);
    m_corner = new QWidget(this);
    m_corner->setAutoFillBackground(true);
    for (QScrollBar* bar : {m_hbar, m_vbar}) {
        bar->hide();
        bar->setSingleStep(20);
        connect(bar, &QScrollBar::valueChanged, this, [this] { LayoutPages(); });
    }
    m_corner->hide();

    m_left = new QToolButton(this);
    m_right = new QToolButton(this);
    for (QToolButton* arrow : {m_left, m_right}) {
        arrow->setArrowType(arrow == m_left ? Qt::LeftArrow : Qt::RightArrow);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);
        arrow->hide();
        connect(arrow, &QToolButton::clicked, this, [this, arrow] { ScrollTabs(arrow == m_left ? -1 : 1); });
    }
    m_left->setToolTip(QStringLiteral("Предыдущие вкладки"));
    m_right->setToolTip(QStringLiteral("Следующие вкладки"));

    // Page keys, wherever the focus is in the window.
    const auto bind = [this](QKeyCombination key, bool forward) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, forward] { SelectNextPage(forward); });
    };
    bind(Qt::CTRL | Qt::Key_Tab, true);
    bind(Qt::CTRL | Qt::Key_PageDown, true);
    bind(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, false);
    bind(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, false);
    bind(Qt::CTRL | Qt::Key_PageUp, false);

    // Tab and Shift+Tab into a control scrolled out of sight bring it into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_pageArea->isAncestorOf(now))
            EnsureVisible(now);
    });
}

void CTabs::AppendDiagramPage()
{
    // The diagrams draw what the editor pages hold, follow their edits and mark what the
    // console hears from the controller.
    m_diagramPage.setParent(m_pageArea);
    m_diagramPage.setVisible(m_selected == DiagramsTab);
    AddPage(DiagramsTab, QStringLiteral("Диаграммы"), &m_diagramPage);
    m_diagramPage.SetSource([this] { return ConfigPages(Pages()).Read(); });
    // Every change of the user's on the seven pages; loads, undo and redo come from the frame.
    connect(&m_edits, &PageEdits::configurationEdited, &m_diagramPage, &CDiagramWnd::Refresh);
    connect(&m_deskPage, &CDeskWnd::StateShown, &m_diagramPage, &CDiagramWnd::SetReportedState);
}

void CTabs::AppendTimingPage()
{
    // The calculation reads the pages as the diagrams do; its writes come back through the frame.
    m_timingPage.setParent(m_pageArea);
    m_timingPage.setVisible(m_selected == TimingTab);
    AddPage(TimingTab, QStringLiteral("Расчёт"), &m_timingPage);
    m_timingPage.SetSource([this] { return ConfigPages(Pages()).Read(); });
    connect(&m_edits, &PageEdits::configurationEdited, &m_timingPage, &CTimingWnd::Refresh);
}

CTabs::~CTabs()
{
    // The pages go after this body; a cell editor closing with them moves the focus, and that
    // must not reach the half-destroyed host.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

PageSet CTabs::Pages()
{
    return {m_directionPage, m_programPage, m_graficPage, m_outputPage, m_measurePage, m_configPage};
}

void CTabs::AddPage(int index, const QString& label, QWidget* page)
{
    index = qBound(0, index, PageCount());
    m_pages.insert(m_pages.begin() + index, tagPAGE{page, label.left(127)});
    update();
}

int CTabs::LabelWidth(int index) const
{
    return QFontMetrics(m_tabFont).horizontalAdvance(m_pages[static_cast<std::size_t>(index)].name);
}

int CTabs::TabOffset(int index) const
{
    int left = 0;
    for (int i = 0; i < index && i < PageCount(); ++i)
        left += LabelWidth(i) + 20;
    return left;
}

bool CTabs::TabsOverflow() const
{
    return PageCount() > 0 && TabOffset(PageCount()) - 1 > width();
}

int CTabs::StripRight() const
{
    // The arrows take the strip's right end while they are needed.
    return TabsOverflow() ? std::max(0, width() - 2 * kArrowSize - 2) : width();
}

QRect CTabs::TabRect(int index) const
{
    if (index < 0 || index >= PageCount())
        return {};
    const int left = TabOffset(index) - TabOffset(m_firstTab);
    // Right edge L + width + 19, exclusive: the column after it is the gap to the next tab.
    return {left, 0, LabelWidth(index) + 19, m_tabHeight};
}

int CTabs::HitTest(QPoint point) const
{
    if (point.x() < 0 || point.x() >= StripRight())
        return -1;
    for (int i = 0; i < PageCount(); ++i)
        if (TabRect(i).contains(point))
            return i;
    return -1;
}

void CTabs::ScrollTabs(int delta)
{
    const int before = m_firstTab;
    if (delta < 0)
        m_firstTab = std::max(0, m_firstTab - 1);
    // Forward only while the last tab still ends beyond the strip.
    else if (PageCount() > 0 && TabRect(PageCount() - 1).right() >= StripRight())
        m_firstTab = std::min(PageCount() - 1, m_firstTab + 1);
    if (m_firstTab != before) {
        LayoutStrip();
        update();
    }
}

void CTabs::EnsureTabShown(int index)
{
    if (index < 0 || index >= PageCount())
        return;
    if (!TabsOverflow()) {
        m_firstTab = 0;
        return;
    }
    if (index < m_firstTab)
        m_firstTab = index;
    while (m_firstTab < index && TabRect(index).right() >= StripRight())
        ++m_firstTab;
}

void CTabs::SelectPage(int index)
{
    if (index == m_selected || index < 0 || index >= PageCount())
        return;
    if (m_selected >= 0 && m_selected < PageCount())
        m_pages[static_cast<std::size_t>(m_selected)].window->hide();
    m_selected = index;
    m_hbar->setValue(0);
    m_vbar->setValue(0);
    LayoutPages();
    m_pages[static_cast<std::size_t>(index)].window->show();
    EnsureTabShown(index);
    LayoutStrip();
    update();
}

void CTabs::SelectNextPage(bool forward)
{
    const int count = PageCount();
    if (count == 0)
        return;
    SelectPage(((m_selected + (forward ? 1 : -1)) % count + count) % count);
}

QSize CTabs::PageMinimum(int index) const
{
    if (index < 0 || index >= PageCount())
        return {};
    const auto* page = qobject_cast<const AFormWnd*>(m_pages[static_cast<std::size_t>(index)].window);
    if (!page)
        return {};
    // A page laid out by Qt's layouts (the calculation) knows its own least size.
    if (index >= static_cast<int>(std::size(kPageMinimumUnits))) {
        const QSize hint = page->layout() ? page->minimumSizeHint() : QSize();
        return hint.isValid() ? hint : QSize();
    }
    const QSize units = kPageMinimumUnits[index];
    const QSize base = page->BaseUnits();
    return {(units.width() * base.width() + 3) / 4, (units.height() * base.height() + 7) / 8};
}

void CTabs::LayoutStrip()
{
    const bool overflow = TabsOverflow();
    if (!overflow)
        m_firstTab = 0;
    const int y = std::max(0, (m_tabHeight - 2 - kArrowSize) / 2);
    m_left->setGeometry(width() - 2 * kArrowSize, y, kArrowSize, kArrowSize);
    m_right->setGeometry(width() - kArrowSize, y, kArrowSize, kArrowSize);
    m_left->setVisible(overflow);
    m_right->setVisible(overflow);
    m_left->setEnabled(m_firstTab > 0);
    m_right->setEnabled(overflow && PageCount() > 0 && TabRect(PageCount() - 1).right() >= StripRight());
}

void CTabs::LayoutPages()
{
    // The area under the strip, two pixels inside the host's frame.
    QRect area(2, m_tabHeight, std::max(0, width() - 4), std::max(0, height() - m_tabHeight - 2));
    const QSize minimum = PageMinimum(m_selected);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool wide = minimum.width() > area.width();
    bool tall = minimum.height() > area.height();
    // One bar can take the room that makes the other needed.
    if (tall && !wide)
        wide = minimum.width() > area.width() - bar;
    if (wide && !tall)
        tall = minimum.height() > area.height() - bar;
    if (tall)
        area.setWidth(std::max(0, area.width() - bar));
    if (wide)
        area.setHeight(std::max(0, area.height() - bar));

    m_hbar->blockSignals(true);
    m_vbar->blockSignals(true);
    m_hbar->setRange(0, wide ? minimum.width() - area.width() : 0);
    m_hbar->setPageStep(std::max(1, area.width()));
    m_vbar->setRange(0, tall ? minimum.height() - area.height() : 0);
    m_vbar->setPageStep(std::max(1, area.height()));
    m_hbar->blockSignals(false);
    m_vbar->blockSignals(false);
    m_hbar->setGeometry(area.left(), area.bottom() + 1, area.width(), bar);
    m_vbar->setGeometry(area.right() + 1, area.top(), bar, area.height());
    m_corner->setGeometry(area.right() + 1, area.bottom() + 1, bar, bar);
    m_hbar->setVisible(wide);
    m_vbar->setVisible(tall);
    m_corner->setVisible(wide && tall);

    m_pageArea->setGeometry(area);
    for (int i = 0; i < PageCount(); ++i) {
        const QSize least = PageMinimum(i);
        const QSize size(std::max(area.width(), least.width()), std::max(area.height(), least.height()));
        const QPoint at = i == m_selected ? QPoint(-m_hbar->value(), -m_vbar->value()) : QPoint(0, 0);
        m_pages[static_cast<std::size_t>(i)].window->setGeometry(QRect(at, size));
    }
}

void CTabs::EnsureVisible(const QWidget* widget)
{
    if (m_selected < 0 || m_selected >= PageCount() || !widget)
        return;
    QWidget* page = m_pages[static_cast<std::size_t>(m_selected)].window;
    if (!page->isAncestorOf(widget))
        return;
    // The page's own control that holds `widget` (a grid for its cell editor, say).
    const QWidget* control = widget;
    while (control->parentWidget() && control->parentWidget() != page)
        control = control->parentWidget();
    const QRect r = control->geometry();
    const QSize view = m_pageArea->size();
    const auto scrollTo = [](QScrollBar* bar, int start, int length, int extent) {
        int value = bar->value();
        if (start + length > value + extent)
            value = start + length - extent;
        if (start < value)
            value = start;
        bar->setValue(value);
    };
    scrollTo(m_hbar, r.left(), std::min(r.width(), view.width()), view.width());
    scrollTo(m_vbar, r.top(), std::min(r.height(), view.height()), view.height());
}

bool CTabs::CommitEdits()
{
    bool committed = true;
    for (const tagPAGE& page : m_pages)
        for (ARecordList* grid : page.window->findChildren<ARecordList*>())
            if (grid->Editor() && !grid->EndEdit(true, false))
                committed = false;
    m_timingPage.CommitEdit();
    return committed;
}

void CTabs::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    EnsureTabShown(m_selected);
    LayoutStrip();
    LayoutPages();
}

void CTabs::wheelEvent(QWheelEvent* event)
{
    // What the page itself does not scroll moves the page, when it is larger than the window.
    QScrollBar* bar = (event->modifiers() & Qt::ShiftModifier) || !m_vbar->isVisible() ? m_hbar : m_vbar;
    if (!bar->isVisible()) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    const int steps = (delta.y() != 0 ? delta.y() : delta.x()) / 120;
    bar->setValue(bar->value() - steps * bar->singleStep() * 3);
    event->accept();
}

void CTabs::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int hit = HitTest(event->position().toPoint());
    if (hit >= 0)
        SelectPage(hit);
}

void CTabs::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPixmap selectedTexture = FormBitmap(BitmapPageTexture);
    const QPixmap otherTexture = FormBitmap(BitmapTabTexture);
    p.setFont(m_tabFont);
    const QColor dark(0x80, 0x80, 0x80);
    const QColor light(0xD3, 0xD3, 0xD3);

    const int W = width();
    const int H = height();
    const int T = m_tabHeight;
    const int stripRight = StripRight();
    const QRect last = TabRect(PageCount() - 1);
    const int E = last.isNull() ? 0 : std::min(last.left() + last.width(), stripRight);
    // The strip right of the last tab (and under the arrows); the pages cover the rest.
    if (E < W)
        p.fillRect(QRect(E, 0, W - E, T), QColor(0xC0, 0xC0, 0xC0));

    // Tabs scrolled out to the left, or reaching under the arrows, are cut at the strip's ends.
    p.save();
    p.setClipRect(QRect(0, 0, stripRight, T));
    for (int i = 0; i < PageCount(); ++i) {
        const QRect tab = TabRect(i);
        if (tab.left() + tab.width() < 0 || tab.left() >= stripRight)
            continue;
        const int L = tab.left();
        const int T = tab.top();
        const int R = tab.left() + tab.width();
        const int B = tab.top() + tab.height();
        const QPixmap& texture = i == m_selected ? selectedTexture : otherTexture;
        if (!texture.isNull())
            p.drawTiledPixmap(tab, texture);
        else
            p.fillRect(tab, i == m_selected ? palette().window() : palette().mid());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(tab, Qt::AlignCenter | Qt::TextSingleLine, m_pages[static_cast<std::size_t>(i)].name);

        p.setPen(dark);
        PolyLine(p, {{L, B - 2}, {L, T}, {R - 1, T}, {R - 1, B - 1}});
        p.setPen(Qt::white);
        PolyLine(p, {{L + 1, B - 1}, {L + 1, T + 1}, {R - 2, T + 1}});
        PolyLine(p, {{R, T}, {R, B - 2}});
        p.setPen(light);
        PolyLine(p, {{R, 0}, {R, B}});
        if (i != m_selected) {
            // Tabs behind the page get the page's top edge across their foot.
            p.setPen(dark);
            PolyLine(p, {{L, B - 2}, {R + 1, B - 2}});
            p.setPen(Qt::white);
            PolyLine(p, {{qMax(L - 1, 1), B - 1}, {R + 1, B - 1}});
        }
    }
    p.restore();

    p.setPen(dark);
    PolyLine(p, {{0, T - 1}, {0, H - 2}, {W - 2, H - 2}, {W - 2, T - 2}, {E, T - 2}});
    p.setPen(Qt::white);
    PolyLine(p, {{1, T - 1}, {1, H - 3}});
    PolyLine(p, {{0, H - 1}, {W - 1, H - 1}, {W - 1, T}});
    PolyLine(p, {{W - 2, T - 1}, {E - 1, T - 1}});
}

} // namespace vlk
