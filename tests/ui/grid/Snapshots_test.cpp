// Grids set up like the real tables: the few things their pictures must show. (`make snapshots`
// writes the pictures themselves, for a person to look at.)
#include "GridTestSupport.h"
#include "CatalogueGrids.h"
#include "RealTables.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

QImage Picture(GridFixture& f)
{
    QApplication::processEvents();
    return f.grid->grab().toImage();
}

} // namespace

TEST(GridSnapshots, LampOutputTable)
{
    GridFixture f(QSize(1000, 420));
    ApplyGridSetup(*f.grid, Catalogue::Grid(TableId::LampOutput));
    for (int r = 0; r < 72; ++r)
        f.grid->SetCheck(r, 2 + (r % 48), true);
    f.Show();
    const QImage image = Picture(f);
    // The red lamp of row 0 lies in column 1; its centre is red.
    const QPoint lamp = Centre(f.grid->GetCellRect(0, 1));
    const QColor c = image.pixelColor(lamp);
    EXPECT_GT(c.red(), 150);
    EXPECT_LT(c.green(), 100);
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
    // The same at device pixel ratio 2: pictures are drawn for it, not scaled up.
    QImage sharp(f.View()->size() * 2, QImage::Format_RGB32);
    sharp.setDevicePixelRatio(2.0);
    sharp.fill(Qt::white);
    f.View()->render(&sharp);
    const QPoint lamp = Centre(f.grid->GetCellRect(0, 3)) * 2;
    EXPECT_GT(sharp.pixelColor(lamp).red(), 150);
}

// Every table of the catalogue, as the pages set it up.
TEST(GridSnapshots, EveryCatalogueTable)
{
    for (const auto& setup : Catalogue::Grids()) {
        SCOPED_TRACE(setup.name);
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
        EXPECT_EQ(f.grid->GetColumnCount(), setup.ColumnCount());
        EXPECT_EQ(f.grid->GetRowCount(), static_cast<int>(setup.rows.size()));
    }
}
