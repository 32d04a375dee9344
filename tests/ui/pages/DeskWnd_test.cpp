// The console page: its set-up, the display of state frames, the operator's controls and the
// hand-over of the worker's updates to the UI thread.
#include "DeskTestSupport.h"

#include "forms/DialogTemplate.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vlk;
using namespace vlk::test;
using namespace std::chrono_literals;

namespace {

// Everything posted so far (the worker's queued updates included) is delivered now.
void DeliverPosted()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

FrameBytes Bytes(std::initializer_list<std::pair<int, std::uint8_t>> set)
{
    FrameBytes bytes{};
    for (const auto& [index, value] : set)
        bytes[static_cast<std::size_t>(index)] = value;
    return bytes;
}

// One frame with something in every group, the bytes chosen by hand from the frame layout.
FrameBytes Sample()
{
    return Bytes({
        {0, 0x25},                          // "Тпром", "ЖМ", "ПС"
        {1, 0x53},                          // current phase 3, called phase 5
        {2, 0xC8},                          // priority 200
        {3, 0x24},                          // Friday, program 2
        {4, 0x07},                          // 07 hours
        {5, 0x12},                          // 12 minutes
        {6, 0x01}, {8, 0x80},               // failures: directions 1 and 24
        {9, 0x03},                          // red: directions 1 and 2
        {13, 0x01},                         // yellow: direction 9
        {17, 0x80},                         // green: direction 24
        {18, 0x06}, {21, 0x80},             // red sensors: 1 "Л2", 2 "Л1", 16 "Л2"
        {22, 0x21}, {25, 0xE0},             // green sensors 1, 6, 24; bits 6-7 carry nothing
    });
}

const QString kOff24 = QString(24, QLatin1Char(' '));

QString With(QString row, std::initializer_list<int> columns, const char* text)
{
    for (int c : columns)
        row[c - 1] = QString::fromUtf8(text)[0];
    return row;
}

TEST(DeskWnd, StartsAsCreated)
{
    CDeskWnd page;
    ASSERT_TRUE(page.StateGrid());
    ASSERT_TRUE(page.LightsGrid());
    ASSERT_TRUE(page.SensorsGrid());

    // State grid: eight labelled rows, no header, each value blank.
    EXPECT_EQ(page.StateGrid()->GetRowCount(), 8);
    EXPECT_EQ(page.StateGrid()->GetHeaderHeight(), 0);
    const char* const labels[] = {"Тпром", "Тмин", "ЖМ", "РУ", "ОС", "ПС", "АВАРИЯ", "ОШ"};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(Cell(page.StateGrid(), row, 0), QString::fromUtf8(labels[row]));
        EXPECT_EQ(Cell(page.StateGrid(), row, 1), QStringLiteral(" "));
    }
    // Lights: three lamp rows blank, the failure row "Н " with its blank.
    EXPECT_EQ(page.LightsGrid()->GetColumnCount(), 25);
    EXPECT_EQ(page.LightsGrid()->GetColumnTitle(0), QStringLiteral("Цвет"));
    EXPECT_EQ(page.LightsGrid()->GetColumnTitle(24), QStringLiteral("24"));
    EXPECT_EQ(Cell(page.LightsGrid(), 0, 0), QStringLiteral("Красный"));
    EXPECT_EQ(Cell(page.LightsGrid(), 3, 0), QStringLiteral("Авария"));
    EXPECT_EQ(Cell(page.LightsGrid(), 3, 7), QStringLiteral("Н "));
    EXPECT_EQ(page.SensorsGrid()->GetColumnTitle(0), QStringLiteral("Тип"));
    EXPECT_EQ(Cell(page.SensorsGrid(), 1, 0), QStringLiteral("Крас Л2"));
    EXPECT_EQ(Cell(page.SensorsGrid(), 0, 17), QString());

    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("Понедельник"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("00"));
    EXPECT_EQ(FieldText(page, 1024), QStringLiteral("00"));
    const auto* days = page.Item<QComboBox>(1028);
    ASSERT_TRUE(days);
    ASSERT_EQ(days->count(), 7);
    EXPECT_EQ(days->itemText(0), QStringLiteral("Понедельник"));
    EXPECT_EQ(days->itemText(6), QStringLiteral("Воскресенье"));
    EXPECT_EQ(days->currentIndex(), -1);

    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    EXPECT_EQ(page.Sink().SendClockFlag().load(), 0);
    EXPECT_TRUE(page.ControlLocked());
    EXPECT_TRUE(Shows(page, 1040, 140));
    EXPECT_TRUE(Shows(page, 1032, 164));
    EXPECT_TRUE(Shows(page, 1038, 149));
    EXPECT_TRUE(Shows(page, 1039, 146));
    EXPECT_TRUE(Shows(page, 1002, 151));
    EXPECT_TRUE(Shows(page, 1003, 152));
    // Without a chosen day the worker is told -1 (it sends 0xBF).
    EXPECT_EQ(page.Sink().ClockToSend().day, -1);
}

