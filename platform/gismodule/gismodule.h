#pragma once

#include "platform/geodata/vectorfile.h"
#include "platform/projection/automaticprojection.h"

#include <QList>
#include <QString>
#include <QStringList>

// Vector files through GDAL and projections through PROJ, reached through modules of their
// own that are loaded on first use: GDAL alone brings more than a hundred shared libraries,
// which a map of shape files without a projection (most batch runs) never needs, and a
// projected map of shape files needs PROJ only. libchorelgis.so reads vector files (GDAL,
// which brings PROJ along); libchorelproj.so projects (PROJ alone).
namespace gis {

// One layer to bring into the map's projection: its working copy, the user's file that
// names it in messages, and the field whose text names a region in them (may be empty). A
// copy of a shape file holds only its table: the user's .shp, .shx and .prj (may be empty:
// none) are read, and the copy gets its .shp, .shx and .prj from the projection. Without
// them the copy is read (a layer converted from another format).
struct ProjectedLayer {
    QString shpPath;
    QString label;
    QString nameField;
    QString sourceShp;
    QString sourceShx;
    QString sourcePrj;
};

// What projecting a map gave: the projection as the window shows it and as an option file
// records it, and the messages for the user.
struct ProjectionOutcome {
    QString name;
    QString definition;
    QStringList warnings;
};

// The functions of libchorelgis.so; see platform/geodata/vectorfile.h.
struct VectorModule {
    bool (*inspect)(const QString &path, const QString &layerName,
                    geodata::VectorLayerInfo *info, QString *error);
    bool (*convertToShapefile)(const QString &path, const QString &layerName,
                               const QString &targetShp, geodata::VectorLayerInfo *info,
                               QString *error);
};

// A projection under way (see ProjectionModule).
struct ProjectionJob;

// The functions of libchorelproj.so; see platform/projection/mapprojector.h.
struct ProjectionModule {
    bool (*isKnownProjection)(const QString &definition, QString *error);
    // A projection of the layers into the map's projection, made ready; nothing runs yet.
    ProjectionJob *(*newProjection)(const QString &projection,
                                    const QList<ProjectedLayer> &layers);
    // The work, on any one thread (PROJ's objects are made and let go there): reads the
    // layers, finds their systems and the map's projection, moves and writes them. Meanwhile
    // the caller makes no other use of the layers' files and runs no other projection.
    void (*runProjection)(ProjectionJob *job);
    // Ends a job that has run (or never will): outcome gets the projection and every warning.
    // False, with *error, when the layers could not be projected (then nothing is to be drawn).
    bool (*finishProjection)(ProjectionJob *job, ProjectionOutcome *outcome, QString *error);
};

// Each module, loaded on the first call; nullptr, with *error saying why, when it can't be.
const VectorModule *vectorModule(QString *error);
const ProjectionModule *projectionModule(QString *error);

} // namespace gis

// The modules' entries, looked up by these names.
extern "C" const gis::VectorModule *ChorelGisModule();
extern "C" const gis::ProjectionModule *ChorelProjModule();
