#include "files/WholeFile.h"

#include <QSaveFile>

namespace vlk {

QString WriteWholeFile(const QString& path, QByteArrayView bytes)
{
    // Unbuffered: every write reaches the file system at once and reports a full disk; buffered,
    // Qt 6.4's commit() renames an empty file into place after its last flush failed.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const qint64 size = bytes.size();
    for (qint64 done = 0; done < size;) {
        const qint64 written = file.write(bytes.data() + done, size - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return reason;
        }
        done += written;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace vlk