TEST(DeskWnd, TemplateMatchesTheConsoleLayout)
{
    const auto dialog = DialogTemplate::Load(135);
    ASSERT_TRUE(dialog);
    struct Expected {
        int id, x, y, cx, cy;
    };
    const Expected items[] = {
        {1048, 7, 0, 483, 88},    {1021, 16, 10, 464, 70},  {1020, 15, 175, 70, 110}, {1025, 118, 193, 70, 12},
        {1023, 194, 193, 20, 12}, {1024, 222, 193, 20, 12}, {1028, 120, 230, 70, 110}, {1026, 194, 230, 20, 14},
        {1027, 222, 230, 20, 14}, {1002, 127, 262, 42, 17}, {1003, 196, 262, 44, 18}, {1040, 311, 180, 39, 19},
        {1038, 278, 206, 43, 16}, {1039, 336, 206, 43, 16}, {1030, 278, 230, 24, 16}, {1031, 316, 230, 24, 16},
        {1032, 351, 230, 24, 16}, {1033, 278, 252, 24, 16}, {1034, 316, 249, 24, 16}, {1035, 351, 249, 24, 16},
        {1036, 278, 270, 24, 16}, {1037, 316, 270, 24, 16}, {1046, 395, 170, 95, 120}, {1041, 405, 190, 74, 14},
        {1042, 405, 215, 74, 14}, {1043, 405, 242, 74, 14}, {1044, 405, 268, 74, 14}, {1022, 16, 100, 464, 55},
    };
    for (const Expected& e : items) {
        const DialogItem* item = dialog->Item(e.id);
        ASSERT_TRUE(item) << e.id;
        EXPECT_EQ((std::array{item->x, item->y, item->cx, item->cy}), (std::array{e.x, e.y, e.cx, e.cy})) << e.id;
    }
    // The last item is the sensors grid, the one before it the phase 2 button.
    ASSERT_GE(dialog->items.size(), 2u);
    EXPECT_EQ(dialog->items.back().id, 1022);
    EXPECT_EQ(dialog->items[dialog->items.size() - 2].id, 1031);
}

