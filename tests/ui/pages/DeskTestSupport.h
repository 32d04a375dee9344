#pragma once

#include "grid/ARecordList.h"
#include "grid/Pictures.h"
#include "pages/DeskWnd.h"
#include "support/WindowInput.h"

#include <QApplication>
#include <QComboBox>
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

inline void Pump(std::chrono::milliseconds period)
{
    PumpUntil([] { return false; }, period);
}

} // namespace vlk::test
