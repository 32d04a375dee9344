// The about box and the port dialog show every text whole: each line of a label fits the label
// as its own font measures it, and no control leaves its dialog.

#include "frame/AboutDlg.h"
#include "frame/QuestionWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

namespace vlk {
namespace {

QStringList CutTexts(QDialog& dialog)
{
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QStringList cut;
    const QRect area = dialog.rect();
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (w->isHidden() || w->isWindow())
            continue;
        const QRect g(w->mapTo(&dialog, QPoint(0, 0)), w->size());
        const QFontMetrics fm(w->font());
        if (!area.contains(g))
            cut << QStringLiteral("'%1' outside the dialog").arg(w->objectName());
        if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull() && !label->wordWrap()) {
            const QRect inside = label->contentsRect();
            const QStringList lines = label->text().split(QLatin1Char('\n'));
            for (const QString& line : lines)
                if (fm.horizontalAdvance(line) > inside.width())
                    cut << QStringLiteral("'%1' cut: %2 > %3").arg(line).arg(fm.horizontalAdvance(line)).arg(inside.width());
            if (fm.height() * lines.size() > inside.height())
                cut << QStringLiteral("'%1' too low: %2 lines in %3").arg(label->text()).arg(lines.size()).arg(inside.height());
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->wordWrap()) {
            const QRect needed = fm.boundingRect(label->contentsRect(), Qt::TextWordWrap | int(label->alignment()), label->text());
            if (needed.height() > label->contentsRect().height())
                cut << QStringLiteral("'%1' too low").arg(label->text());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->sizeHint().width() > button->width() + 4 || fm.height() > button->height())
                cut << QStringLiteral("'%1' cut").arg(button->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(box->title()) + 16 > box->width())
                cut << QStringLiteral("'%1' title cut").arg(box->title());
        }
    }
    return cut;
}

QStringList Texts(const QDialog& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

// The offscreen platform's font, and a larger one as desktops often have.
class DialogTexts : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override
    {
        m_font = QApplication::font();
        QFont font = m_font;
        font.setPointSizeF(m_font.pointSizeF() * GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(m_font); }

    QFont m_font;
};

TEST_P(DialogTexts, TheAboutBoxShowsItsNoticeWhole)
{
    CAboutDlg about;
    const QStringList cut = CutTexts(about);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Texts(about).contains(QStringLiteral("VLK2.2 Версия 1.0")));
}

TEST_P(DialogTexts, ThePortDialogShowsEachDeviceWhole)
{
    // What `make run` and a USB adapter give.
    setenv("VLK_COM1", "/dev/pts/12", 1);
    setenv("VLK_COM2", "/dev/ttyUSB0", 1);
    CQuestionWnd dialog;
    const QStringList cut = CutTexts(dialog);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Texts(dialog).contains(QStringLiteral("/dev/pts/12")));
    EXPECT_TRUE(Texts(dialog).contains(QStringLiteral("/dev/ttyUSB0")));
    unsetenv("VLK_COM1");
    unsetenv("VLK_COM2");
}

TEST_P(DialogTexts, ALongDevicePathKeepsBothEndsAndTellsTheRestInItsTip)
{
    const QString longPath = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    setenv("VLK_COM1", longPath.toLocal8Bit().constData(), 1);
    unsetenv("VLK_COM2");
    CQuestionWnd dialog;
    const QStringList cut = CutTexts(dialog);
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QLatin1Char('\n')).toStdString();
    const QLabel* device = nullptr;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->toolTip() == longPath)
            device = label;
    ASSERT_TRUE(device);
    // Shortened in the middle: where it starts and how it ends stay readable.
    EXPECT_TRUE(device->text().startsWith(QStringLiteral("/dev/"))) << device->text().toStdString();
    EXPECT_TRUE(device->text().endsWith(QStringLiteral("port0"))) << device->text().toStdString();
    EXPECT_TRUE(device->text().contains(QChar(0x2026))) << device->text().toStdString();
    unsetenv("VLK_COM1");
}

INSTANTIATE_TEST_SUITE_P(FontScales, DialogTexts, testing::Values(1.0, 1.4));

} // namespace
} // namespace vlk
