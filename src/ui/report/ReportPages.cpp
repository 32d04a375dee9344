#include "report/ReportPages.h"

#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <numeric>

namespace vlk {

namespace {

constexpr double kTitleSize = 16;
constexpr double kHeadingSize = 12;
constexpr double kSubheadingSize = 10;
constexpr double kTextSize = 9;
constexpr double kFooterSize = 7.5;
constexpr double kTableSizes[] = {8.5, 8, 7.5, 7};

constexpr double kLongestWordMm = 40;

const QColor kHeaderFill(0xE6, 0xE6, 0xE6);
const QColor kRule(0x60, 0x60, 0x60);

using Op = std::function<void(QPainter&)>;

struct Page {
    std::vector<Op> ops;
};

// The arithmetic of one table at one font size.
struct TableGeometry {
    double pointSize = 0;
    std::vector<double> widths;
    bool fits = false;
    bool wrapped = false; // the wrapping columns are narrower than their text
    double hpad = 0;      // blank at either side of a cell's text
};

class Layouter {
public:
    Layouter(QPainter& painter, const ReportPages::Diagrams& diagrams)
        : m_painter(painter),
          m_device(*painter.device()),
          m_diagrams(diagrams),
          m_mm(m_device.logicalDpiX() / 25.4),
          m_width(m_device.width()),
          m_footerTop(m_device.height() - Mm(8))
    {
        m_pages.emplace_back();
    }

    [[nodiscard]] double Mm(double mm) const { return mm * m_mm; }
    [[nodiscard]] double Width() const { return m_width; }
    [[nodiscard]] double FooterTop() const { return m_footerTop; }
    [[nodiscard]] std::vector<Page>& Pages() { return m_pages; }

    void Lay(const std::vector<ReportBlock>& blocks)
    {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const ReportBlock& b = blocks[i];
            switch (b.kind) {
            case ReportBlock::Kind::Title:
                Words(b.text, ReportPages::Font(kTitleSize, true), 0, Mm(4), 0);
                break;
            case ReportBlock::Kind::Heading:
                Words(b.text, ReportPages::Font(kHeadingSize, true), Mm(6), Mm(2), Mm(30));
                break;
            case ReportBlock::Kind::Subheading: {
                // A diagram's title goes over to the next page with it.
                const bool diagram = i + 1 < blocks.size() && blocks[i + 1].kind == ReportBlock::Kind::Diagram;
                Words(b.text, ReportPages::Font(kSubheadingSize, true), Mm(3), Mm(1.5),
                      diagram ? DiagramHeight(blocks[i + 1].program) + Mm(1) : Mm(22));
                break;
            }
            case ReportBlock::Kind::Text:
                Words(b.text, ReportPages::Font(kTextSize), Mm(1), Mm(1), 0);
                break;
            case ReportBlock::Kind::Table:
                Table(b.table);
                break;
            case ReportBlock::Kind::Diagram:
                Diagram(b.program);
                break;
            }
        }
    }

private:
    void Add(Op op) { m_pages.back().ops.push_back(std::move(op)); }

    void NewPage()
    {
        m_pages.emplace_back();
        m_y = 0;
    }

    // Starts a new page unless `height` still fits on this one (or the page is empty anyway).
    void Need(double height)
    {
        if (m_y > 0 && m_y + height > m_footerTop)
            NewPage();
    }

    [[nodiscard]] double WrappedHeight(const QFont& font, const QString& text, double width, int flags) const
    {
        const QFontMetricsF fm(font, &m_device);
        return fm.boundingRect(QRectF(0, 0, width, std::numeric_limits<double>::max() / 4), flags, text).height();
    }

    // A paragraph of wrapped text; `keep` is room wanted below it on the same page (a heading
    // stays with the start of what it heads).
    void Words(const QString& text, const QFont& font, double before, double after, double keep)
    {
        const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
        const double height = WrappedHeight(font, text, m_width, flags);
        if (m_y > 0)
            m_y += before;
        Need(height + keep);
        const QRectF rect(0, m_y, m_width, height);
        Add([=](QPainter& p) {
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(rect, flags, text);
        });
        m_y += height + after;
    }

    [[nodiscard]] static double LineWidth(const QFontMetricsF& fm, const QString& text)
    {
        double width = 0;
        for (const QString& line : text.split(QLatin1Char('\n')))
            width = std::max(width, fm.horizontalAdvance(line));
        return width;
    }

    [[nodiscard]] static double WordWidth(const QFontMetricsF& fm, const QString& text)
    {
        static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
        double width = 0;
        for (const QString& word : text.split(kBlanks, Qt::SkipEmptyParts))
            width = std::max(width, fm.horizontalAdvance(word));
        return width;
    }

