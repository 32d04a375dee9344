#pragma once

#include <QString>

#include <array>

namespace vlk {

// One entry of a picture column's list; an entry with image <= 0 is empty.
struct ColumnPicture {
    QString text;
    int image = 0;
    int mask = 0;
};

// A column of the grid: its kind, width and header.
struct ColumnRecord {
    static constexpr int MaxPictures = 10;

    int width = 0;
    int flags = 0;
    double percent = 0.0;
    QString title;
    QString tip;
    std::array<ColumnPicture, MaxPictures> pictures{};
};

} // namespace vlk
