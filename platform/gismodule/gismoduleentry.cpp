// The entry of the GIS module (libchorelgis.so): GDAL's reader and PROJ's projections behind
// one table of functions.
#include "platform/gismodule/gismodule.h"

#include "platform/projection/mapprojector.h"

namespace {

bool projectLayers(const QString &projection, const QList<gis::ProjectedLayer> &layers,
                   gis::ProjectionOutcome *outcome, QString *error)
{
    MapProjector projector;
    bool ok = projector.setProjection(projection, error);
    for (const gis::ProjectedLayer &layer : layers)
        ok = ok && projector.addLayer(layer.shpPath, layer.label, layer.nameField, error);
    ok = ok && projector.project(error);
    outcome->warnings = projector.warnings();
    outcome->name = projector.projectionName();
    outcome->definition = projector.projectionDefinition();
    return ok;
}

const gis::Module theModule = {
    &geodata::inspect,
    &geodata::convertToShapefile,
    &MapProjector::isKnownProjection,
    &projectLayers,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const gis::Module *ChorelGisModule()
{
    return &theModule;
}
