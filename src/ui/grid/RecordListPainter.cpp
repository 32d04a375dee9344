#include "grid/RecordListPainter.h"

#include "grid/ACommon.h"
#include "grid/RecordListFlags.h"
#include "grid/RecordListLayout.h"
#include "grid/RecordListModel.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>

namespace vlk {

RecordListPainter::RecordListPainter(QPainter& painter, const RecordListModel& model,
                                     const RecordListGeometry& geometry, const RecordListColours& colours,
                                     const State& state)
    : m_painter(painter)
    , m_model(model)
    , m_geometry(geometry)
    , m_colours(colours)
    , m_state(state)
    , m_stretch(RecordListLayout::SingleStretchColumn(model))
{
}

void RecordListPainter::Paint(const QRect& dirty)
{
    m_dirty = dirty;
    const auto& g = m_geometry;
    PaintHeader();
    if (!m_state.headerOnly) {
        const int rowHeight = g.rowHeight > 0 ? g.rowHeight : 1;
        int top = g.headerHeight;
        int drawn = 0;
        for (int r = g.topRow; r < g.rowCount && top <= g.clientHeight; ++r, ++drawn, top += rowHeight) {
            const bool current = r == m_state.curSel;
            const QColor background = current ? (m_state.focused ? m_colours.selFocused : m_colours.selUnfocused)
                                              : (r % 2 ? m_colours.oddRow : m_colours.evenRow);
            if (top + rowHeight < dirty.top() || top > dirty.bottom())
                continue;
            PaintRowBand(top, background, drawn == 0);
            PaintCells(r, top, current, background);
        }
        // Empty stripes down to the bottom edge, alternating as the rows would.
        const int slotCount = (g.clientHeight - g.headerHeight) / rowHeight + 1;
        for (int slot = drawn; slot < slotCount; ++slot, top += rowHeight) {
            if (top + rowHeight < dirty.top() || top > dirty.bottom())
                continue;
            PaintRowBand(top, (slot + g.topRow) % 2 ? m_colours.oddRow : m_colours.evenRow, slot == 0);
        }
        // Column lines across rows and stripes.
        int x = -RecordListLayout::HorizontalUnit * g.hpos;
        const int lineTop = g.headerHeight;
        for (int col = 0; col < m_model.ColumnCount(); ++col) {
            x += m_model.Column(col).width;
            if (x >= dirty.left() && x <= dirty.right() && g.clientHeight > lineTop)
                m_painter.fillRect(QRect(x, lineTop, 1, g.clientHeight - lineTop), m_colours.gridLine);
        }
    }
    if (!m_state.headerOnly)
        PaintCursor();
    if (m_state.dragLineX >= 0) {
        const auto mode = m_painter.compositionMode();
        const bool xorOk = m_painter.paintEngine() && m_painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
        m_painter.setCompositionMode(xorOk ? QPainter::RasterOp_SourceXorDestination : QPainter::CompositionMode_Difference);
        m_painter.fillRect(QRect(m_state.dragLineX, 0, 1, g.clientHeight), Qt::white);
        m_painter.setCompositionMode(mode);
    }
}

void RecordListPainter::PaintCursor()
{
    // Only the data area: a frame of a row scrolled under the header stays hidden there.
    m_painter.save();
    m_painter.setClipRect(QRect(0, m_geometry.headerHeight + 1, m_geometry.clientWidth + 1, m_geometry.clientHeight),
                          Qt::IntersectClip);
    if (!m_state.selectionBox.isNull()) {
        QColor tint = m_colours.selFocused;
        tint.setAlpha(48);
        m_painter.fillRect(m_state.selectionBox, tint);
        m_painter.setPen(QPen(m_colours.selFocused, 1));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(m_state.selectionBox.adjusted(0, 0, -1, -1));
    }
    const QRect frame = m_state.cursorFrame;
    if (!frame.isNull() && frame.width() > 2 && frame.height() > 2) {
        // Black outside, white inside: seen on the light stripes and on a dark current row.
        m_painter.setBrush(Qt::NoBrush);
        m_painter.setPen(QPen(Qt::black, 1));
        m_painter.drawRect(frame.adjusted(0, 0, -1, -1));
        m_painter.setPen(QPen(Qt::white, 1));
        m_painter.drawRect(frame.adjusted(1, 1, -2, -2));
    }
    m_painter.restore();
}

void RecordListPainter::PaintHeader()
{
    const auto& g = m_geometry;
    if (m_dirty.top() > g.headerHeight)
        return;
    const int right = g.clientWidth + 1;
    if (g.headerHeight > 0)
        m_painter.fillRect(QRect(0, 0, right, g.headerHeight), m_colours.header);
    m_painter.fillRect(QRect(0, g.headerHeight, right, 1), Qt::black);

    const QFontMetrics metrics(m_painter.font());
    m_painter.setPen(m_colours.text);
    auto drawTitle = [&](const QRect& box, const QString& title) {
        const QRect inner = box.adjusted(2, 0, -2, 0);
        if (inner.width() <= 0 || title.isEmpty())
            return;
        const int align = metrics.horizontalAdvance(title) < inner.width() ? Qt::AlignHCenter : Qt::AlignLeft;
        m_painter.drawText(inner, align | Qt::AlignVCenter | Qt::TextSingleLine, title);
    };
    const QRect band(0, 0, right, g.headerHeight + 1);
    if (m_model.ColumnCount() == 0) {
        drawTitle(band, m_model.Column(0).title);
    } else {
        int x = -RecordListLayout::HorizontalUnit * g.hpos;
        for (int col = 0; col < m_model.ColumnCount(); ++col) {
            const int width = m_model.Column(col).width;
            const int boxRight = m_stretch ? right : x + width;
            if (boxRight >= m_dirty.left() && x <= m_dirty.right())
                drawTitle(QRect(x, 0, boxRight - x, g.headerHeight + 1), m_model.Column(col).title);
            x += width;
            if (g.headerHeight > 0)
                m_painter.fillRect(QRect(x, 0, 1, g.headerHeight), m_colours.headerLine);
        }
    }
    if (!m_state.border)
        m_painter.fillRect(QRect(0, 0, right, 1), Qt::black);
}

void RecordListPainter::PaintRowBand(int top, const QColor& background, bool firstInPass)
{
    m_painter.fillRect(QRect(0, top, m_geometry.clientWidth + 1, m_geometry.rowHeight), background);
    m_painter.fillRect(QRect(0, top, m_geometry.clientWidth, 1), firstInPass ? QColor(Qt::black) : m_colours.gridLine);
}

void RecordListPainter::PaintCells(int row, int top, bool current, const QColor& background)
{
    const auto& cells = m_model.Row(row).cells;
    const int count = std::min<int>(static_cast<int>(cells.size()), m_model.ColumnCount());
    const int rowHeight = m_geometry.rowHeight;
    m_painter.setPen(current ? m_colours.selText : m_colours.text);
    m_painter.setBrush(background);
    int x = -RecordListLayout::HorizontalUnit * m_geometry.hpos;
    for (int col = 0; col < count; ++col) {
        const auto& column = m_model.Column(col);
        const int right = m_stretch ? m_geometry.clientWidth + 1 : x + column.width;
        if (right >= m_dirty.left() && x <= m_dirty.right()) {
            const QRect cell(x, top, right - x, rowHeight + 1);
            const QString& text = cells[col];
            if (column.flags & RLC_CHECK)
                PaintCheckCell(cell, current, text);
            else if (column.flags & RLC_PICTURES)
                PaintPictureCell(cell.adjusted(0, 0, 1, 0), col, text);
            else if (!text.isEmpty())
                PaintTextCell(cell, column.flags, text);
            m_painter.fillRect(QRect(x + column.width, top, 1, rowHeight + 1), m_colours.gridLine);
        }
        x += column.width;
        if (x > m_dirty.right() && !m_stretch)
            break;
    }
}

void RecordListPainter::PaintTextCell(const QRect& cell, int flags, const QString& text)
{
    const QRect inner = cell.adjusted(2, 0, -2, 0);
    if (inner.width() <= 0)
        return;
    const int align = (flags & RLC_RIGHT) ? Qt::AlignRight : (flags & RLC_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    m_painter.drawText(inner, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

void RecordListPainter::PaintCheckCell(const QRect& cell, bool current, const QString& text)
{
    const unsigned rop = current ? ROP_MERGEPAINT : ROP_MERGECOPY;
    if (!text.isEmpty()) {
        if (m_state.checkedPicture >= 1)
            ACommon::DrawBitmap(m_painter, cell, m_state.checkedPicture, rop);
        else
            m_painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, m_state.checkText);
    } else if (m_state.uncheckedPicture > 0) {
        ACommon::DrawBitmap(m_painter, cell, m_state.uncheckedPicture, rop);
    }
}

void RecordListPainter::PaintPictureCell(const QRect& cell, int col, const QString& text)
{
    const ColumnPicture* entry = m_model.PictureFor(col, text);
    if (!entry)
        return;
    if (entry->mask > 0)
        ACommon::DrawBitmap(m_painter, cell, entry->mask, ROP_SRCAND);
    ACommon::DrawBitmap(m_painter, cell, entry->image, ROP_SRCINVERT);
}

} // namespace vlk
