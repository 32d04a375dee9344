// The picture registry, DrawBitmap's placement and raster operations, and the tab order helper.
#include "grid/ACommon.h"
#include "grid/Pictures.h"
#include "grid/RecordListFlags.h"

#include "editor/ClassZetEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace vlk;

namespace {

QImage Canvas(QSize size, QColor fill, qreal ratio = 1.0)
{
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(fill);
    return image;
}

} // namespace

TEST(Pictures, EveryNumberedPictureHasItsSize)
{
    const std::pair<int, QSize> expected[] = {
        {132, {13, 13}}, {133, {157, 164}}, {156, {157, 164}}, {134, {14, 20}}, {135, {14, 20}},
        {136, {15, 15}}, {137, {15, 15}}, {138, {15, 15}}, {139, {15, 15}}, {181, {15, 15}},
        {182, {15, 15}}, {155, {15, 15}},
    };
    for (const auto& [id, size] : expected) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(Pictures::Has(id));
        EXPECT_EQ(Pictures::Size(id), size);
        EXPECT_EQ(ACommon::GetBitmapSize(id), size);
        const QPixmap one = Pictures::Pixmap(id, 1.0);
        const QPixmap two = Pictures::Pixmap(id, 2.0);
        EXPECT_EQ(one.size(), size);
        EXPECT_EQ(two.size(), size * 2);
        EXPECT_EQ(ACommon::GetBitmapSize(two), size);
    }
    EXPECT_FALSE(Pictures::Has(7));
    EXPECT_TRUE(Pictures::Pixmap(7).isNull());
}

TEST(Pictures, LampsPairWithTheirMaskAtEveryRatio)
{
    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage mask = Pictures::Pixmap(155, ratio).toImage();
        int black = 0;
        for (int y = 0; y < mask.height(); ++y) {
            for (int x = 0; x < mask.width(); ++x) {
                const QRgb m = mask.pixel(x, y) & 0xFFFFFF;
                ASSERT_TRUE(m == 0 || m == 0xFFFFFF) << x << "," << y; // pure for a raster AND
                black += m == 0;
            }
        }
        EXPECT_GT(black, mask.width() * mask.height() / 2);
        for (int id : {136, 137, 138, 139, 181, 182}) {
            const QImage lamp = Pictures::Pixmap(id, ratio).toImage();
            for (int y = 0; y < lamp.height(); ++y) {
                for (int x = 0; x < lamp.width(); ++x) {
                    if ((mask.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) {
                        ASSERT_EQ(lamp.pixel(x, y) & 0xFFFFFF, 0u) << id << " " << x << "," << y;
                    }
                }
            }
        }
    }
    // At ratio 2 the picture is drawn anew, not blown up: some 2 x 2 block is not uniform.
    const QImage two = Pictures::Pixmap(136, 2.0).toImage();
    bool detail = false;
    for (int y = 0; y + 1 < two.height() && !detail; y += 2)
        for (int x = 0; x + 1 < two.width() && !detail; x += 2)
            detail = two.pixel(x, y) != two.pixel(x + 1, y + 1) || two.pixel(x, y) != two.pixel(x + 1, y);
    EXPECT_TRUE(detail);
    // The lamps show their colours.
    EXPECT_GT(QColor(Pictures::Pixmap(136).toImage().pixel(7, 8)).red(), 180);
    EXPECT_GT(QColor(Pictures::Pixmap(138).toImage().pixel(7, 8)).green(), 150);
    const QColor yellow(Pictures::Pixmap(139).toImage().pixel(7, 8));
    EXPECT_GT(yellow.red(), 180);
    EXPECT_GT(yellow.green(), 150);
}

