#include "contracts/bitmapfile.h"

#include <QImageWriter>
#include <QSaveFile>

bool WriteBitmapFile(const QImage &image, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Can't write %1: %2").arg(path, file.errorString());
        return false;
    }
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image) || !file.commit()) {
        if (error)
            *error = QStringLiteral("Can't write %1: %2")
                         .arg(path, writer.error() != QImageWriter::UnknownError
                                        ? writer.errorString()
                                        : file.errorString());
        return false;
    }
    return true;
}