TEST(DeskWnd, ShowsEveryGroupOfAFrame)
{
    CDeskWnd page;
    page.ShowFrame(DecodeStateFrame(Sample()));

    EXPECT_EQ(RowText(page.StateGrid(), 0, 1) + RowText(page.StateGrid(), 1, 1) + RowText(page.StateGrid(), 2, 1)
                  + RowText(page.StateGrid(), 5, 1) + RowText(page.StateGrid(), 7, 1),
              QStringLiteral("К КК "));
    EXPECT_EQ(FieldText(page, 1042), QStringLiteral("3"));
    EXPECT_EQ(FieldText(page, 1043), QStringLiteral("5"));
    EXPECT_EQ(FieldText(page, 1044), QStringLiteral("200"));
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("Пятница"));
    EXPECT_EQ(FieldText(page, 1041), QStringLiteral("2"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("07"));
    EXPECT_EQ(FieldText(page, 1024), QStringLiteral("12"));

    EXPECT_EQ(RowText(page.LightsGrid(), 0, 24), With(kOff24, {1, 2}, "К"));
    EXPECT_EQ(RowText(page.LightsGrid(), 1, 24), With(kOff24, {9}, "Ж"));
    EXPECT_EQ(RowText(page.LightsGrid(), 2, 24), With(kOff24, {24}, "З"));
    EXPECT_EQ(RowText(page.LightsGrid(), 3, 24), With(QString(24, QChar(0x041D)), {1, 24}, "А"));

    EXPECT_EQ(RowText(page.SensorsGrid(), 0, 16), With(QString(16, QLatin1Char(' ')), {2}, "К"));
    EXPECT_EQ(RowText(page.SensorsGrid(), 1, 16), With(QString(16, QLatin1Char(' ')), {1, 16}, "К"));
    EXPECT_EQ(RowText(page.SensorsGrid(), 2, 24), With(kOff24, {1, 6, 24}, "З"));
    // The red rows have no cells beyond channel 16.
    EXPECT_EQ(Cell(page.SensorsGrid(), 0, 17), QString());

    // A day value of 7..15 keeps the day shown; the rest of byte 3 still counts.
    page.ShowFrameGroup(FrameGroup::DayProgram, DecodeStateFrame(Bytes({{3, 0x97}})));
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("Пятница"));
    EXPECT_EQ(FieldText(page, 1041), QStringLiteral("9"));
    // Hours above nine keep their two digits; packed nibbles are not checked.
    page.ShowFrameGroup(FrameGroup::Hours, DecodeStateFrame(Bytes({{4, 0x23}})));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("23"));
    page.ShowFrameGroup(FrameGroup::Minutes, DecodeStateFrame(Bytes({{5, 0x00}})));
    EXPECT_EQ(FieldText(page, 1024), QStringLiteral("00"));
    page.ShowFrameGroup(FrameGroup::DayProgram, DecodeStateFrame(Bytes({{3, 0x06}})));
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("Воскресенье"));
}

TEST(DeskWnd, ClearStateShowsTheStoppedConsole)
{
    CDeskWnd page;
    page.ShowFrame(DecodeStateFrame(Sample()));
    page.Sink().ClearState(FrameBytes{});

    EXPECT_EQ(RowText(page.StateGrid(), 0, 1) + RowText(page.StateGrid(), 2, 1) + RowText(page.StateGrid(), 5, 1),
              QStringLiteral("   "));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(RowText(page.LightsGrid(), row, 24), kOff24) << row;
    EXPECT_EQ(RowText(page.LightsGrid(), 3, 24), QString(24, QChar(0x041D))); // "Н"
    EXPECT_EQ(RowText(page.SensorsGrid(), 1, 16), QString(16, QLatin1Char(' ')));
    EXPECT_EQ(RowText(page.SensorsGrid(), 2, 24), kOff24);
    for (int id : {1041, 1042, 1043, 1044})
        EXPECT_EQ(FieldText(page, id), QStringLiteral("0")) << id;
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("понедельник"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("0"));
    EXPECT_EQ(FieldText(page, 1024), QStringLiteral("0"));
}

TEST(DeskWnd, LampCellsShowTheirPictures)
{
    CDeskWnd page;
    page.resize(1280, 800);
    page.show();
    page.ShowFrame(DecodeStateFrame(Sample()));
    QApplication::processEvents();

    const auto colourAt = [](ARecordList* grid, int row, int col) {
        const QImage image = grid->viewport()->grab().toImage();
        const QPoint centre = grid->GetCellRect(row, col).center();
        return image.pixelColor(centre * image.devicePixelRatio());
    };
    const QColor red = colourAt(page.LightsGrid(), 0, 1);
    EXPECT_GT(red.red(), 150);
    EXPECT_LT(red.green(), 100);
    const QColor yellow = colourAt(page.LightsGrid(), 1, 9);
    EXPECT_GT(yellow.red(), 150);
    EXPECT_GT(yellow.green(), 120);
    EXPECT_LT(yellow.blue(), 100);
    const QColor green = colourAt(page.LightsGrid(), 2, 24);
    EXPECT_GT(green.green(), 120);
    EXPECT_LT(green.red(), 100);
    const QColor grey = colourAt(page.LightsGrid(), 0, 3);
    EXPECT_LT(std::abs(grey.red() - grey.blue()), 30);
    EXPECT_LT(std::abs(grey.red() - grey.green()), 30);
    const QColor status = colourAt(page.StateGrid(), 5, 1); // "ПС" set
    EXPECT_GT(status.red(), 150);
    EXPECT_LT(status.green(), 100);
    const QColor sensor = colourAt(page.SensorsGrid(), 2, 6);
    EXPECT_GT(sensor.green(), 120);
    EXPECT_LT(sensor.red(), 100);
}

