#include "config/Catalogue.h"

#include <gtest/gtest.h>

#include <set>

using namespace vlk;

namespace {

std::vector<int> Flags(const GridSetup& g)
{
    std::vector<int> f;
    for (const auto& c : g.columns)
        f.push_back(c.flags);
    return f;
}

} // namespace

TEST(Catalogue, FlagAndStyleNamesHaveTheirValues)
{
    EXPECT_EQ(RLS_PROPORTIONAL, 0x01);
    EXPECT_EQ(RLS_SYNCEDITOR, 0x04);
    EXPECT_EQ(RLS_NOSELECT, 0x08);
    EXPECT_EQ(RLS_FIXEDCOLUMNS, 0x10);
    EXPECT_EQ(RLC_ZETKIND1, 0x001);
    EXPECT_EQ(RLC_ZETKIND2, 0x002);
    EXPECT_EQ(RLC_EDIT, 0x004);
    EXPECT_EQ(RLC_RIGHT, 0x008);
    EXPECT_EQ(RLC_CENTER, 16);
    EXPECT_EQ(RLC_CHECK, 0x040);
    EXPECT_EQ(RLC_RADIO, 0x080);
    EXPECT_EQ(RLC_PICTURES, 2048);
    EXPECT_EQ(kColumnNumber, 14);
    EXPECT_EQ(kColumnCheck, 68);
    EXPECT_EQ(kColumnSingleCheck, 196);
}

TEST(Catalogue, PagesInTabOrder)
{
    const auto& pages = Catalogue::Pages();
    ASSERT_EQ(pages.size(), 7u);
    const char* captions[] = {"Направления", "Программы", "Графики работы", "Пульт",
                              "Привязка выходов", "Привязка датчиков", "Конфигурация для ZAD"};
    const char* classes[] = {"CDirectionWnd", "CProgramWnd", "CGraficWnd", "CDeskWnd",
                             "COutputWnd", "CMeasureWnd", "CConfigWnd"};
    const int templates[] = {130, 131, 159, 135, 141, 142, 183};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(static_cast<int>(pages[i].id), i);
        EXPECT_EQ(pages[i].caption, captions[i]);
        EXPECT_EQ(pages[i].className, classes[i]);
        EXPECT_EQ(pages[i].dialogTemplate, templates[i]);
        EXPECT_EQ(&Catalogue::Page(pages[i].id), &pages[i]);
    }
}

TEST(Catalogue, EveryGridOnceWithItsPageAndControl)
{
    struct Expect { TableId id; const char* name; PageId page; int control; int columns; int style; };
    const Expect all[] = {
        {TableId::PhaseMinTime, "PhaseMinTimeTable", PageId::Directions, 1001, 2, 0x1D},
        {TableId::Priority, "PriorityTable", PageId::Directions, 1002, 2, 0x15},
        {TableId::DirectionGroupStrip, "DirectionGroupStrip", PageId::Directions, 1019, 3, 0x15},
        {TableId::Direction, "DirectionTable", PageId::Directions, 1003, 14, 0x1D},
        {TableId::ProgramGroupStrip, "ProgramGroupStrip", PageId::Programs, 1018, 10, 0x14},
        {TableId::Program, "ProgramTable", PageId::Programs, 1017, 28, 0x1C},
        {TableId::LampOutput, "LampOutputTable", PageId::Outputs, 1042, 50, 0x18},
        {TableId::WaitBoard, "WaitBoardTable", PageId::Outputs, 1043, 49, 0x18},
        {TableId::RedSensor, "RedSensorTable", PageId::Sensors, 1054, 32, 0x18},
        {TableId::GreenSensor, "GreenSensorTable", PageId::Sensors, 1055, 32, 0x18},
        {TableId::MinSignalTime, "MinSignalTimeTable", PageId::Zad, 1015, 25, 0x1C},
        {TableId::InterGreen, "InterGreenTable", PageId::Zad, 1075, 25, 0x1C},
        {TableId::ConsoleState, "StateGrid", PageId::Console, 1020, 2, 0x19},
        {TableId::ConsoleLights, "LightsGrid", PageId::Console, 1021, 25, 0x18},
        {TableId::ConsoleSensors, "SensorsGrid", PageId::Console, 1022, 25, 0x18},
    };
    EXPECT_EQ(Catalogue::Grids().size(), std::size(all));
    for (const auto& e : all) {
        SCOPED_TRACE(e.name);
        const GridSetup& g = Catalogue::Grid(e.id);
        EXPECT_EQ(g.name, e.name);
        EXPECT_EQ(g.page, e.page);
        EXPECT_EQ(g.control, e.control);
        EXPECT_EQ(g.ColumnCount(), e.columns);
        EXPECT_EQ(g.style, e.style);
        EXPECT_EQ(g.style & 0x02, 0) << "reserved style bit";
        EXPECT_EQ(Catalogue::Find(e.page, e.control), &g);
        for (const auto& c : g.columns)
            EXPECT_EQ(c.flags & ~(0x001 | 0x002 | 0x004 | 0x008 | 0x010 | 0x040 | 0x080 | 0x800), 0);
    }
    // 1075 is a grid on the ZAD page only; on the schedules page it is a day chart.
    EXPECT_EQ(Catalogue::Find(PageId::Schedules, 1075), nullptr);
    EXPECT_EQ(Catalogue::DayCharts()[3].control, 1075);
    EXPECT_EQ(Catalogue::DayCharts()[3].caption, "ЧТ");

    std::vector<int> directionsOrder;
    for (const auto* g : Catalogue::GridsOf(PageId::Directions))
        directionsOrder.push_back(g->control);
    EXPECT_EQ(directionsOrder, (std::vector<int>{1001, 1002, 1019, 1003}));
}

