#pragma once

#include "config/Catalogue.h"
#include "grid/ARecordList.h"

#include <QFontMetrics>
#include <QString>

#include <gtest/gtest.h>

#include <vector>

namespace vlk::test {

inline QString U(const char* text)
{
    return QString::fromUtf8(text);
}

// The grid holds what the catalogue says it is handed: style, columns, flags, widths or shares,
// pictures, tips, titles and rows. With `headersFitted` a column may be wider than the catalogue
// says, but only as wide as its title needs.
inline void ExpectGridMatchesCatalogue(const ARecordList& grid, TableId id, bool headersFitted = false)
{
    const GridSetup& setup = Catalogue::Grid(id);
    SCOPED_TRACE(setup.name);
    EXPECT_EQ(grid.ControlId(), setup.control);
    EXPECT_EQ(grid.GetStyle(), setup.style);
    ASSERT_EQ(grid.GetColumnCount(), setup.ColumnCount());
    const std::vector<std::string> titles = setup.Titles();
    for (int c = 0; c < setup.ColumnCount(); ++c) {
        const ColumnSetup& column = setup.columns[static_cast<std::size_t>(c)];
        const ColumnRecord& record = grid.Model().Column(c);
        EXPECT_EQ(record.flags, column.flags) << c;
        if (setup.Proportional())
            EXPECT_DOUBLE_EQ(record.percent, column.width) << c;
        else if (!headersFitted || record.width == column.width)
            EXPECT_EQ(record.width, column.width) << c;
        else
            EXPECT_EQ(record.width, QFontMetrics(*grid.GetFont()).horizontalAdvance(grid.GetColumnTitle(c)) + 4) << c;
        EXPECT_EQ(record.tip, QString::fromStdString(column.tip)) << c;
        for (std::size_t e = 0; e < column.pictures.size(); ++e) {
            EXPECT_EQ(record.pictures[e].text, QString::fromStdString(column.pictures[e].text));
            EXPECT_EQ(record.pictures[e].image, column.pictures[e].image);
            EXPECT_EQ(record.pictures[e].mask, column.pictures[e].mask);
        }
        const QString title = c < static_cast<int>(titles.size()) ? QString::fromStdString(titles[c]) : QString();
        EXPECT_EQ(grid.GetColumnTitle(c), title) << c;
    }
    ASSERT_EQ(grid.GetRowCount(), static_cast<int>(setup.rows.size()));
    for (int r = 0; r < grid.GetRowCount(); ++r) {
        const std::vector<std::string> cells = Catalogue::SplitTabs(setup.rows[static_cast<std::size_t>(r)]);
        for (int c = 0; c < static_cast<int>(cells.size()); ++c)
            EXPECT_EQ(grid.GetCellText(r, c), QString::fromStdString(cells[static_cast<std::size_t>(c)]))
                << r << "," << c;
    }
}

} // namespace vlk::test
