#pragma once

// Where `make snapshots` writes its pictures: build/<kind>/snapshots/.

#include <QDir>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

namespace vlk::snapshots {

inline QString Path(const QString& name)
{
    const QString folder = QStringLiteral(VLK_BINARY_DIR "/snapshots");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

inline void Save(const QImage& image, const QString& name)
{
    EXPECT_TRUE(image.save(Path(name))) << name.toStdString();
}

} // namespace vlk::snapshots
