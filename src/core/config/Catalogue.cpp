#include "config/Catalogue.h"

#include "config/Configuration.h"

#include <cstdlib>
#include <stdexcept>

namespace vlk {

namespace {

ColumnSetup Column(int width, int flags, std::string tip = {}, std::vector<PictureEntry> pictures = {})
{
    return ColumnSetup{width, flags, std::move(tip), std::move(pictures)};
}

// "1" to "n", each followed by `suffix`.
std::vector<std::string> NumberedRows(int n, std::string_view suffix = {})
{
    std::vector<std::string> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back(std::to_string(i) + std::string(suffix));
    return rows;
}

// `first` followed by "\t1" to "\tn".
std::string NumberedHeader(std::string first, int n)
{
    for (int i = 1; i <= n; ++i) {
        first += '\t';
        first += std::to_string(i);
    }
    return first;
}

std::string Repeat(std::string_view piece, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += piece;
    return s;
}

const std::vector<PictureEntry> kLampPictures{
    {"К", kImageRedLamp, kImageLampMask},
    {"Ж", kImageYellowLamp, kImageLampMask},
    {"З", kImageGreenLamp, kImageLampMask},
};

GridSetup Make(TableId id, std::string name, PageId page, int control, std::string group = {})
{
    GridSetup g;
    g.id = id;
    g.name = std::move(name);
    g.page = page;
    g.control = control;
    g.group = std::move(group);
    return g;
}

std::vector<GridSetup> BuildGrids()
{
    std::vector<GridSetup> grids;

    // "Направления": set-up order 1001, 1002, 1019, 1003.
    {
        GridSetup g = Make(TableId::PhaseMinTime, "PhaseMinTimeTable", PageId::Directions, 1001);
        g.style = RLS_PROPORTIONAL | RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns = {Column(40, kColumnLabel), Column(60, kColumnNumber)};
        g.header = "№ фазы\tМин. время, сек";
        g.rows = NumberedRows(8);
        g.dataRows = 8;
        g.dataColumns = 1;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::Priority, "PriorityTable", PageId::Directions, 1002);
        g.style = RLS_PROPORTIONAL | RLS_SYNCEDITOR | RLS_FIXEDCOLUMNS;
        g.columns = {Column(50, kColumnLabel, "Номер приоритета"), Column(50, kColumnLabel, "Запросы управления")};
        g.header = "Приоритет\tЗапрос";
        const auto& codes = Catalogue::RequestCodes();
        for (std::size_t i = 0; i < codes.size(); ++i)
            g.rows.push_back(std::to_string(i + 1) + "\t" + codes[i]);
        g.currentRow = 0;
        g.dataRows = 10;
        g.dataColumns = 1;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::DirectionGroupStrip, "DirectionGroupStrip", PageId::Directions, 1019, " Описание направлений ");
        g.style = RLS_PROPORTIONAL | RLS_SYNCEDITOR | RLS_FIXEDCOLUMNS;
        g.columns = {Column(4, 0), Column(32, 0), Column(64, 0)};
        g.header = "\tФазы\tПромежуточные такты";
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::Direction, "DirectionTable", PageId::Directions, 1003, " Описание направлений ");
        g.style = RLS_PROPORTIONAL | RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(4, kColumnLabel));
        for (int c = 1; c <= 8; ++c)
            g.columns.push_back(Column(4, kColumnCheck));
        for (int c = 9; c <= 13; ++c)
            g.columns.push_back(Column(13, kColumnNumber));
        g.header = "№\t1\t2\t3\t4\t5\t6\t7\t8\tТ зел.\tТ зел.миг.\tТ жел.\tТ.кр\tТ кр.жел.";
        g.rows = NumberedRows(24, "\t"); // the label and an empty first data cell
        g.dataRows = 24;
        g.dataColumns = 13;
        grids.push_back(std::move(g));
    }

    // "Программы": 1018, 1017.
    {
        GridSetup g = Make(TableId::ProgramGroupStrip, "ProgramGroupStrip", PageId::Programs, 1018, " Описание программ ");
        g.style = RLS_SYNCEDITOR | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(46, kColumnLabel));
        for (int c = 1; c <= 9; ++c)
            g.columns.push_back(Column(102, 0));
        g.header = "";
        for (int i = 1; i <= 9; ++i)
            g.header += "\tПрограмма " + std::to_string(i);
        g.headerOnly = true;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::Program, "ProgramTable", PageId::Programs, 1017, " Описание программ ");
        g.style = RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(46, kColumnLabel));
        for (int i = 1; i <= 9; ++i) {
            g.columns.push_back(Column(40, kColumnNumber));
            g.columns.push_back(Column(30, kColumnSingleCheck));
            g.columns.push_back(Column(32, kColumnSingleCheck));
        }
        g.header = "№ фазы" + Repeat("\tВремя\tТВП1\tТВП2", 9);
        g.rows = NumberedRows(8);
        g.dataRows = 8;
        g.dataColumns = 27;
        grids.push_back(std::move(g));
    }

    // "Привязка выходов": 1042, 1043.
    {
        GridSetup g = Make(TableId::LampOutput, "LampOutputTable", PageId::Outputs, 1042,
                   " Привязка ламп направлений к выходам ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(30, kColumnLabel));
        g.columns.push_back(Column(30, kColumnLampPicture, {}, kLampPictures));
        for (int c = 2; c <= 49; ++c)
            g.columns.push_back(Column(18, kColumnCheck));
        g.header = NumberedHeader("Направление\tЛампа", 48);
        for (int d = 1; d <= 24; ++d) {
            g.rows.push_back(std::to_string(d) + "\tК");
            g.rows.push_back("\tЖ");
            g.rows.push_back("\tЗ");
        }
        g.dataRows = 72;
        g.firstDataColumn = 2; // column 1 is the lamp picture
        g.dataColumns = 48;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::WaitBoard, "WaitBoardTable", PageId::Outputs, 1043,
                   " Привязка табло «ЖДИТЕ» для ТВП ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(60, kColumnLabel));
        for (int c = 1; c <= 48; ++c)
            g.columns.push_back(Column(18, kColumnCheck));
        g.header = NumberedHeader("№ ТВП", 48);
        g.rows = {"ТВП 1", "ТВП 2"};
        g.dataRows = 2;
        g.dataColumns = 48;
        grids.push_back(std::move(g));
    }

    // "Привязка датчиков": 1054, 1055. The grids have 32 columns; the header titles only the
    // first ones and the rest are zero-width and hold nothing.
    {
        GridSetup g = Make(TableId::RedSensor, "RedSensorTable", PageId::Sensors, 1054,
                   " Привязка датчиков контроля групп красных ламп ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(40, kColumnRightLabel));
        for (int c = 1; c <= 16; ++c)
            g.columns.push_back(Column(40, kColumnSingleCheck));
        for (int c = 17; c <= 31; ++c)
            g.columns.push_back(Column(0, 0));
        g.header = "Направление";
        for (int k = 1; k <= 16; ++k)
            g.header += "\t" + std::to_string(2 * k - 1) + "-" + std::to_string(2 * k);
        g.rows = NumberedRows(24);
        g.dataRows = 24;
        g.dataColumns = 16;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::GreenSensor, "GreenSensorTable", PageId::Sensors, 1055,
                   " Привязка датчиков  контроля зеленых ламп ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(40, kColumnRightLabel));
        for (int c = 1; c <= 24; ++c)
            g.columns.push_back(Column(30, kColumnSingleCheck));
        for (int c = 25; c <= 31; ++c)
            g.columns.push_back(Column(0, 0));
        g.header = NumberedHeader("Направление", 24);
        g.rows = NumberedRows(24);
        g.dataRows = 24;
        g.dataColumns = 24;
        grids.push_back(std::move(g));
    }

    // "Конфигурация для ZAD": 1015, 1075.
    {
        GridSetup g = Make(TableId::MinSignalTime, "MinSignalTimeTable", PageId::Zad, 1015,
                   "Минимальные значения времени продолжительности красных и зеленых сигналов ");
        g.style = RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(30, kColumnLampPicture, {},
                                   {{"К", kImageRedLamp, kImageLampMask}, {"З", kImageGreenLamp, kImageLampMask}}));
        for (int c = 1; c <= 24; ++c)
            g.columns.push_back(Column(35, kColumnNumber));
        g.header = NumberedHeader("", 24);
        g.rows = {"К", "З"};
        g.dataRows = 2;
        g.dataColumns = 24;
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::InterGreen, "InterGreenTable", PageId::Zad, 1075, "Значения времени между зелеными");
        g.style = RLS_SYNCEDITOR | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(30, kColumnLabel));
        for (int c = 1; c <= 24; ++c)
            g.columns.push_back(Column(35, kColumnNumber));
        g.header = NumberedHeader("", 24);
        g.rows = NumberedRows(24);
        g.dataRows = 24;
        g.dataColumns = 24;
        grids.push_back(std::move(g));
    }

    // "Пульт": the live grids 1020, 1021, 1022; nothing in them is configuration.
    {
        GridSetup g = Make(TableId::ConsoleState, "StateGrid", PageId::Console, 1020, " Состояние ");
        g.style = RLS_PROPORTIONAL | RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.headerHeight = 0;
        g.columns = {Column(60, RLC_CENTER),
                     Column(40, RLC_PICTURES, {},
                            {{"К", kImageRedLamp, kImageLampMask}, {" ", kImageGreyLamp, kImageLampMask}})};
        g.setHeader = false;
        for (const char* label : {"Тпром", "Тмин", "ЖМ", "РУ", "ОС", "ПС", "АВАРИЯ", "ОШ"})
            g.rows.push_back(std::string(label) + "\t ");
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::ConsoleLights, "LightsGrid", PageId::Console, 1021, " Светофоры ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(50, 0));
        const std::vector<PictureEntry> pictures{
            {"К", kImageRedLamp, kImageLampMask},  {"Ж", kImageYellowLamp, kImageLampMask},
            {"З", kImageGreenLamp, kImageLampMask}, {" ", kImageGreyLamp, kImageLampMask},
            {"А", kImageFailure, kImageLampMask},   {"Н", kImageNoFailure, kImageLampMask},
        };
        for (int c = 1; c <= 24; ++c)
            g.columns.push_back(Column(20, RLC_PICTURES, {}, pictures));
        g.header = NumberedHeader("Цвет", 24);
        for (const char* label : {"Красный", "Желтый", "Зеленый"})
            g.rows.push_back(label + Repeat("\t ", 24));
        // "Н " with its blank matches no picture, so the failure row starts empty.
        g.rows.push_back("Авария" + Repeat("\tН ", 24));
        grids.push_back(std::move(g));
    }
    {
        GridSetup g = Make(TableId::ConsoleSensors, "SensorsGrid", PageId::Console, 1022, " Датчики ");
        g.style = RLS_NOSELECT | RLS_FIXEDCOLUMNS;
        g.columns.push_back(Column(50, 0));
        const std::vector<PictureEntry> pictures{
            {"К", kImageRedLamp, kImageLampMask},
            {"З", kImageGreenLamp, kImageLampMask},
            {" ", kImageGreyLamp, kImageLampMask},
        };
        for (int c = 1; c <= 24; ++c)
            g.columns.push_back(Column(20, RLC_PICTURES, {}, pictures));
        g.header = NumberedHeader("Тип", 24);
        g.rows = {"Крас Л1" + Repeat("\t ", 16), "Крас Л2" + Repeat("\t ", 16), "Зеленый" + Repeat("\t ", 24)};
        grids.push_back(std::move(g));
    }
    return grids;
}

} // namespace

