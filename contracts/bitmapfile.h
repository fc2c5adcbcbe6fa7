#pragma once

#include <QImage>
#include <QString>

// Writes a picture as a Windows bitmap file. The file is written beside the target and renamed
// over it, so a failed write leaves no torn file and an older file stays as it was. On failure
// error (if given) says what went wrong.
bool WriteBitmapFile(const QImage &image, const QString &path, QString *error = nullptr);
