#pragma once

#include "config/Catalogue.h"

#include <QString>

#include <optional>

namespace vlk {

class AFormWnd;
class ARecordList;
class Messages;

// What the editor pages share: setting their grids up from the catalogue, the two layout rules
// that recur (a strip standing on the table below it, rows filling a grid) and the reading of a
// digits-only edit.
namespace PageGrids {

// Hands `setup` to `grid` in the order every page uses: style, header height, columns, each
// column's flags, width, pictures and tip, the header text, header-only, the rows, the current row.
void SetUp(ARecordList& grid, const GridSetup& setup);

// Finds the grid of `id` on `page` by its control identifier and sets it up, its editing
// messages going to the page's `messages`; nullptr when the template has no such grid.
ARecordList* SetUp(AFormWnd& page, TableId id, Messages& messages);

// Moves `strip` so that its bottom edge lies one pixel below the top of `table` (top, left and
// right kept) and makes its header as high as the strip, so it reads as one header line over
// the table's own.
void PlaceStripAbove(ARecordList& strip, const ARecordList& table);

// The row height, in whole pixels, at which `rows` rows fill the grid's client area under its header.
[[nodiscard]] int FillingRowHeight(const ARecordList& grid, int rows);
// Gives the grid that row height now and after every change of its client area's size (the page's
// own resize comes before its grids have placed their client areas).
void KeepRowsFilling(ARecordList& grid, int rows);

// Widens every column whose header text would be cut in the grid's font; narrower headers keep
// the widths the catalogue gives.
void FitColumnsToHeaders(ARecordList& grid);

// The value of an edit read as a signed dialog-item integer: optional blanks, an optional sign,
// decimal digits and nothing after them. Empty or non-numeric gives 0; a number too large for
// 32 bits gives nothing.
[[nodiscard]] std::optional<long long> DialogItemInt(const QString& text);

} // namespace PageGrids

} // namespace vlk