TEST(DeskWnd, CommandButtonsFollowTheControlToggle)
{
    CDeskWnd page;
    page.resize(1024, 670);
    ASSERT_TRUE(ShowAndActivate(&page));

    // Locked: a click changes neither the byte nor the look.
    Click(page.GetDlgItem(1032));
    Click(page.GetDlgItem(1038));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    EXPECT_TRUE(Shows(page, 1032, 164));

    Click(page.GetDlgItem(1040));
    EXPECT_FALSE(page.ControlLocked());
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x40);
    EXPECT_TRUE(Shows(page, 1040, 141));
    EXPECT_TRUE(Shows(page, 1032, 163));
    EXPECT_TRUE(Shows(page, 1030, 157));
    EXPECT_TRUE(Shows(page, 1037, 178));
    EXPECT_TRUE(Shows(page, 1038, 148));
    EXPECT_TRUE(Shows(page, 1039, 145));

    Click(page.GetDlgItem(1032));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x43);
    EXPECT_TRUE(Shows(page, 1032, 165));
    EXPECT_TRUE(PumpUntil([&] { return Shows(page, 1032, 163); }, 2s));

    Click(page.GetDlgItem(1038));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x50);
    EXPECT_TRUE(Shows(page, 1038, 150));
    Click(page.GetDlgItem(1039));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x60);
    EXPECT_TRUE(Shows(page, 1039, 147));
    Click(page.GetDlgItem(1030));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x41);
    Click(page.GetDlgItem(1037));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x48);
    Click(page.GetDlgItem(1031));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x42);

    // Handing control back while a button still looks pressed leaves it locked, not normal.
    Click(page.GetDlgItem(1040));
    EXPECT_TRUE(page.ControlLocked());
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    // Once the pressed look is over.
    EXPECT_TRUE(PumpUntil([&] { return Shows(page, 1031, 162); }, 2s));
    EXPECT_TRUE(Shows(page, 1040, 140));
    EXPECT_TRUE(Shows(page, 1031, 162));
    EXPECT_TRUE(Shows(page, 1039, 146));
    EXPECT_TRUE(Shows(page, 1037, 179));
    Click(page.GetDlgItem(1032));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);

    // Programming mode takes control back the same way.
    Click(page.GetDlgItem(1040));
    Click(page.GetDlgItem(1035));
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x46);
    page.ResetControl();
    EXPECT_TRUE(page.ControlLocked());
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    EXPECT_TRUE(PumpUntil([&] { return Shows(page, 1035, 173); }, 2s));
}

