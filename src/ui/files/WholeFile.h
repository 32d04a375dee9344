#pragma once

#include <QByteArrayView>
#include <QString>

namespace vlk {

// The station's side of the core's WriteWholeFile (util/WholeFile.h): `bytes` go to a temporary
// file beside `path` that is renamed over it, so a failed save leaves the old file whole and no
// empty one; a symbolic link is followed to its target, a device or FIFO is written into, and a
// folder or socket is refused. Returns why it failed, or an empty text.
[[nodiscard]] QString WriteWholeFile(const QString& path, QByteArrayView bytes);

} // namespace vlk
