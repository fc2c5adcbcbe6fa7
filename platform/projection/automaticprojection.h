#pragma once

#include <QString>

// Whether a map's projection is "auto" (the map's layers choose it). A text of its own, so
// that the program checks it without loading PROJ's module.
inline bool isAutomaticProjection(const QString &projection)
{
    return projection.trimmed().compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
}