TEST(DeskWnd, ClockButtons)
{
    CDeskWnd page;
    page.resize(1024, 670);
    ASSERT_TRUE(ShowAndActivate(&page));
    // Sunday 6 December 2026, 07:05.
    page.SetClockSource([] { return QDateTime(QDate(2026, 12, 6), QTime(7, 5, 30)); });

    Click(page.GetDlgItem(1002));
    EXPECT_EQ(FieldText(page, 1026), QStringLiteral("07"));
    EXPECT_EQ(FieldText(page, 1027), QStringLiteral("05"));
    EXPECT_EQ(page.Item<QComboBox>(1028)->currentIndex(), 6);
    EXPECT_TRUE(Shows(page, 1002, 154));
    EXPECT_TRUE(PumpUntil([&] { return Shows(page, 1002, 151); }, 2s));
    ClockFields fields = page.Sink().ClockToSend();
    EXPECT_EQ(fields.hours, 7);
    EXPECT_EQ(fields.minutes, 5);
    EXPECT_EQ(fields.day, 6);
    EXPECT_EQ(page.Sink().SendClockFlag().load(), 0); // taking the clock sends nothing

    // What the operator types afterwards is what the worker reads.
    page.Item<QLineEdit>(1026)->setText(QStringLiteral("23"));
    auto* minutes = page.Item<QLineEdit>(1027);
    Click(minutes);
    ASSERT_TRUE(minutes->hasFocus());
    Key(&page, Qt::Key_End);
    Type(&page, QStringLiteral("x4"));
    EXPECT_EQ(FieldText(page, 1027), QStringLiteral("054"));
    page.Item<QComboBox>(1028)->setCurrentIndex(0);
    fields = page.Sink().ClockToSend();
    EXPECT_EQ(fields.hours, 23);
    EXPECT_EQ(fields.minutes, 54);
    EXPECT_EQ(fields.day, 0);
    page.Item<QLineEdit>(1026)->setText(QString());
    EXPECT_EQ(page.Sink().ClockToSend().hours, 0);

    // The request sets the flag; a second click before the worker sends changes nothing.
    Click(page.GetDlgItem(1003));
    EXPECT_EQ(page.Sink().SendClockFlag().load(), 1);
    EXPECT_TRUE(Shows(page, 1003, 153));
    Click(page.GetDlgItem(1003));
    EXPECT_EQ(page.Sink().SendClockFlag().load(), 1);
    EXPECT_TRUE(PumpUntil([&] { return Shows(page, 1003, 152); }, 2s));
    page.Sink().SendClockFlag() = 0; // the worker sent it
    EXPECT_EQ(page.Sink().CommandByte().load(), 0x00);
    EXPECT_TRUE(page.ControlLocked()); // both clock buttons work in either state
}

TEST(DeskWnd, WorkerUpdatesArriveQueuedAndStaleOnesAreDropped)
{
    CDeskWnd page;
    const StateFrame all = DecodeStateFrame(Bytes({{0, 0xFF}, {1, 0x21}, {3, 0x01}, {4, 0x09}}));

    // Shown on the UI thread, not inside the worker's call.
    const std::uint64_t first = page.Sink().NextGeneration();
    std::thread worker([&] {
        page.Sink().ShowGroup(first, FrameGroup::Status, all);
        page.Sink().ShowGroup(first, FrameGroup::Phases, all);
        page.Sink().Repaint(first);
    });
    worker.join();
    EXPECT_EQ(Cell(page.StateGrid(), 7, 1), QStringLiteral(" "));
    EXPECT_TRUE(PumpUntil([&] { return FieldText(page, 1042) == QStringLiteral("1"); }, 2s));
    EXPECT_EQ(Cell(page.StateGrid(), 7, 1), QStringLiteral("К"));

    // Queued before the stop, arriving after ClearState: dropped.
    std::thread late([&] {
        page.Sink().ShowGroup(first, FrameGroup::DayProgram, all);
        page.Sink().ShowGroup(first, FrameGroup::Hours, all);
        page.Sink().ShowGroup(first, FrameGroup::Status, all);
    });
    late.join();
    page.Sink().ClearState(FrameBytes{});
    DeliverPosted();
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("понедельник"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("0"));
    EXPECT_EQ(Cell(page.StateGrid(), 7, 1), QStringLiteral(" "));

    // The old worker stays out after a new exchange starts; the new one is shown.
    const std::uint64_t second = page.Sink().NextGeneration();
    EXPECT_NE(second, first);
    page.Sink().ShowGroup(first, FrameGroup::Hours, all);
    DeliverPosted();
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("0"));
    page.Sink().ShowGroup(second, FrameGroup::Hours, all);
    EXPECT_TRUE(PumpUntil([&] { return FieldText(page, 1023) == QStringLiteral("09"); }, 2s));
    // Without an exchange started nothing is shown.
    page.Sink().ClearState(FrameBytes{});
    page.Sink().ShowGroup(0, FrameGroup::Hours, all);
    DeliverPosted();
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("0"));
}

