#pragma once

#include "report/ReportContent.h"

#include <QFont>
#include <QRectF>
#include <QString>

#include <functional>
#include <vector>

class QPainter;
class QPagedPaintDevice;

namespace vlk {

// Lays the blocks of a report out on A4 portrait pages and paints them on a QPdfWriter or a
// QPrinter. Everything is measured on the device it is painted on, so the page breaks are those
// of the paper. Tables keep their natural column widths while they fit; a wide table first takes
// a smaller font (never below 7 pt), then breaks the text of its wrapping columns into lines.
// A table that goes on over a page break repeats its header row. Every page's footer holds the
// fingerprint and "Страница N из M".
class ReportPages {
public:
    static constexpr double kMinimumPointSize = 7.0;

    // Draws the time-bar diagram of a program into a rectangle of the page (device pixels).
    struct Diagrams {
        std::function<double(QPainter& painter, int program, double width)> height;
        std::function<void(QPainter& painter, int program, const QRectF& rect)> paint;
    };

    ReportPages(std::vector<ReportBlock> blocks, QString footer, Diagrams diagrams = {});

    // Sets the device to A4 portrait with the report's margins, lays the blocks out and paints
    // every page. Returns the number of pages, 0 when the device cannot be painted on.
    int Paint(QPagedPaintDevice& device) const;

    // The point sizes of the text kinds: the smallest is the footer's and the tables' least.
    static QFont Font(double pointSize, bool bold = false);

private:
    std::vector<ReportBlock> m_blocks;
    QString m_footer;
    Diagrams m_diagrams;
};

} // namespace vlk
