// The console's pictures checked without a person: the button pictures' sizes, their sharpness at
// ratio 2, and nothing on the page overlapping. (`make snapshots` writes them to be looked at.)
#include "DeskTestSupport.h"

#include "pages/DeskImages.h"


#include <gtest/gtest.h>

#include <set>

using namespace vlk;
using namespace vlk::test;

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

TEST(DeskSnapshots, ButtonPictures)
{
    RegisterDeskImages();
    // Sizes as the artwork table gives them.
    const std::pair<int, QSize> sizes[] = {
        {151, {63, 27}}, {154, {63, 27}}, {152, {63, 27}}, {153, {63, 27}}, {140, {57, 32}}, {141, {57, 32}},
        {148, {64, 26}}, {150, {64, 26}}, {149, {64, 26}}, {145, {64, 26}}, {147, {64, 26}}, {146, {64, 26}},
        {157, {35, 26}}, {158, {35, 26}}, {159, {35, 26}}, {178, {35, 26}}, {180, {35, 26}}, {179, {35, 26}},
    };
    for (const auto& [id, size] : sizes) {
        EXPECT_EQ(Pictures::Size(id), size) << id;
        EXPECT_EQ(Pictures::Pixmap(id, 2.0).toImage().size(), size * 2) << id;
    }
    // All 36 exist and differ from each other.
    std::set<QByteArray> seen;
    for (int id : kDeskImageOrder) {
        ASSERT_TRUE(Pictures::Has(id)) << id;
        const QImage image = Pictures::Pixmap(id).toImage().convertToFormat(QImage::Format_RGB32);
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), 36u);
}

TEST(DeskSnapshots, ConsoleLockedAndUnlocked)
{
    CDeskWnd page;
    page.resize(1280, 800);
    ASSERT_TRUE(ShowAndActivate(&page));
    page.SetClockSource([] { return QDateTime(QDate(2026, 12, 8), QTime(17, 45)); });
    page.ShowFrame(DecodeStateFrame(Sample()));
    page.OnTakeClock();

    Click(page.GetDlgItem(1040));
    EXPECT_FALSE(page.ControlLocked());
    QApplication::processEvents();

    // No two controls overlap, except those that stand inside a frame.
    std::vector<QWidget*> controls;
    for (QObject* child : page.children()) {
        auto* window = qobject_cast<QWidget*>(child);
        if (window && window->isVisible() && AFormWnd::ItemClass(window) != QLatin1String("Button"))
            controls.push_back(window);
    }
    for (std::size_t a = 0; a < controls.size(); ++a)
        for (std::size_t b = a + 1; b < controls.size(); ++b)
            EXPECT_FALSE(controls[a]->geometry().intersects(controls[b]->geometry()))
                << AFormWnd::ItemId(controls[a]) << " " << qPrintable(AFormWnd::ItemClass(controls[a])) << " / "
                << AFormWnd::ItemId(controls[b]) << " " << qPrintable(AFormWnd::ItemClass(controls[b]));
    // Every picture fits its control.
    for (const CommandImages& button : kCommandImages) {
        const auto* label = page.Item<QLabel>(button.control);
        ASSERT_TRUE(label);
        EXPECT_LE(Pictures::Size(button.normal).width(), label->width() + 2) << button.control;
        EXPECT_LE(Pictures::Size(button.normal).height(), label->height() + 2) << button.control;
    }
}

} // namespace