TEST(DeskWnd, ALostControllerShowsDashesNotBelievableZerosUntilItsNextFrame)
{
    CDeskWnd page;
    const std::uint64_t generation = page.Sink().NextGeneration();
    const StateFrame sample = DecodeStateFrame(Sample());
    const StateFrame zeroed = DecodeStateFrame(FrameBytes{});
    const auto showAll = [&](const StateFrame& frame) {
        for (int g = 0; g < kFrameGroupCount; ++g)
            page.Sink().ShowGroup(generation, static_cast<FrameGroup>(g), frame);
        DeliverPosted();
    };
    showAll(sample);
    ASSERT_EQ(FieldText(page, 1025), QStringLiteral("Пятница"));

    // The worker says the line is lost, then shows its zeroed frame as on every silent pass.
    page.Sink().ShowLineLost(generation, true);
    showAll(zeroed);
    for (const int id : {1025, 1023, 1024, 1041, 1042, 1043, 1044})
        EXPECT_EQ(FieldText(page, id), QStringLiteral("—")) << id;
    // The lamps stay blank, the failure row plain.
    EXPECT_EQ(RowText(page.LightsGrid(), 2, 24), kOff24);
    EXPECT_EQ(Cell(page.LightsGrid(), 3, 1), QStringLiteral("Н"));

    // The first frame brings the values back.
    page.Sink().ShowLineLost(generation, false);
    showAll(sample);
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("Пятница"));
    EXPECT_EQ(FieldText(page, 1023), QStringLiteral("07"));
    EXPECT_EQ(FieldText(page, 1041), QStringLiteral("2"));
    EXPECT_EQ(FieldText(page, 1042), QStringLiteral("3"));
    // A stopped exchange shows the cleared console as always, never dashes.
    page.Sink().ShowLineLost(generation, true);
    DeliverPosted();
    page.Sink().ClearState(FrameBytes{});
    EXPECT_EQ(FieldText(page, 1025), QStringLiteral("понедельник"));
    EXPECT_EQ(FieldText(page, 1041), QStringLiteral("0"));
}

TEST(DeskWnd, RowsShareTheGridHeight)
{
    CDeskWnd page;
    for (const QSize size : {QSize(1280, 800), QSize(700, 420), QSize(1600, 1200), QSize(500, 300)}) {
        page.resize(size);
        page.show();
        QApplication::processEvents();
        const std::pair<ARecordList*, int> grids[] = {
            {page.StateGrid(), 8}, {page.LightsGrid(), 4}, {page.SensorsGrid(), 3}};
        for (const auto& [grid, rows] : grids) {
            const int client = grid->contentsRect().height() - grid->GetHeaderHeight();
            const int height = grid->GetRowHeight();
            // The rows fill the client area below the header, the remainder dropped.
            EXPECT_LE(height * rows, client) << size.width() << "x" << size.height() << " rows " << rows;
            EXPECT_GT((height + 1) * rows, client) << size.width() << "x" << size.height() << " rows " << rows;
        }
    }
    // A state grid 100 pixels high inside its border, with no header: rows of 12.
    bool found = false;
    for (int h = 200; h < 400 && !found; ++h) {
        page.resize(800, h);
        QApplication::processEvents();
        if (page.StateGrid()->contentsRect().height() == 100) {
            found = true;
            EXPECT_EQ(page.StateGrid()->GetRowHeight(), 12);
        }
    }
    EXPECT_TRUE(found);
    // A page too low for its grids keeps one-pixel rows rather than none.
    page.resize(500, 40);
    QApplication::processEvents();
    EXPECT_GE(page.LightsGrid()->GetRowHeight(), 1);
    EXPECT_GE(page.SensorsGrid()->GetRowHeight(), 1);
}

} // namespace
