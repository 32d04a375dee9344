#pragma once

#include "grid/ARecordList.h"
#include "grid/Pictures.h"
#include "pages/DeskWnd.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <functional>

namespace vlk::test {

inline QString FieldText(const CDeskWnd& page, int id)
{
    const auto* edit = page.Item<QLineEdit>(id);
    return edit ? edit->text() : QStringLiteral("<missing>");
}

inline QString Cell(const ARecordList* grid, int row, int col)
{
    return grid ? grid->GetCellText(row, col) : QStringLiteral("<missing>");
}

// The texts of one grid row, columns 1..count, joined without separators.
inline QString RowText(const ARecordList* grid, int row, int count)
{
    QString text;
    for (int c = 1; c <= count; ++c)
        text += Cell(grid, row, c);
    return text;
}

// True when picture control `id` shows picture `image` of the registry.
inline bool Shows(const CDeskWnd& page, int id, int image)
{
    const auto* label = page.Item<QLabel>(id);
    if (!label)
        return false;
    const QImage shown = label->pixmap().toImage();
    const QImage expected = Pictures::Pixmap(image, page.devicePixelRatioF()).toImage();
    return !expected.isNull() && shown.convertToFormat(QImage::Format_RGB32) == expected.convertToFormat(QImage::Format_RGB32);
}

inline void Click(CDeskWnd& page, int id)
{
    QWidget* window = page.GetDlgItem(id);
    if (window)
        QTest::mouseClick(window, Qt::LeftButton, {}, window->rect().center());
}

// Processes events until `done` holds or `limit` passes; the result of `done` at the end.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limit.count())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
    return true;
}

inline void Pump(std::chrono::milliseconds period)
{
    PumpUntil([] { return false; }, period);
}

} // namespace vlk::test
