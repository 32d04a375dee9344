#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vlk {

// Grid style bits of ARecordList (SetStyle). 0x02 is reserved and stays clear.
inline constexpr int RLS_PROPORTIONAL = 0x01;
inline constexpr int RLS_SYNCEDITOR = 0x04;
inline constexpr int RLS_NOSELECT = 0x08;
inline constexpr int RLS_FIXEDCOLUMNS = 0x10;

// Column flag bits of ARecordList (SetColumnFlags). The other bits are reserved and stay clear.
inline constexpr int RLC_ZETKIND1 = 0x001;
inline constexpr int RLC_ZETKIND2 = 0x002;
inline constexpr int RLC_EDIT = 0x004;
inline constexpr int RLC_RIGHT = 0x008;
inline constexpr int RLC_CENTER = 0x010;
inline constexpr int RLC_CHECK = 0x040;
inline constexpr int RLC_RADIO = 0x080;
inline constexpr int RLC_PICTURES = 0x800;

// The column kinds the pages use, as flag sets.
inline constexpr int kColumnLabel = RLC_CENTER;                                  // 16
inline constexpr int kColumnRightLabel = RLC_RIGHT;                              // 8
inline constexpr int kColumnNumber = RLC_ZETKIND2 | RLC_EDIT | RLC_RIGHT;        // 14
inline constexpr int kColumnCheck = RLC_CHECK | RLC_EDIT;                        // 68
inline constexpr int kColumnSingleCheck = RLC_CHECK | RLC_RADIO | RLC_EDIT;      // 196
inline constexpr int kColumnLampPicture = RLC_PICTURES;                          // 2048

// Bitmap resources of the cell pictures.
inline constexpr int kImageRedLamp = 136;
inline constexpr int kImageGreyLamp = 137;
inline constexpr int kImageGreenLamp = 138;
inline constexpr int kImageYellowLamp = 139;
inline constexpr int kImageLampMask = 155;
inline constexpr int kImageFailure = 181;
inline constexpr int kImageNoFailure = 182;

// The seven pages, in tab order.
enum class PageId { Directions = 0, Programs, Schedules, Console, Outputs, Sensors, Zad };

// Every grid the pages build: the configuration tables and the console's three live grids.
enum class TableId {
    PhaseMinTime,
    Priority,
    DirectionGroupStrip,
    Direction,
    ProgramGroupStrip,
    Program,
    LampOutput,
    WaitBoard,
    RedSensor,
    GreenSensor,
    MinSignalTime,
    InterGreen,
    ConsoleState,
    ConsoleLights,
    ConsoleSensors,
};

struct PageInfo {
    PageId id;
    std::string caption;          // tab label
    std::string className;        // page window class
    int dialogTemplate;
    std::vector<int> frames;      // group boxes that give the reference size of the layout
};

// One entry of a picture column's list: a cell whose text equals `text` shows `image`.
struct PictureEntry {
    std::string text;
    int image;
    int mask;
};

struct ColumnSetup {
    int width = 0;                // pixels, or per-cent share when the grid is proportional
    int flags = 0;
    std::string tip;              // empty: no tip of its own
    std::vector<PictureEntry> pictures;
};

// Everything a page hands its grid at creation, in the order it hands it over:
// SetStyle, SetHeaderHeight, SetColumns, per column flags/width/pictures/tip,
// SetHeaderText, SetHeaderOnly, AddRow for each row, then SetCurSel.
// A proportional grid takes its per-cent shares through SetColumns (SetColumnWidth would set
// pixels); a fixed grid may take its pixel widths either way, with the same result.
struct GridSetup {
    TableId id = TableId::PhaseMinTime;
    std::string name;             // the configuration item's name
    PageId page = PageId::Directions;
    int control = 0;              // unique within its page only
    std::string group;            // caption of the group box around it; empty if none
    int style = 0;
    int headerHeight = -1;        // -1: keep the grid's own; 0 hides the header
    std::vector<ColumnSetup> columns;
    bool setHeader = true;        // false: SetHeaderText is not called at all
    std::string header;           // tab-separated column titles
    bool headerOnly = false;
    std::vector<std::string> rows;   // AddRow texts, tab-separated cells
    int currentRow = -1;          // made current after the rows are added; -1: none
    // What the configuration stores: dataRows rows and dataColumns columns from
    // firstDataColumn on (0 for the strips and the console, which hold no configuration).
    int dataRows = 0;
    int firstDataColumn = 1;
    int dataColumns = 0;

    [[nodiscard]] bool Proportional() const { return (style & RLS_PROPORTIONAL) != 0; }
    [[nodiscard]] int ColumnCount() const { return static_cast<int>(columns.size()); }
    // The widths array for SetColumns (per-cent values in proportional mode).
    [[nodiscard]] std::vector<int> Widths() const;
    // The header split at tabs, as SetHeaderText splits it.
    [[nodiscard]] std::vector<std::string> Titles() const;
};

// A configuration field that is not a grid: an edit, a check box or a day chart.
struct FieldInfo {
    std::string name;
    PageId page;
    int control;
    std::string caption;          // its caption text (for a day chart, the day label)
    int captionControl = 0;       // static holding the caption, when it has an identifier
};

// The catalogue of everything the pages hold: pages, grids and the other fields.
class Catalogue {
public:
    [[nodiscard]] static const std::vector<PageInfo>& Pages();
    [[nodiscard]] static const PageInfo& Page(PageId id);
    // All grids, page by page in tab order and within a page in set-up order.
    [[nodiscard]] static const std::vector<GridSetup>& Grids();
    [[nodiscard]] static const GridSetup& Grid(TableId id);
    // The grid a page finds by its control identifier; nullptr if the page has none.
    [[nodiscard]] static const GridSetup* Find(PageId page, int control);
    // The grids of one page, in set-up order.
    [[nodiscard]] static std::vector<const GridSetup*> GridsOf(PageId page);
    // CircularRedTime, MasterController, SyncDelay, AccountRecord.
    [[nodiscard]] static const std::vector<FieldInfo>& Fields();
    // The seven day charts of WeekSchedule, Monday first.
    [[nodiscard]] static const std::array<FieldInfo, 7>& DayCharts();
    // The ten request codes, in the order of the default rows and of the image's priority bytes.
    [[nodiscard]] static const std::array<std::string, 10>& RequestCodes();

    // Splits at every tab; n tabs give n + 1 pieces, empty ones included.
    [[nodiscard]] static std::vector<std::string> SplitTabs(std::string_view text);
};

} // namespace vlk