    // `wrapHeader`: the header titles may break between words.
    [[nodiscard]] TableGeometry Measure(const ReportTable& t, std::size_t columns, double pointSize, bool wrapHeader,
                                        double hpad) const
    {
        const QFontMetricsF fm(ReportPages::Font(pointSize), &m_device);
        const QFontMetricsF bold(ReportPages::Font(pointSize, true), &m_device);
        // A little slack: the advance measured and the line the painter breaks may differ by rounding.
        const double pad = 2 * hpad + Mm(0.4);
        TableGeometry g;
        g.pointSize = pointSize;
        g.hpad = hpad;
        std::vector<double> natural(columns, 0), least(columns, 0);
        for (std::size_t c = 0; c < columns; ++c) {
            if (c < static_cast<std::size_t>(t.header.size())) {
                const QString& title = t.header[static_cast<qsizetype>(c)];
                natural[c] = wrapHeader ? WordWidth(bold, title) : LineWidth(bold, title);
                least[c] = natural[c];
            }
            for (const QStringList& row : t.rows) {
                if (c >= static_cast<std::size_t>(row.size()))
                    continue;
                const QString& text = row[static_cast<qsizetype>(c)];
                const QFontMetricsF& m = t.rowTitles && c == 0 ? bold : fm;
                natural[c] = std::max(natural[c], LineWidth(m, text));
                // A word wider than that breaks anywhere (see CellFlags).
                least[c] = std::max(least[c], t.wrap[c] ? std::min(WordWidth(m, text), Mm(kLongestWordMm))
                                                        : LineWidth(m, text));
            }
            natural[c] += pad;
            least[c] += pad;
        }
        const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
        if (total <= m_width) {
            g.widths = natural;
            g.fits = true;
            return g;
        }
        // The wrapping columns share what the others leave, in proportion to their natural widths.
        double fixed = 0, flexible = 0;
        for (std::size_t c = 0; c < columns; ++c)
            (t.wrap[c] ? flexible : fixed) += natural[c];
        g.widths = natural;
        const double room = m_width - fixed;
        if (flexible > 0 && room > 0) {
            double leastFlexible = 0;
            for (std::size_t c = 0; c < columns; ++c)
                if (t.wrap[c])
                    leastFlexible += least[c];
            if (leastFlexible <= room) {
                for (std::size_t c = 0; c < columns; ++c)
                    if (t.wrap[c])
                        g.widths[c] = std::max(least[c], room * natural[c] / flexible);
                const double sum = std::accumulate(g.widths.begin(), g.widths.end(), 0.0);
                for (double& w : g.widths)
                    w *= std::min(1.0, m_width / sum);
                g.fits = true;
                g.wrapped = true;
                return g;
            }
        }
        return g;
    }

