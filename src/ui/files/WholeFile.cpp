#include "files/WholeFile.h"

#include "util/WholeFile.h"

#include <QFile>

#include <cstdint>
#include <span>
#include <string>

namespace vlk {

QString WriteWholeFile(const QString& path, QByteArrayView bytes)
{
    // The one writer of every program: a symbolic link is followed, a device or FIFO written
    // into, a folder or socket refused; a regular file is replaced whole or not at all.
    int error = 0;
    const std::string reason = vlk::WriteWholeFile(
        QFile::encodeName(path).toStdString(),
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())), &error);
    if (reason.empty())
        return {};
    // A system error as Qt names it, so in the user's language (Qt's translations carry the
    // common ones, a full disk among them); the writer's own refusals are Russian already.
    return error != 0 ? qt_error_string(error) : QString::fromStdString(reason);
}

} // namespace vlk
