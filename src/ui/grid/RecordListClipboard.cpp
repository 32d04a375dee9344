#include "grid/RecordListClipboard.h"

namespace vlk {

RecordListClipboard::Table RecordListClipboard::Parse(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    if (lines.endsWith(u'\n'))
        lines.chop(1);
    Table table;
    if (lines.isEmpty())
        return table;
    for (const QString& line : lines.split(u'\n'))
        table.push_back(line.split(u'\t'));
    return table;
}

QString RecordListClipboard::Format(const Table& table)
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(table.size()));
    for (const QStringList& row : table)
        lines.push_back(row.join(u'\t'));
    return lines.join(u'\n');
}

} // namespace vlk
