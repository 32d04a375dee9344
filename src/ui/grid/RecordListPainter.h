#pragma once

#include "grid/RecordListColours.h"
#include "grid/RecordListGeometry.h"

#include <QRect>
#include <QString>

class QPainter;

namespace vlk {

class RecordListModel;

// One paint pass of a grid: header, rows, stripes below the rows and the column lines, with one
// routine per kind of cell.
class RecordListPainter {
public:
    struct State {
        int curSel = -1;
        bool focused = false;
        bool headerOnly = false;
        bool border = false;
        int checkedPicture = 132;
        int uncheckedPicture = 0;
        QString checkText;
        int dragLineX = -1; // x of the resize line, -1 when no drag runs
        QRect cursorFrame;  // the cell cursor's focus frame, null when none is shown
        QRect selectionBox; // a selected block of more than one cell, null when none
    };

    RecordListPainter(QPainter& painter, const RecordListModel& model, const RecordListGeometry& geometry,
                      const RecordListColours& colours, const State& state);

    // Paints what lies in dirty.
    void Paint(const QRect& dirty);

private:
    void PaintHeader();
    void PaintRowBand(int top, const QColor& background, bool firstInPass);
    void PaintCells(int row, int top, bool current, const QColor& background);
    void PaintTextCell(const QRect& cell, int flags, const QString& text);
    void PaintCheckCell(const QRect& cell, bool current, const QString& text);
    void PaintPictureCell(const QRect& cell, int col, const QString& text);
    void PaintCursor();

    QPainter& m_painter;
    const RecordListModel& m_model;
    const RecordListGeometry& m_geometry;
    const RecordListColours& m_colours;
    const State& m_state;
    QRect m_dirty;
    bool m_stretch = false;
};

} // namespace vlk