TEST(Catalogue, DirectionsPageGrids)
{
    const auto& phase = Catalogue::Grid(TableId::PhaseMinTime);
    EXPECT_EQ(phase.header, "№ фазы\tМин. время, сек");
    EXPECT_EQ(phase.Widths(), (std::vector<int>{40, 60}));
    EXPECT_EQ(Flags(phase), (std::vector<int>{16, 14}));
    EXPECT_EQ(phase.rows, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));

    const auto& prio = Catalogue::Grid(TableId::Priority);
    EXPECT_EQ(prio.header, "Приоритет\tЗапрос");
    EXPECT_EQ(prio.Widths(), (std::vector<int>{50, 50}));
    EXPECT_EQ(Flags(prio), (std::vector<int>{16, 16}));
    EXPECT_EQ(prio.columns[0].tip, "Номер приоритета");
    EXPECT_EQ(prio.columns[1].tip, "Запросы управления");
    EXPECT_EQ(prio.rows, (std::vector<std::string>{"1\tРУП", "2\tРУС", "3\tЗУ", "4\tДУ", "5\tКУ", "6\tПР0",
                                                   "7\tТВП", "8\tМГР", "9\tЛС", "10\tРП"}));
    EXPECT_EQ(prio.currentRow, 0);

    const auto& strip = Catalogue::Grid(TableId::DirectionGroupStrip);
    EXPECT_EQ(strip.header, "\tФазы\tПромежуточные такты");
    EXPECT_EQ(strip.Widths(), (std::vector<int>{4, 32, 64}));
    EXPECT_EQ(Flags(strip), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(strip.rows.empty());

    const auto& dir = Catalogue::Grid(TableId::Direction);
    EXPECT_EQ(dir.header, "№\t1\t2\t3\t4\t5\t6\t7\t8\tТ зел.\tТ зел.миг.\tТ жел.\tТ.кр\tТ кр.жел.");
    EXPECT_EQ(dir.Widths(), (std::vector<int>{4, 4, 4, 4, 4, 4, 4, 4, 4, 13, 13, 13, 13, 13}));
    EXPECT_EQ(Flags(dir), (std::vector<int>{16, 68, 68, 68, 68, 68, 68, 68, 68, 14, 14, 14, 14, 14}));
    ASSERT_EQ(dir.rows.size(), 24u);
    EXPECT_EQ(dir.rows[0], "1\t");
    EXPECT_EQ(dir.rows[23], "24\t");
    EXPECT_TRUE(dir.Proportional());
}