TEST(ACommon, DrawBitmapCentresAndClipsToTheRectangle)
{
    QImage image = Canvas(QSize(40, 40), Qt::red);
    {
        QPainter p(&image);
        ACommon::DrawBitmap(p, QRect(0, 0, 21, 22), 155, ROP_SRCCOPY);
    }
    // (21 - 15) / 2 = 3, (22 - 15) / 2 = 3.
    EXPECT_EQ(image.pixelColor(2, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(3, 3), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(18, 10), QColor(Qt::red));

    // A rectangle smaller than the picture: the corner goes left and up, the copy keeps to the
    // rectangle's extent from there.
    QImage small = Canvas(QSize(40, 40), Qt::red);
    {
        QPainter p(&small);
        ACommon::DrawBitmap(p, QRect(10, 10, 9, 9), 155, ROP_SRCCOPY);
    }
    EXPECT_EQ(small.pixelColor(8, 8), QColor(Qt::white)); // 10 + (9 - 15) / 2 = 7
    EXPECT_EQ(small.pixelColor(15, 15), QColor(Qt::black));
    EXPECT_EQ(small.pixelColor(16, 12), QColor(Qt::red));
    EXPECT_EQ(small.pixelColor(6, 8), QColor(Qt::red));
}

TEST(ACommon, DrawBitmapAtRatioTwoCopiesEveryDevicePixel)
{
    for (int id : {132, 136, 155}) {
        SCOPED_TRACE(id);
        const QSize size = Pictures::Size(id);
        QImage image = Canvas(size, Qt::red, 2.0);
        {
            QPainter p(&image);
            ACommon::DrawBitmap(p, QRect(QPoint(0, 0), size), id, ROP_SRCCOPY);
        }
        const QImage source = Pictures::Pixmap(id, 2.0).toImage();
        ASSERT_EQ(source.size(), image.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, source.pixel(x, y) & 0xFFFFFF) << x << "," << y;
    }
}

TEST(ACommon, MaskThenPictureIsTransparent)
{
    for (qreal ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        const QColor background(30, 60, 200);
        QImage image = Canvas(QSize(19, 19), background, ratio);
        {
            QPainter p(&image);
            ACommon::DrawBitmap(p, QRect(0, 0, 19, 19), 155, ROP_SRCAND);
            ACommon::DrawBitmap(p, QRect(0, 0, 19, 19), 136, ROP_SRCINVERT);
        }
        const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * ratio); };
        EXPECT_EQ(at(2, 2), background);
        EXPECT_EQ(at(18, 18), background);
        EXPECT_EQ(at(3, 3), background); // the picture's own corner
        const QColor centre = at(9, 10);
        EXPECT_GT(centre.red(), 180);
        EXPECT_LT(centre.blue(), 80);
    }
}

TEST(ACommon, CheckPictureIsTintedByTheBrush)
{
    const QColor even(224, 228, 216);
    const QColor selected(0, 0, 139);
    QImage copy = Canvas(QSize(19, 19), even);
    QImage paint = Canvas(QSize(19, 19), selected);
    {
        QPainter p(&copy);
        p.setBrush(even);
        ACommon::DrawBitmap(p, QRect(0, 0, 19, 19), 132, ROP_MERGECOPY);
    }
    {
        QPainter p(&paint);
        p.setBrush(selected);
        ACommon::DrawBitmap(p, QRect(0, 0, 19, 19), 132, ROP_MERGEPAINT);
    }
    const QImage source = Pictures::Pixmap(132).toImage();
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const QRgb s = source.pixel(x, y);
            ASSERT_EQ(copy.pixel(x + 3, y + 3) & 0xFFFFFF, s & even.rgb() & 0xFFFFFF) << x << "," << y;
            ASSERT_EQ(paint.pixel(x + 3, y + 3) & 0xFFFFFF, (~s | selected.rgb()) & 0xFFFFFF) << x << "," << y;
        }
    }
    // White parts take the background in both.
    EXPECT_EQ(copy.pixelColor(3, 3), even);
    EXPECT_EQ(paint.pixelColor(3, 3), selected);
}

TEST(ACommon, NextTabControlSkipsDisabledAndTreatsCompositesAsOne)
{
    QWidget form;
    auto* a = new QLineEdit(&form);
    auto* disabled = new QLineEdit(&form);
    disabled->setEnabled(false);
    auto* zet = new ClassZetEdit(ZES_NUMBER, &form);
    auto* combo = new QComboBox(&form);
    combo->setEditable(true);
    auto* button = new QPushButton(QStringLiteral("OK"), &form);
    form.show();
    EXPECT_EQ(ACommon::NextTabControl(a, false), zet);
    EXPECT_EQ(ACommon::NextTabControl(zet->EditChild(), false), combo);
    EXPECT_EQ(ACommon::NextTabControl(zet->EditChild(), true), a);
    EXPECT_EQ(ACommon::NextTabControl(combo->lineEdit(), false), button);
    EXPECT_EQ(ACommon::NextTabControl(button, false), a); // wraps round
    EXPECT_EQ(ACommon::NextTabControl(a, true), button);
    EXPECT_EQ(ACommon::NextTabControl(nullptr, false), nullptr);

    QWidget lonely;
    auto* only = new QLineEdit(&lonely);
    lonely.show();
    EXPECT_EQ(ACommon::NextTabControl(only, false), only);
}
