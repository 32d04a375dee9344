#pragma once

#include "config/Catalogue.h"
#include "grid/ARecordList.h"

namespace vlk::test {

// Sets a grid up from the catalogue in the order the pages do.
inline void ApplyGridSetup(ARecordList& grid, const GridSetup& setup)
{
    grid.SetStyle(setup.style);
    if (setup.headerHeight >= 0)
        grid.SetHeaderHeight(setup.headerHeight);
    const std::vector<int> widths = setup.Widths();
    grid.SetColumns(setup.ColumnCount(), widths.data());
    for (int c = 0; c < setup.ColumnCount(); ++c) {
        const auto& column = setup.columns[static_cast<size_t>(c)];
        grid.SetColumnFlags(c, column.flags);
        if (!setup.Proportional())
            grid.SetColumnWidth(c, column.width);
        int entry = 0;
        for (const auto& picture : column.pictures)
            grid.SetColumnPicture(c, entry++, QString::fromStdString(picture.text), picture.image, picture.mask);
        if (!column.tip.empty())
            grid.SetColumnTip(c, QString::fromStdString(column.tip));
    }
    if (setup.setHeader)
        grid.SetHeaderText(QString::fromStdString(setup.header));
    if (setup.headerOnly)
        grid.SetHeaderOnly(1);
    for (const auto& row : setup.rows)
        grid.AddRow(QString::fromStdString(row));
    if (setup.currentRow >= 0)
        grid.SetCurSel(setup.currentRow);
}

} // namespace vlk::test