TEST(Catalogue, ProgramPageGrids)
{
    const auto& strip = Catalogue::Grid(TableId::ProgramGroupStrip);
    EXPECT_EQ(strip.header, "\tПрограмма 1\tПрограмма 2\tПрограмма 3\tПрограмма 4\tПрограмма 5"
                            "\tПрограмма 6\tПрограмма 7\tПрограмма 8\tПрограмма 9");
    EXPECT_TRUE(strip.headerOnly);
    EXPECT_EQ(strip.Widths(), (std::vector<int>{46, 102, 102, 102, 102, 102, 102, 102, 102, 102}));
    EXPECT_EQ(strip.columns[0].flags, 16);
    EXPECT_EQ(strip.columns[5].flags, 0);
    EXPECT_FALSE(strip.Proportional());

    const auto& prog = Catalogue::Grid(TableId::Program);
    const auto titles = prog.Titles();
    ASSERT_EQ(titles.size(), 28u);
    EXPECT_EQ(titles[0], "№ фазы");
    EXPECT_EQ(titles[13], "Время");  // program 5
    EXPECT_EQ(titles[14], "ТВП1");
    EXPECT_EQ(titles[15], "ТВП2");
    EXPECT_EQ(titles[27], "ТВП2");
    EXPECT_EQ(prog.columns[0].width, 46);
    EXPECT_EQ(prog.columns[0].flags, 16);
    for (int i = 1; i <= 9; ++i) {
        EXPECT_EQ(prog.columns[3 * i - 2].width, 40);
        EXPECT_EQ(prog.columns[3 * i - 2].flags, 14);
        EXPECT_EQ(prog.columns[3 * i - 1].width, 30);
        EXPECT_EQ(prog.columns[3 * i - 1].flags, 196);
        EXPECT_EQ(prog.columns[3 * i].width, 32);
        EXPECT_EQ(prog.columns[3 * i].flags, 196);
    }
    EXPECT_EQ(prog.rows.size(), 8u);
    EXPECT_EQ(prog.rows[7], "8");
    EXPECT_EQ(prog.dataColumns, 27);
}

TEST(Catalogue, OutputBindingGrids)
{
    const auto& lamp = Catalogue::Grid(TableId::LampOutput);
    const auto titles = lamp.Titles();
    ASSERT_EQ(titles.size(), 50u);
    EXPECT_EQ(titles[0], "Направление");
    EXPECT_EQ(titles[1], "Лампа");
    EXPECT_EQ(titles[2], "1");
    EXPECT_EQ(titles[49], "48");
    EXPECT_EQ(lamp.group, " Привязка ламп направлений к выходам ");
    ASSERT_EQ(lamp.rows.size(), 72u);
    EXPECT_EQ(lamp.rows[0], "1\tК");
    EXPECT_EQ(lamp.rows[1], "\tЖ");
    EXPECT_EQ(lamp.rows[2], "\tЗ");
    EXPECT_EQ(lamp.rows[69], "24\tК");
    EXPECT_EQ(lamp.rows[71], "\tЗ");
    EXPECT_EQ(lamp.columns[0].width, 30);
    EXPECT_EQ(lamp.columns[1].width, 30);
    EXPECT_EQ(lamp.columns[2].width, 18);
    EXPECT_EQ(lamp.columns[0].flags, 16);
    EXPECT_EQ(lamp.columns[1].flags, 2048);
    EXPECT_EQ(lamp.columns[49].flags, 68);
    const auto& pics = lamp.columns[1].pictures;
    ASSERT_EQ(pics.size(), 3u);
    EXPECT_EQ(pics[0].text, "К");
    EXPECT_EQ(pics[0].image, 136);
    EXPECT_EQ(pics[1].text, "Ж");
    EXPECT_EQ(pics[1].image, 139);
    EXPECT_EQ(pics[2].text, "З");
    EXPECT_EQ(pics[2].image, 138);
    for (const auto& p : pics)
        EXPECT_EQ(p.mask, 155);
    EXPECT_TRUE(lamp.columns[2].pictures.empty());
    EXPECT_EQ(lamp.firstDataColumn, 2);
    EXPECT_EQ(lamp.dataColumns, 48);

    const auto& wait = Catalogue::Grid(TableId::WaitBoard);
    EXPECT_EQ(wait.Titles().front(), "№ ТВП");
    EXPECT_EQ(wait.Titles().back(), "48");
    EXPECT_EQ(wait.rows, (std::vector<std::string>{"ТВП 1", "ТВП 2"}));
    EXPECT_EQ(wait.group, " Привязка табло «ЖДИТЕ» для ТВП ");
    EXPECT_EQ(wait.columns[0].width, 60);
    EXPECT_EQ(wait.columns[48].width, 18);
    EXPECT_EQ(wait.columns[48].flags, 68);
}

