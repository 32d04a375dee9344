#include "report/JunctionReport.h"

#include "config/ConfigurationImage.h"
#include "diagram/TimeBarLayout.h"
#include "diagram/DiagramLegend.h"
#include "diagram/TimeBarPainter.h"
#include "diagram/WeekBarLayout.h"
#include "diagram/WeekBarPainter.h"
#include "plan/ConfigurationCheck.h"
#include "report/ReportPages.h"
#include "util/Crc32.h"
#include "util/WholeFile.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

namespace vlk {

JunctionReport::JunctionReport(const Configuration& configuration, const QString& fileName, const QDate& date)
{
    const ImageBytes image = ConfigurationImage::Encode(configuration);
    const DecodeResult decoded = ConfigurationImage::Decode(image);
    m_source.configuration = decoded.configuration.value_or(configuration);
    m_source.fileName = fileName;
    m_source.date = date;
    m_source.fingerprint = QString::fromStdString(Crc32::Hex(Crc32::Of(image)));
}

int JunctionReport::Paint(QPagedPaintDevice& device) const
{
    // The diagrams are the station's own time bars and week bars, at the least readable size.
    const Configuration& c = m_source.configuration;
    const std::vector<Finding> findings = ConfigurationCheck(c);
    const QFont font = ReportPages::Font(ReportPages::kMinimumPointSize + 0.5);
    ReportPages::Diagrams diagrams;
    const auto legend = [](int program) {
        return program == ReportBlock::kSignalLegend ? DiagramLegend::Signals() : DiagramLegend::Week();
    };
    diagrams.height = [&](QPainter& painter, int program, double width) {
        const QFontMetricsF metrics(TimeBarPainter::Readable(font), painter.device());
        if (program < 0)
            return DiagramLegend::Height(legend(program), width, metrics);
        if (program == 0)
            return WeekBarLayout::PreferredHeight(metrics);
        const TimeBarLayout layout = TimeBarLayout::Of(c, program, findings);
        return TimeBarLayout::PreferredHeight(static_cast<int>(layout.Rows().size()), metrics);
    };
    diagrams.paint = [&](QPainter& painter, int program, const QRectF& rect) {
        if (program < 0) {
            DiagramLegend::Paint(painter, legend(program), rect, font);
            return;
        }
        if (program == 0) {
            WeekBarLayout week = WeekBarLayout::Of(c);
            WeekBarPainter::Paint(painter, week, rect, font);
            return;
        }
        TimeBarLayout layout = TimeBarLayout::Of(c, program, findings);
        TimeBarPainter::Paint(painter, layout, rect, font);
    };
    ReportPages pages(ReportContent::Blocks(m_source), QStringLiteral("Отпечаток образа CRC-32: %1").arg(m_source.fingerprint),
                      std::move(diagrams));
    return pages.Paint(device);
}

QByteArray JunctionReport::Pdf() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setCreator(QStringLiteral("ВЛК2.2_v4"));
        writer.setTitle(QStringLiteral("Конфигурация дорожного контроллера ВЛК2.2: %1")
                            .arg(ReportContent::JunctionName(m_source.configuration)));
        if (Paint(writer) == 0)
            return {};
    }
    buffer.close();
    return bytes;
}

QString JunctionReport::WritePdf(const QString& path) const
{
    const QByteArray pdf = Pdf();
    if (pdf.isEmpty())
        return QStringLiteral("документ не построен");
    // Through the one writer of every program: a failed export leaves any old file as it was.
    int error = 0;
    const std::string reason = WriteWholeFile(
        QFile::encodeName(path).toStdString(),
        std::span(reinterpret_cast<const std::uint8_t*>(pdf.constData()), static_cast<std::size_t>(pdf.size())), &error);
    if (reason.empty())
        return {};
    // A system error as Qt names it, in the user's language; the writer's own refusals are
    // Russian already.
    return error != 0 ? qt_error_string(error) : QString::fromStdString(reason);
}

} // namespace vlk
