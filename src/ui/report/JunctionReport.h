#pragma once

#include "config/Configuration.h"
#include "report/ReportContent.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class QPagedPaintDevice;

namespace vlk {

// The printed junction file of one configuration: what the station prints and exports to PDF
// and what `vlk-report` writes. The configuration is shown as its 1920-byte image holds it (what a
// save or a memory write would store), and the fingerprint is the CRC-32 of that image.
//
//   JunctionReport report(configuration, QStringLiteral("junction.vlk"), QDate::currentDate());
//   QString failure = report.WritePdf(path);   // or report.Paint(printer) for the print preview
class JunctionReport {
public:
    JunctionReport(const Configuration& configuration, const QString& fileName, const QDate& date);

    [[nodiscard]] const ReportSource& Source() const { return m_source; }
    // "D36DD185"
    [[nodiscard]] const QString& Fingerprint() const { return m_source.fingerprint; }

    // Paints the document on a printer or a PDF writer (A4 portrait). Returns the page count,
    // 0 when the device could not be painted on.
    int Paint(QPagedPaintDevice& device) const;
    // The document as PDF bytes; empty if it could not be made.
    [[nodiscard]] QByteArray Pdf() const;
    // Writes the PDF whole or not at all (a temporary file renamed into place). Returns why it
    // failed, or an empty text.
    [[nodiscard]] QString WritePdf(const QString& path) const;

private:
    ReportSource m_source;
};

} // namespace vlk