TEST(Catalogue, SensorTablesLeaveTheirLastColumnsUntitledAndEmpty)
{
    const auto& red = Catalogue::Grid(TableId::RedSensor);
    EXPECT_EQ(red.header, "Направление\t1-2\t3-4\t5-6\t7-8\t9-10\t11-12\t13-14\t15-16\t17-18\t19-20"
                          "\t21-22\t23-24\t25-26\t27-28\t29-30\t31-32");
    EXPECT_EQ(red.Titles().size(), 17u);
    EXPECT_EQ(red.columns[0].flags, 8);
    EXPECT_EQ(red.columns[0].width, 40);
    EXPECT_EQ(red.columns[16].flags, 196);
    EXPECT_EQ(red.columns[16].width, 40);
    for (int c = 17; c <= 31; ++c) {
        EXPECT_EQ(red.columns[c].width, 0) << c;
        EXPECT_EQ(red.columns[c].flags, 0) << c;
    }
    EXPECT_EQ(red.dataColumns, 16);
    EXPECT_EQ(red.rows.size(), 24u);
    EXPECT_EQ(red.group, " Привязка датчиков контроля групп красных ламп ");

    const auto& green = Catalogue::Grid(TableId::GreenSensor);
    EXPECT_EQ(green.Titles().size(), 25u);
    EXPECT_EQ(green.Titles()[24], "24");
    EXPECT_EQ(green.columns[24].flags, 196);
    EXPECT_EQ(green.columns[24].width, 30);
    for (int c = 25; c <= 31; ++c) {
        EXPECT_EQ(green.columns[c].width, 0) << c;
        EXPECT_EQ(green.columns[c].flags, 0) << c;
    }
    EXPECT_EQ(green.dataColumns, 24);
    EXPECT_EQ(green.group, " Привязка датчиков  контроля зеленых ламп "); // two blanks, as the station has it
}

TEST(Catalogue, ZadGrids)
{
    const auto& min = Catalogue::Grid(TableId::MinSignalTime);
    EXPECT_EQ(min.header.substr(0, 6), "\t1\t2\t3");
    EXPECT_EQ(min.Titles().size(), 25u);
    EXPECT_EQ(min.Titles()[0], "");
    EXPECT_EQ(min.rows, (std::vector<std::string>{"К", "З"}));
    EXPECT_EQ(min.columns[0].flags, 2048);
    ASSERT_EQ(min.columns[0].pictures.size(), 2u);
    EXPECT_EQ(min.columns[0].pictures[0].text, "К");
    EXPECT_EQ(min.columns[0].pictures[0].image, 136);
    EXPECT_EQ(min.columns[0].pictures[1].text, "З");
    EXPECT_EQ(min.columns[0].pictures[1].image, 138);
    EXPECT_EQ(min.columns[0].pictures[1].mask, 155);
    EXPECT_EQ(min.columns[24].flags, 14);
    EXPECT_EQ(min.columns[24].width, 35);

    const auto& inter = Catalogue::Grid(TableId::InterGreen);
    EXPECT_EQ(inter.Titles().back(), "24");
    EXPECT_EQ(inter.columns[0].flags, 16);
    EXPECT_EQ(inter.columns[0].width, 30);
    EXPECT_EQ(inter.rows.size(), 24u);
    EXPECT_EQ(inter.group, "Значения времени между зелеными");
}

