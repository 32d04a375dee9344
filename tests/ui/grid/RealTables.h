#pragma once

#include "grid/ARecordList.h"

#include <QString>

#include <vector>

namespace vlk::test {

// Grids set up as the pages set up their real tables.

// The lamp-output table: 72 rows (К, Ж, З of 24 directions) by 50 columns.
inline void SetUpLampOutputTable(ARecordList& grid)
{
    grid.SetStyle(0x18);
    std::vector<int> widths(50, 18);
    widths[0] = 30;
    widths[1] = 30;
    grid.SetColumns(50, widths.data());
    grid.SetColumnFlags(0, 16);
    grid.SetColumnFlags(1, 2048);
    grid.SetColumnPicture(1, 0, QStringLiteral("К"), 136, 155);
    grid.SetColumnPicture(1, 1, QStringLiteral("Ж"), 139, 155);
    grid.SetColumnPicture(1, 2, QStringLiteral("З"), 138, 155);
    for (int c = 2; c < 50; ++c)
        grid.SetColumnFlags(c, 68);
    QString header = QStringLiteral("Направление\tЛампа");
    for (int i = 1; i <= 48; ++i)
        header += QStringLiteral("\t%1").arg(i);
    grid.SetHeaderText(header);
    for (int d = 1; d <= 24; ++d) {
        grid.AddRow(QStringLiteral("%1\tК").arg(d));
        grid.AddRow(QStringLiteral("\tЖ"));
        grid.AddRow(QStringLiteral("\tЗ"));
    }
}

// The program table: 8 phase rows, nine programs of time, ТВП1, ТВП2.
inline void SetUpProgramTable(ARecordList& grid)
{
    grid.SetStyle(0x1C);
    std::vector<int> widths(28);
    widths[0] = 46;
    for (int i = 1; i <= 9; ++i) {
        widths[3 * i - 2] = 40;
        widths[3 * i - 1] = 30;
        widths[3 * i] = 32;
    }
    grid.SetColumns(28, widths.data());
    grid.SetColumnFlags(0, 16);
    for (int i = 1; i <= 9; ++i) {
        grid.SetColumnFlags(3 * i - 2, 14);
        grid.SetColumnFlags(3 * i - 1, 196);
        grid.SetColumnFlags(3 * i, 196);
    }
    QString header = QStringLiteral("№ фазы");
    for (int i = 0; i < 9; ++i)
        header += QStringLiteral("\tВремя\tТВП1\tТВП2");
    grid.SetHeaderText(header);
    for (int r = 1; r <= 8; ++r)
        grid.AddRow(QString::number(r));
}

// The console's lights grid: 4 rows by 25 columns of lamp pictures, header "Цвет", 1..24.
inline void SetUpLightsGrid(ARecordList& grid)
{
    grid.SetStyle(0x18);
    std::vector<int> widths(25, 20);
    widths[0] = 50;
    grid.SetColumns(25, widths.data());
    for (int c = 1; c <= 24; ++c) {
        grid.SetColumnFlags(c, 2048);
        grid.SetColumnPicture(c, 0, QStringLiteral("К"), 136, 155);
        grid.SetColumnPicture(c, 1, QStringLiteral("Ж"), 139, 155);
        grid.SetColumnPicture(c, 2, QStringLiteral("З"), 138, 155);
        grid.SetColumnPicture(c, 3, QStringLiteral(" "), 137, 155);
        grid.SetColumnPicture(c, 4, QStringLiteral("А"), 181, 155);
        grid.SetColumnPicture(c, 5, QStringLiteral("Н"), 182, 155);
    }
    QString header = QStringLiteral("Цвет");
    for (int i = 1; i <= 24; ++i)
        header += QStringLiteral("\t%1").arg(i);
    grid.SetHeaderText(header);
    const QString blanks = QStringLiteral("\t ").repeated(24);
    grid.AddRow(QStringLiteral("Красный") + blanks);
    grid.AddRow(QStringLiteral("Желтый") + blanks);
    grid.AddRow(QStringLiteral("Зеленый") + blanks);
    grid.AddRow(QStringLiteral("Авария") + QStringLiteral("\tН ").repeated(24));
}

} // namespace vlk::test
