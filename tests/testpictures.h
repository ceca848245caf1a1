// Pictures the tests draw, kept for a person to look at only when asked:
// the environment variable LUMACURVE_TEST_PICTURES names the folder. Tests
// never write to fixed paths, so tests running at the same time cannot
// overwrite each other's files and nothing is left behind.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QString>

// Saves image as name (a PNG file name) in the inspection folder, when one is named.
inline void KeepForInspection(const QImage& image, const QString& name)
{
    const QString folder = QString::fromLocal8Bit(qgetenv("LUMACURVE_TEST_PICTURES"));
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    image.save(QDir(folder).filePath(name));
}
