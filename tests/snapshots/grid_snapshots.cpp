// Grids set up like the real tables, for a person to look at.
#include "Snapshots.h"
#include "grid/CatalogueGrids.h"
#include "grid/GridTestSupport.h"
#include "grid/RealTables.h"

#include <algorithm>

using namespace vlk;
using namespace vlk::test;
using vlk::snapshots::Save;

namespace {

QImage Snapshot(GridFixture& f, const char* name)
{
    QApplication::processEvents();
    QImage image = f.grid->grab().toImage();
    Save(image, QLatin1String(name));
    return image;
}

} // namespace

TEST(GridSnapshots, LampOutputTable)
{
    GridFixture f(QSize(1000, 420));
    ApplyGridSetup(*f.grid, Catalogue::Grid(TableId::LampOutput));
    for (int r = 0; r < 72; ++r)
        f.grid->SetCheck(r, 2 + (r % 48), true);
    f.Show();
    Snapshot(f, "lamp_output_table.png");
}

TEST(GridSnapshots, ProgramTable)
{
    GridFixture f(QSize(900, 180));
    ApplyGridSetup(*f.grid, Catalogue::Grid(TableId::Program));
    for (int r = 0; r < 8; ++r)
        f.grid->SetCellText(r, 1, QString::number(10 + r));
    f.grid->SetCheck(2, 2, true);
    f.grid->SetCheck(4, 6, true);
    f.Show();
    Snapshot(f, "program_table.png");
}

TEST(GridSnapshots, ConsoleLightsGrid)
{
    GridFixture f(QSize(560, 92));
    ApplyGridSetup(*f.grid, Catalogue::Grid(TableId::ConsoleLights));
    const QString states[] = {QStringLiteral("К"), QStringLiteral("Ж"), QStringLiteral("З"), QStringLiteral(" ")};
    for (int c = 1; c <= 24; ++c) {
        f.grid->SetCellText(0, c, c % 3 == 0 ? states[0] : states[3]);
        f.grid->SetCellText(1, c, c % 4 == 0 ? states[1] : states[3]);
        f.grid->SetCellText(2, c, c % 3 != 0 ? states[2] : states[3]);
        if (c > 12)
            f.grid->SetCellText(3, c, c == 20 ? QStringLiteral("А") : QStringLiteral("Н"));
    }
    f.Show();
    Snapshot(f, "console_lights_grid.png");
    // The same at device pixel ratio 2.
    QImage sharp(f.View()->size() * 2, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2.0);
    sharp.fill(Qt::white);
    f.View()->render(&sharp);
    Save(sharp, QStringLiteral("console_lights_grid@2x.png"));
}

TEST(GridSnapshots, SelectedRowsAndEditor)
{
    GridFixture f(QSize(420, 200));
    f.grid->SetStyle(0x14);
    const int widths[] = {60, 80, 60, 60};
    f.grid->SetColumns(4, widths);
    f.grid->SetColumnFlags(0, 16);
    f.grid->SetColumnFlags(1, 14);
    f.grid->SetColumnFlags(2, 68);
    f.grid->SetColumnFlags(3, 196);
    f.grid->SetHeaderText(QStringLiteral("№\tВремя\tТВП1\tОчень длинный заголовок столбца"));
    for (int r = 0; r < 5; ++r)
        f.grid->AddRow(QStringLiteral("%1\t%2\tX\t%3").arg(r + 1).arg(r * 7).arg(r == 1 ? "X" : ""));
    f.Show();
    f.grid->setFocus();
    f.grid->SetCurSel(1);
    Snapshot(f, "selected_focused.png");
    f.form.setFocus();
    f.grid->clearFocus();
    Snapshot(f, "selected_unfocused.png");
    f.grid->BeginEdit(3, 1);
    Snapshot(f, "editing.png");
}

// Every table of the catalogue, as the pages set it up, one picture each.
TEST(GridSnapshots, EveryCatalogueTable)
{
    for (const auto& setup : Catalogue::Grids()) {
        int width = 0;
        if (setup.Proportional())
            width = 640;
        else
            for (const auto& column : setup.columns)
                width += column.width;
        const int rows = setup.headerOnly ? 0 : static_cast<int>(setup.rows.size());
        const QSize size(std::clamp(width + 2, 120, 1300),
                         std::clamp((setup.headerHeight < 0 ? 16 : setup.headerHeight) + 1 + rows * 18 + 18, 20, 900));
        GridFixture f(size);
        ApplyGridSetup(*f.grid, setup);
        f.Show();
        const std::string name = "catalogue_" + setup.name + ".png";
        Snapshot(f, name.c_str());
    }
}
