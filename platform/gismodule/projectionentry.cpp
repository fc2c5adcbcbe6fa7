// The entry of the projection module (libchorelproj.so): PROJ's projections behind a table of
// functions.
#include "platform/gismodule/gismodule.h"

#include "platform/projection/mapprojector.h"

#include <exception>
#include <memory>
#include <system_error>
#include <thread>

// The whole projection of a map's layers runs on the job's thread: PROJ's objects are made,
// used and let go there (they belong to the thread's PROJ context, which ends with it).
struct gis::ProjectionJob {
    QString projection;
    QList<gis::ProjectedLayer> layers;
    MapProjector projector;
    std::thread worker;
    bool ok = false;
    QString error;

    void run()
    {
        try {
            ok = projector.setProjection(projection, &error);
            for (const gis::ProjectedLayer &layer : std::as_const(layers))
                ok = ok && projector.addLayer(layer.shpPath, layer.label, layer.nameField, &error);
            ok = ok && projector.prepare(&error) && projector.transform(&error);
        } catch (const std::exception &e) {
            ok = false;
            error = QStringLiteral("The layers could not be projected: %1")
                        .arg(QString::fromLocal8Bit(e.what()));
        }
        projector.releaseSystems();
    }
};

namespace {

gis::ProjectionJob *startProjection(const QString &projection,
                                    const QList<gis::ProjectedLayer> &layers)
{
    auto job = std::make_unique<gis::ProjectionJob>();
    job->projection = projection;
    job->layers = layers;
    try {
        job->worker = std::thread([j = job.get()] { j->run(); });
    } catch (const std::system_error &) {
        job->run(); // no thread to be had: the work is done here
    }
    return job.release();
}

bool finishProjection(gis::ProjectionJob *job, gis::ProjectionOutcome *outcome, QString *error)
{
    const std::unique_ptr<gis::ProjectionJob> owned(job);
    if (owned->worker.joinable())
        owned->worker.join();
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
    &startProjection,
    &finishProjection,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const gis::ProjectionModule *ChorelProjModule()
{
    return &theModule;
}