std::vector<int> GridSetup::Widths() const
{
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const auto& c : columns)
        widths.push_back(c.width);
    return widths;
}

std::vector<std::string> GridSetup::Titles() const
{
    return Catalogue::SplitTabs(header);
}

const std::vector<PageInfo>& Catalogue::Pages()
{
    static const std::vector<PageInfo> pages{
        {PageId::Directions, "Направления", "CDirectionWnd", 130, {1050, 1049}},
        {PageId::Programs, "Программы", "CProgramWnd", 131, {1046}},
        {PageId::Schedules, "Графики работы", "CGraficWnd", 159, {1072}},
        {PageId::Console, "Пульт", "CDeskWnd", 135, {1046, 1048}},
        {PageId::Outputs, "Привязка выходов", "COutputWnd", 141, {1045, 1044}},
        {PageId::Sensors, "Привязка датчиков", "CMeasureWnd", 142, {1057, 1056}},
        {PageId::Zad, "Конфигурация для ZAD", "CConfigWnd", 183, {1073, 1074}},
    };
    return pages;
}

const PageInfo& Catalogue::Page(PageId id)
{
    return Pages().at(static_cast<std::size_t>(id));
}

const std::vector<GridSetup>& Catalogue::Grids()
{
    static const std::vector<GridSetup> grids = [] {
        auto all = BuildGrids();
        // Keep the list page by page in tab order; within a page the set-up order stays.
        std::vector<GridSetup> ordered;
        for (const auto& page : Pages())
            for (auto& g : all)
                if (g.page == page.id)
                    ordered.push_back(g);
        return ordered;
    }();
    return grids;
}

