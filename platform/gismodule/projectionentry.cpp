// The entry of the projection module (libchorelproj.so): PROJ's projections behind a table of
// functions.
#include "platform/gismodule/gismodule.h"

#include "platform/projection/mapprojector.h"

#include <exception>
#include <memory>

// A projection of a map's layers. It runs on one thread, which makes, uses and lets go of
// every PROJ object there (they belong to the thread's PROJ context).
struct gis::ProjectionJob {
    QString projection;
    QList<gis::ProjectedLayer> layers;
    MapProjector projector;
    bool ok = false;
    QString error = QStringLiteral("The layers were not projected.");
};

namespace {

gis::ProjectionJob *newProjection(const QString &projection,
                                  const QList<gis::ProjectedLayer> &layers)
{
    auto job = std::make_unique<gis::ProjectionJob>();
    job->projection = projection;
    job->layers = layers;
    return job.release();
}

void runProjection(gis::ProjectionJob *job)
{
    MapProjector &projector = job->projector;
    job->error.clear();
    try {
        job->ok = projector.setProjection(job->projection, &job->error);
        for (const gis::ProjectedLayer &layer : std::as_const(job->layers))
            job->ok = job->ok
                      && (layer.sourceShp.isEmpty()
                              ? projector.addLayer(layer.shpPath, layer.label, layer.nameField,
                                                   &job->error)
                              : projector.addLayer(layer.shpPath,
                                                   {layer.sourceShp, layer.sourceShx, layer.sourcePrj},
                                                   layer.label, layer.nameField, &job->error));
        job->ok = job->ok && projector.prepare(&job->error) && projector.transform(&job->error);
    } catch (const std::exception &e) {
        job->ok = false;
        job->error = QStringLiteral("The layers could not be projected: %1")
                         .arg(QString::fromLocal8Bit(e.what()));
    }
    projector.releaseSystems();
}

bool finishProjection(gis::ProjectionJob *job, gis::ProjectionOutcome *outcome, QString *error)
{
    const std::unique_ptr<gis::ProjectionJob> owned(job);
    owned->projector.finish();
    outcome->warnings = owned->projector.warnings();
    outcome->name = owned->projector.projectionName();
    outcome->definition = owned->projector.projectionDefinition();
    if (!owned->ok)
        *error = owned->error;
    return owned->ok;
}

const gis::ProjectionModule theModule = {
    &MapProjector::isKnownProjection,
    &newProjection,
    &runProjection,
    &finishProjection,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const gis::ProjectionModule *ChorelProjModule()
{
    return &theModule;
}
