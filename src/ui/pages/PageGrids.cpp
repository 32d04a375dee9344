#include "pages/PageGrids.h"

#include "forms/AFormWnd.h"
#include "grid/ARecordList.h"
#include "util/NumberText.h"

#include <QEvent>
#include <QFontMetrics>

#include <limits>

namespace vlk::PageGrids {

void SetUp(ARecordList& grid, const GridSetup& setup)
{
    grid.SetStyle(setup.style);
    if (setup.headerHeight >= 0)
        grid.SetHeaderHeight(setup.headerHeight);
    const std::vector<int> widths = setup.Widths();
    grid.SetColumns(setup.ColumnCount(), widths.data());
    for (int c = 0; c < setup.ColumnCount(); ++c) {
        const ColumnSetup& column = setup.columns[static_cast<std::size_t>(c)];
        grid.SetColumnFlags(c, column.flags);
        // A proportional grid has its shares already; SetColumnWidth would set pixels.
        if (!setup.Proportional())
            grid.SetColumnWidth(c, column.width);
        int entry = 0;
        for (const PictureEntry& picture : column.pictures)
            grid.SetColumnPicture(c, entry++, QString::fromStdString(picture.text), picture.image, picture.mask);
        if (!column.tip.empty())
            grid.SetColumnTip(c, QString::fromStdString(column.tip));
    }
    if (setup.setHeader)
        grid.SetHeaderText(QString::fromStdString(setup.header));
    if (setup.headerOnly)
        grid.SetHeaderOnly(1);
    for (const std::string& row : setup.rows)
        grid.AddRow(QString::fromStdString(row));
    if (setup.currentRow >= 0)
        grid.SetCurSel(setup.currentRow);
}

ARecordList* SetUp(AFormWnd& page, TableId id, Messages& messages)
{
    const GridSetup& setup = Catalogue::Grid(id);
    auto* grid = page.Item<ARecordList>(setup.control);
    if (grid) {
        SetUp(*grid, setup);
        grid->SetMessages(&messages);
    }
    return grid;
}

void FitColumnsToHeaders(ARecordList& grid)
{
    const QFontMetrics metrics(*grid.GetFont());
    // The painter keeps two pixels clear on each side of a title.
    constexpr int kPadding = 2 * 2;
    for (int c = 0; c < grid.GetColumnCount(); ++c) {
        // An untitled column is hidden on purpose (width 0) and stays so.
        if (grid.GetColumnTitle(c).isEmpty())
            continue;
        const int needed = metrics.horizontalAdvance(grid.GetColumnTitle(c)) + kPadding;
        if (grid.GetColumnWidth(c) < needed)
            grid.SetColumnWidth(c, needed);
    }
}

void PlaceStripAbove(ARecordList& strip, const ARecordList& table)
{
    const QRect own = strip.geometry();
    const int height = qMax(1, table.geometry().top() + 1 - own.top());
    strip.setGeometry(own.left(), own.top(), own.width(), height);
    strip.SetHeaderHeight(height);
    strip.viewport()->update();
}

namespace {

// Sets the grid's row height whenever its client area changes size.
class RowFiller final : public QObject {
public:
    RowFiller(ARecordList& grid, int rows) : QObject(&grid), m_grid(grid), m_rows(rows)
    {
        grid.viewport()->installEventFilter(this);
        Apply();
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            Apply();
        return false;
    }

private:
    void Apply()
    {
        const int height = FillingRowHeight(m_grid, m_rows);
        if (height != m_grid.GetRowHeight())
            m_grid.SetRowHeight(height);
    }

    ARecordList& m_grid;
    int m_rows;
};

} // namespace

int FillingRowHeight(const ARecordList& grid, int rows)
{
    if (rows <= 0)
        return grid.GetRowHeight();
    return qMax(1, (grid.viewport()->height() - grid.GetHeaderHeight()) / rows);
}

void KeepRowsFilling(ARecordList& grid, int rows)
{
    new RowFiller(grid, rows);
}

std::optional<long long> DialogItemInt(const QString& text)
{
    return NumberText::DialogInt(text.toStdString());
}

} // namespace vlk::PageGrids
