#include "contracts/bitmapfile.h"

#include "contracts/outputfile.h"

#include <QImageWriter>

bool WriteBitmapFile(const QImage &image, const QString &path, QString *error)
{
    OutputFile file(path);
    if (!file.begin()) {
        if (error)
            *error = CannotWriteText(path, file.errorString());
        return false;
    }
    QImageWriter writer(&file.device(), "bmp");
    // A failed write of the device is the reason; the writer itself knows no more than that
    // something failed ("Unknown error").
    const bool encoded = writer.write(image);
    const QString deviceError = file.writeError();
    if (!encoded) {
        file.cancel();
        if (error)
            *error = CannotWriteText(path, !deviceError.isEmpty() ? deviceError
                                                                  : writer.errorString());
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = CannotWriteText(path, file.errorString());
        return false;
    }
    return true;
}
