#pragma once

#include "config/Configuration.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace vlk {

// A table of the report: an optional header row, then rows of cell texts. Columns marked in
// `wrap` may break their text into lines; the others keep it on one line.
struct ReportTable {
    QStringList header;
    std::vector<QStringList> rows;
    std::vector<bool> wrap;
    bool rowTitles = false; // the first column names its row and is drawn as a header
};

// One piece of the document, in reading order. A diagram is the time-bar diagram of `program`,
// or with program 0 the week's bars; kSignalLegend and kWeekLegend are the keys to their colours.
struct ReportBlock {
    static constexpr int kSignalLegend = -1;
    static constexpr int kWeekLegend = -2;
    enum class Kind { Title, Heading, Subheading, Text, Table, Diagram };
    Kind kind = Kind::Text;
    QString text;
    ReportTable table;
    int program = 0;
};

// What a report is made of: the configuration as its 1920-byte image holds it, where it came
// from, the day of the report and the image's fingerprint.
struct ReportSource {
    Configuration configuration;
    QString fileName;    // shown as it stands; empty: the configuration has no file yet
    QDate date;
    QString fingerprint; // "D36DD185"
};

// The junction file as a list of blocks, in Russian, under the station's own captions: the title
// block, the general parameters, every table in readable form, the week, one diagram per program
// that runs, and the result of the configuration check. No painting here: ReportPages lays the
// blocks out on pages.
class ReportContent {
public:
    [[nodiscard]] static std::vector<ReportBlock> Blocks(const ReportSource& source);

    // "Перекрёсток" name from the account record; "(не задана)" when empty, its bytes in hex
    // when they are no Windows-1251 text.
    [[nodiscard]] static QString JunctionName(const Configuration& configuration);
    // "1, 3, 5–8": numbers of the set bits of `mask` (bit 0 is 1), runs of three or more joined.
    [[nodiscard]] static QString NumberList(std::uint64_t mask, int count);
};

} // namespace vlk