const GridSetup& Catalogue::Grid(TableId id)
{
    for (const auto& g : Grids())
        if (g.id == id)
            return g;
    // Every TableId has an entry; reaching this is a programming error caught by the tests.
    std::abort();
}

const GridSetup* Catalogue::Find(PageId page, int control)
{
    for (const auto& g : Grids())
        if (g.page == page && g.control == control)
            return &g;
    return nullptr;
}

std::vector<const GridSetup*> Catalogue::GridsOf(PageId page)
{
    std::vector<const GridSetup*> result;
    for (const auto& g : Grids())
        if (g.page == page)
            result.push_back(&g);
    return result;
}

const std::vector<FieldInfo>& Catalogue::Fields()
{
    static const std::vector<FieldInfo> fields{
        {"CircularRedTime", PageId::Directions, 1013, "Время кругового красного"},
        {"MasterController", PageId::Directions, 1007, "Ведущий контроллер"},
        {"SyncDelay", PageId::Directions, 1008, "Время задержки синхронизации, сек.", 1011},
        {"AccountRecord", PageId::Directions, 1012, "Учетная запись ОДД"},
    };
    return fields;
}

const std::array<FieldInfo, 7>& Catalogue::DayCharts()
{
    static const std::array<FieldInfo, 7> days = [] {
        constexpr std::array<int, kDayCount> controls{1069, 1071, 1074, 1075, 1076, 1077, 1078};
        std::array<FieldInfo, 7> charts;
        for (std::size_t day = 0; day < charts.size(); ++day)
            charts[day] = {"WeekSchedule", PageId::Schedules, controls[day], std::string(kDayNames[day])};
        return charts;
    }();
    return days;
}

const std::array<std::string, 10>& Catalogue::RequestCodes()
{
    static const std::array<std::string, 10> codes = [] {
        std::array<std::string, 10> texts;
        for (std::size_t code = 0; code < texts.size(); ++code)
            texts[code] = std::string(kRequestCodes[code]);
        return texts;
    }();
    return codes;
}

std::vector<std::string> Catalogue::SplitTabs(std::string_view text)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = text.find('\t', start);
        if (tab == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, tab - start));
        start = tab + 1;
    }
}

} // namespace vlk