TEST(Catalogue, ConsoleGrids)
{
    const auto& state = Catalogue::Grid(TableId::ConsoleState);
    EXPECT_EQ(state.headerHeight, 0);
    EXPECT_FALSE(state.setHeader);
    EXPECT_EQ(state.Widths(), (std::vector<int>{60, 40}));
    EXPECT_EQ(Flags(state), (std::vector<int>{16, 2048}));
    EXPECT_EQ(state.rows, (std::vector<std::string>{"Тпром\t ", "Тмин\t ", "ЖМ\t ", "РУ\t ", "ОС\t ", "ПС\t ",
                                                    "АВАРИЯ\t ", "ОШ\t "}));
    ASSERT_EQ(state.columns[1].pictures.size(), 2u);
    EXPECT_EQ(state.columns[1].pictures[1].text, " ");
    EXPECT_EQ(state.columns[1].pictures[1].image, 137);

    const auto& lights = Catalogue::Grid(TableId::ConsoleLights);
    EXPECT_EQ(lights.Titles().front(), "Цвет");
    EXPECT_EQ(lights.Titles().size(), 25u);
    EXPECT_EQ(lights.columns[0].flags, 0);
    EXPECT_EQ(lights.columns[0].width, 50);
    EXPECT_EQ(lights.columns[24].width, 20);
    EXPECT_EQ(lights.columns[24].flags, 2048);
    const auto& pics = lights.columns[1].pictures;
    ASSERT_EQ(pics.size(), 6u);
    EXPECT_EQ(pics[4].text, "А");
    EXPECT_EQ(pics[4].image, 181);
    EXPECT_EQ(pics[5].text, "Н");
    EXPECT_EQ(pics[5].image, 182);
    ASSERT_EQ(lights.rows.size(), 4u);
    const auto failure = Catalogue::SplitTabs(lights.rows[3]);
    ASSERT_EQ(failure.size(), 25u);
    EXPECT_EQ(failure[0], "Авария");
    EXPECT_EQ(failure[24], "Н ");
    EXPECT_EQ(Catalogue::SplitTabs(lights.rows[1])[0], "Желтый");

    const auto& sensors = Catalogue::Grid(TableId::ConsoleSensors);
    EXPECT_EQ(sensors.Titles().front(), "Тип");
    ASSERT_EQ(sensors.rows.size(), 3u);
    EXPECT_EQ(Catalogue::SplitTabs(sensors.rows[0]).size(), 17u);  // "Крас Л1" and 16 values
    EXPECT_EQ(Catalogue::SplitTabs(sensors.rows[1])[0], "Крас Л2");
    EXPECT_EQ(Catalogue::SplitTabs(sensors.rows[2]).size(), 25u);
    EXPECT_EQ(sensors.columns[3].pictures.size(), 3u);
}

TEST(Catalogue, FieldsAndDays)
{
    const auto& f = Catalogue::Fields();
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0].control, 1013);
    EXPECT_EQ(f[0].caption, "Время кругового красного");
    EXPECT_EQ(f[1].control, 1007);
    EXPECT_EQ(f[1].caption, "Ведущий контроллер");
    EXPECT_EQ(f[2].control, 1008);
    EXPECT_EQ(f[2].captionControl, 1011);
    EXPECT_EQ(f[2].caption, "Время задержки синхронизации, сек.");
    EXPECT_EQ(f[3].control, 1012);
    EXPECT_EQ(f[3].caption, "Учетная запись ОДД");
    const int days[] = {1069, 1071, 1074, 1075, 1076, 1077, 1078};
    const char* labels[] = {"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Catalogue::DayCharts()[i].control, days[i]);
        EXPECT_EQ(Catalogue::DayCharts()[i].caption, labels[i]);
    }
}

TEST(Catalogue, SplitTabsKeepsEmptyPieces)
{
    EXPECT_EQ(Catalogue::SplitTabs("a\t\tb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Catalogue::SplitTabs(""), (std::vector<std::string>{""}));
    EXPECT_EQ(Catalogue::SplitTabs("\t"), (std::vector<std::string>{"", ""}));
}

TEST(Catalogue, DataRowsAndColumnsOfEveryTable)
{
    struct Expect { TableId id; int rows; int columns; };
    const Expect all[] = {
        {TableId::PhaseMinTime, 8, 1},  {TableId::Priority, 10, 1},     {TableId::DirectionGroupStrip, 0, 0},
        {TableId::Direction, 24, 13},   {TableId::ProgramGroupStrip, 0, 0}, {TableId::Program, 8, 27},
        {TableId::LampOutput, 72, 48},  {TableId::WaitBoard, 2, 48},    {TableId::RedSensor, 24, 16},
        {TableId::GreenSensor, 24, 24}, {TableId::MinSignalTime, 2, 24}, {TableId::InterGreen, 24, 24},
    };
    for (const auto& e : all) {
        const GridSetup& g = Catalogue::Grid(e.id);
        SCOPED_TRACE(g.name);
        EXPECT_EQ(g.dataRows, e.rows);
        EXPECT_EQ(g.dataColumns, e.columns);
        // The default rows are exactly the data rows; the strips have none.
        EXPECT_EQ(static_cast<int>(g.rows.size()), e.rows);
        EXPECT_LE(g.firstDataColumn + g.dataColumns, g.ColumnCount());
    }
}
