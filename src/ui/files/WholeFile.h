#pragma once

#include <QByteArrayView>
#include <QString>

namespace vlk {

// Writes `bytes` beside `path` and renames the result over it, so a failed save leaves the old
// file whole and no empty one. Returns why it failed, or an empty text.
[[nodiscard]] QString WriteWholeFile(const QString& path, QByteArrayView bytes);

} // namespace vlk
