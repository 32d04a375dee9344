#pragma once

#include "config/Catalogue.h"
#include "forms/AFormWnd.h"
#include "pages/ConfigWnd.h"
#include "pages/DeskWnd.h"
#include "pages/DiagramWnd.h"
#include "pages/DirectionWnd.h"
#include "pages/GraficWnd.h"
#include "pages/MeasureWnd.h"
#include "pages/OutputWnd.h"
#include "pages/PageEdits.h"
#include "pages/PageSet.h"
#include "pages/ProgramWnd.h"
#include "pages/TimingWnd.h"

#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>

#include <vector>

class QScrollBar;
class QToolButton;

namespace vlk {

// The tab host: owns the seven pages, the diagrams and the timing calculation, shows one at a time under a strip of tabs it paints itself.
// Switching tabs only hides and shows pages, so the whole configuration always stays in them.
// Small windows stay usable: when the tabs do not fit, arrows at the strip's right end scroll
// it; a page never shrinks below the size at which its texts and controls still fit, and the
// host scrolls it instead; Ctrl+Tab / Ctrl+Shift+Tab and Ctrl+PgDn / Ctrl+PgUp switch pages.
class CTabs : public QWidget {
    Q_OBJECT
public:
    struct tagPAGE {
        QWidget* window = nullptr;
        QString name; // up to 127 characters
    };

    // The catalogue's pages come first, in its order; a page added later goes after them.
    static constexpr int DirectionsTab = static_cast<int>(PageId::Directions);
    static constexpr int ProgramsTab = static_cast<int>(PageId::Programs);
    static constexpr int SchedulesTab = static_cast<int>(PageId::Schedules);
    static constexpr int ConsoleTab = static_cast<int>(PageId::Console);
    static constexpr int OutputsTab = static_cast<int>(PageId::Outputs);
    static constexpr int SensorsTab = static_cast<int>(PageId::Sensors);
    static constexpr int ZadTab = static_cast<int>(PageId::Zad);
    static constexpr int DiagramsTab = 7; // after the seven pages of the configuration
    static constexpr int TimingTab = 8;   // "Расчёт", after the diagrams

    // The pages' messages go to `messages`, the owner's.
    explicit CTabs(Messages& messages, QWidget* parent = nullptr);
    ~CTabs() override;

    CTabs(const CTabs&) = delete;
    CTabs& operator=(const CTabs&) = delete;

    void AddPage(int index, const QString& label, QWidget* page);
    // The rectangle of tab `index`, or an empty one for an unknown index. With the strip
    // scrolled, tabs left of the first shown one lie at negative x.
    [[nodiscard]] QRect TabRect(int index) const;
    // The index of the tab under `point`, or -1 (the gaps between tabs, and the strip's
    // arrows, belong to none).
    [[nodiscard]] int HitTest(QPoint point) const;
    // Shows the page and brings its tab into the strip.
    void SelectPage(int index);
    // The next or previous page, going round (Ctrl+Tab, Ctrl+PgDn; Ctrl+Shift+Tab, Ctrl+PgUp).
    void SelectNextPage(bool forward);
    // Closes every open cell editor of every page into its cell, as Enter would, so that a
    // command reading or replacing the pages sees what the user typed. False when a page
    // refused a value (its editor stays open).
    [[nodiscard]] bool CommitEdits();

    [[nodiscard]] int Selected() const { return m_selected; }
    [[nodiscard]] int TabHeight() const { return m_tabHeight; }
    [[nodiscard]] int PageCount() const { return static_cast<int>(m_pages.size()); }
    [[nodiscard]] const tagPAGE& Page(int index) const { return m_pages.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] const QFont& TabFont() const { return m_tabFont; }

    // The strip's scrolling: the first tab shown, and the arrows (visible only when the tabs do
    // not fit). Tabs are drawn and hit only left of StripRight().
    [[nodiscard]] int FirstTab() const { return m_firstTab; }
    [[nodiscard]] int StripRight() const;
    [[nodiscard]] QToolButton* ScrollLeftButton() const { return m_left; }
    [[nodiscard]] QToolButton* ScrollRightButton() const { return m_right; }
    // The smallest size page `index` is given; below it the host scrolls the page.
    [[nodiscard]] QSize PageMinimum(int index) const;
    // The host's scroll bars of the selected page (visible only when it does not fit).
    [[nodiscard]] QScrollBar* PageHorizontalBar() const { return m_hbar; }
    [[nodiscard]] QScrollBar* PageVerticalBar() const { return m_vbar; }
    // Scrolls the selected page so that `widget` (one of its controls) is in view.
    void EnsureVisible(const QWidget* widget);

    // The pages, for the code that reads and writes the configuration.
    [[nodiscard]] CDirectionWnd& DirectionPage() { return m_directionPage; }
    [[nodiscard]] CProgramWnd& ProgramPage() { return m_programPage; }
    [[nodiscard]] CDeskWnd& DeskPage() { return m_deskPage; }
    [[nodiscard]] COutputWnd& OutputPage() { return m_outputPage; }
    [[nodiscard]] CMeasureWnd& MeasurePage() { return m_measurePage; }
    [[nodiscard]] CGraficWnd& GraficPage() { return m_graficPage; }
    [[nodiscard]] CConfigWnd& ConfigPage() { return m_configPage; }
    // The pages that hold the configuration, for ConfigPages.
    [[nodiscard]] PageSet Pages();
    // Says once for every change the user makes on the seven configuration pages.
    [[nodiscard]] PageEdits& Edits() { return m_edits; }
    [[nodiscard]] CDiagramWnd& DiagramPage() { return m_diagramPage; }
    [[nodiscard]] CTimingWnd& TimingPage() { return m_timingPage; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void AppendDiagramPage();
    void AppendTimingPage();
    [[nodiscard]] int LabelWidth(int index) const;
    // Left edge of tab `index` with the strip unscrolled.
    [[nodiscard]] int TabOffset(int index) const;
    [[nodiscard]] bool TabsOverflow() const;
    void ScrollTabs(int delta);
    void EnsureTabShown(int index);
    void LayoutStrip();
    void LayoutPages();

    CDirectionWnd m_directionPage;
    CProgramWnd m_programPage;
    CDeskWnd m_deskPage;
    COutputWnd m_outputPage;
    CMeasureWnd m_measurePage;
    CGraficWnd m_graficPage;
    CConfigWnd m_configPage;
    PageEdits m_edits;
    CDiagramWnd m_diagramPage;
    CTimingWnd m_timingPage;
    std::vector<tagPAGE> m_pages;
    QFont m_tabFont;
    int m_tabHeight = 30;
    int m_selected = ConsoleTab;
    int m_firstTab = 0;
    QWidget* m_pageArea = nullptr; // clips the pages to the area under the strip
    QScrollBar* m_hbar = nullptr;
    QScrollBar* m_vbar = nullptr;
    QWidget* m_corner = nullptr;
    QToolButton* m_left = nullptr;
    QToolButton* m_right = nullptr;
};

} // namespace vlk
