// The entry of the projection module (libchorelproj.so): PROJ's projections behind a table of
// functions.
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

const gis::ProjectionModule theModule = {
    &MapProjector::isKnownProjection,
    &projectLayers,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const gis::ProjectionModule *ChorelProjModule()
{
    return &theModule;
}
