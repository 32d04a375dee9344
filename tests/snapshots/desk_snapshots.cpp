// The console for a person to look at: its button pictures and the page locked and unlocked.
#include "Snapshots.h"
#include "pages/DeskImages.h"
#include "pages/DeskTestSupport.h"

#include <QPainter>

using namespace vlk;
using namespace vlk::test;
using vlk::snapshots::Save;

namespace {

FrameBytes Sample()
{
    FrameBytes f{};
    const std::uint8_t bytes[26] = {0x29, 0x42, 0x03, 0x32, 0x17, 0x45, 0x00, 0x10, 0x00, 0xCC, 0x33, 0x0F,
                                    0x00, 0x00, 0x30, 0x33, 0xCC, 0xF0, 0x15, 0x41, 0x00, 0x00, 0x3F, 0x0C,
                                    0x21, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), f.begin());
    return f;
}

} // namespace

TEST(DeskSnapshots, ButtonPictures)
{
    RegisterDeskImages();
    // A sheet of every picture at ratio 1 and 2, in load order.
    for (const qreal ratio : {1.0, 2.0}) {
        QImage sheet(QSize(6 * 72, 6 * 40) * ratio, QImage::Format_RGB32);
        sheet.setDevicePixelRatio(ratio);
        sheet.fill(QColor(255, 255, 255));
        QPainter painter(&sheet);
        for (std::size_t i = 0; i < kDeskImageOrder.size(); ++i)
            painter.drawPixmap(QPoint(4 + static_cast<int>(i % 6) * 72, 4 + static_cast<int>(i / 6) * 40),
                               Pictures::Pixmap(kDeskImageOrder[i], ratio));
        painter.end();
        Save(sheet, QLatin1String(ratio == 1.0 ? "desk_buttons.png" : "desk_buttons@2x.png"));
    }
}

TEST(DeskSnapshots, ConsoleLockedAndUnlocked)
{
    CDeskWnd page;
    page.resize(1280, 800);
    ASSERT_TRUE(ShowAndActivate(&page));
    page.SetClockSource([] { return QDateTime(QDate(2026, 12, 8), QTime(17, 45)); });
    page.ShowFrame(DecodeStateFrame(Sample()));
    page.OnTakeClock();
    // The take-clock button shows its resting picture again after its pressed look.
    Pump(CDeskWnd::PressedLook + std::chrono::milliseconds(100));
    Save(page.grab().toImage(), QStringLiteral("desk_locked.png"));

    Click(page.GetDlgItem(1040));
    Pump(CDeskWnd::PressedLook + std::chrono::milliseconds(100));
    Save(page.grab().toImage(), QStringLiteral("desk_unlocked.png"));
}
