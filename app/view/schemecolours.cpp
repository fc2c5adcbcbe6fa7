#include "app/view/schemecolours.h"

#include "app/view/classbreaks.h"
#include "bandwise/colourschemes.h"

std::optional<QList<MapColor>> SchemeClassColours(const QString &name, const QList<double> &breaks,
                                                  MapLayer &layer, const QString &field,
                                                  const ViewValues &values,
                                                  std::optional<double> midpoint) {
    const ColourScheme *scheme = FindColourScheme(name);
    if (!scheme)
        return std::nullopt;
    return ClassColoursOfScheme(*scheme, breaks, values.Minimum, values.Maximum, midpoint,
                                [&] { return DataValues(layer, field, values.NullValue); });
}

int SchemeMaxClasses(const QString &name) {
    const ColourScheme *scheme = FindColourScheme(name);
    return scheme ? scheme->maxClasses : 0;
}