    void Table(const ReportTable& t)
    {
        std::size_t columns = static_cast<std::size_t>(t.header.size());
        for (const QStringList& row : t.rows)
            columns = std::max(columns, static_cast<std::size_t>(row.size()));
        if (columns == 0)
            return;
        ReportTable table = t;
        table.wrap.resize(columns, false);

        // Whole header titles, then titles broken between words, then smaller fonts; only at the
        // least size do the wrapping columns break their text.
        // A table of many narrow columns (the inter-green square) tries narrower cell margins too.
        TableGeometry g;
        bool done = false;
        for (double size : kTableSizes) {
            for (double hpad : {Mm(1.2), Mm(0.5)}) {
                for (bool wrapHeader : {false, true}) {
                    g = Measure(table, columns, size, wrapHeader, hpad);
                    done = g.fits && !g.wrapped;
                    if (done)
                        break;
                }
                if (done)
                    break;
            }
            if (done)
                break;
        }
        if (!done)
            g = Measure(table, columns, kTableSizes[std::size(kTableSizes) - 1], true, Mm(1.2));
        if (!g.fits) {
            // Nothing can wrap enough: squeeze the columns at the least size (cells clip).
            const double sum = std::accumulate(g.widths.begin(), g.widths.end(), 0.0);
            for (double& w : g.widths)
                w *= m_width / sum;
        }
        const QFont font = ReportPages::Font(g.pointSize);
        const QFont bold = ReportPages::Font(g.pointSize, true);
        const double hpad = g.hpad, vpad = Mm(0.7);

        // How a cell breaks its text: between words where it may wrap, anywhere in a word
        // too long for its column.
        auto cellFlags = [&](const QString& text, std::size_t c, bool header, const QFont& f) {
            if (!header && !table.wrap[c])
                return 0;
            const QFontMetricsF fm(f, &m_device);
            return WordWidth(fm, text) > g.widths[c] - 2 * hpad ? int(Qt::TextWrapAnywhere) : int(Qt::TextWordWrap);
        };
        auto rowHeight = [&](const QStringList& cells, bool header) {
            double h = 0;
            for (std::size_t c = 0; c < static_cast<std::size_t>(cells.size()) && c < columns; ++c) {
                const bool strong = header || (table.rowTitles && c == 0);
                const QFont& f = strong ? bold : font;
                const QString& text = cells[static_cast<qsizetype>(c)];
                h = std::max(h, WrappedHeight(f, text, g.widths[c] - 2 * hpad, cellFlags(text, c, header, f)));
            }
            return h + 2 * vpad;
        };
        auto draw = [&](const QStringList& cells, bool header, double height) {
            double x = 0;
            for (std::size_t c = 0; c < columns; ++c) {
                const QRectF cell(x, m_y, g.widths[c], height);
                x += g.widths[c];
                const bool strong = header || (table.rowTitles && c == 0);
                const QString text = c < static_cast<std::size_t>(cells.size()) ? cells[static_cast<qsizetype>(c)] : QString();
                const QFont f = strong ? bold : font;
                int flags = Qt::AlignVCenter | cellFlags(text, c, header, f);
                flags |= header || (c > 0 && !table.wrap[c]) ? Qt::AlignHCenter : Qt::AlignLeft;
                const QRectF inner = cell.adjusted(hpad, vpad, -hpad, -vpad);
                Add([=, this](QPainter& p) {
                    if (strong)
                        p.fillRect(cell, kHeaderFill);
                    p.setPen(QPen(kRule, Mm(0.15)));
                    p.setBrush(Qt::NoBrush);
                    p.drawRect(cell);
                    p.setFont(f);
                    p.setPen(Qt::black);
                    p.drawText(inner, flags, text);
                });
            }
            m_y += height;
        };

        const bool hasHeader = !table.header.isEmpty();
        const double headerHeight = hasHeader ? rowHeight(table.header, true) : 0;
        m_y += Mm(1);
        Need(headerHeight + (table.rows.empty() ? 0 : rowHeight(table.rows.front(), false)));
        if (hasHeader)
            draw(table.header, true, headerHeight);
        for (const QStringList& row : table.rows) {
            const double h = rowHeight(row, false);
            if (m_y + h > m_footerTop && m_y > headerHeight) {
                NewPage();
                if (hasHeader)
                    draw(table.header, true, headerHeight);
            }
            draw(row, false, h);
        }
        m_y += Mm(2);
    }

    [[nodiscard]] double DiagramHeight(int program) const
    {
        if (!m_diagrams.height || !m_diagrams.paint)
            return 0;
        return std::min(m_diagrams.height(m_painter, program, m_width), m_footerTop - Mm(12));
    }

    void Diagram(int program)
    {
        if (!m_diagrams.height || !m_diagrams.paint)
            return;
        const double height = DiagramHeight(program);
        m_y += Mm(1);
        Need(height);
        const QRectF rect(0, m_y, m_width, height);
        const auto paint = m_diagrams.paint;
        Add([=](QPainter& p) {
            p.save();
            paint(p, program, rect);
            p.restore();
        });
        m_y += height + Mm(3);
    }

    QPainter& m_painter;
    QPaintDevice& m_device;
    const ReportPages::Diagrams& m_diagrams;
    double m_mm;
    double m_width;
    double m_footerTop;
    double m_y = 0;
    std::vector<Page> m_pages;
};

} // namespace

ReportPages::ReportPages(std::vector<ReportBlock> blocks, QString footer, Diagrams diagrams)
    : m_blocks(std::move(blocks)), m_footer(std::move(footer)), m_diagrams(std::move(diagrams))
{
}

QFont ReportPages::Font(double pointSize, bool bold)
{
    // DejaVu Sans draws the station's texts everywhere; its Cyrillic is complete.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(std::max(pointSize, kMinimumPointSize));
    font.setBold(bold);
    return font;
}

int ReportPages::Paint(QPagedPaintDevice& device) const
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 12, 12, 10),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    Layouter layout(painter, m_diagrams);
    layout.Lay(m_blocks);
    std::vector<Page>& pages = layout.Pages();
    const int count = static_cast<int>(pages.size());
    const QFont footerFont = Font(kFooterSize);
    const double width = layout.Width();
    const double top = layout.FooterTop() + layout.Mm(3);
    const double bottom = device.height();
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !device.newPage())
            return 0;
        for (const Op& op : pages[static_cast<std::size_t>(i)].ops)
            op(painter);
        painter.setPen(QPen(kRule, layout.Mm(0.2)));
        painter.drawLine(QPointF(0, top), QPointF(width, top));
        painter.setFont(footerFont);
        painter.setPen(Qt::black);
        const QRectF line(0, top + layout.Mm(0.8), width, bottom - top - layout.Mm(0.8));
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, m_footer);
        painter.drawText(line, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Страница %1 из %2").arg(i + 1).arg(count));
    }
    return painter.end() ? count : 0;
}

} // namespace vlk
