#pragma once

#include "platform/geodata/vectorfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// Vector files through GDAL and projections through PROJ, reached through a module of their
// own that is loaded on first use: GDAL alone brings more than a hundred shared libraries,
// which a map of shape files without a projection (most batch runs) never needs.
namespace gis {

// One layer to bring into the map's projection: its working copy, the user's file that
// names it in messages, and the field whose text names a region in them (may be empty).
struct ProjectedLayer {
    QString shpPath;
    QString label;
    QString nameField;
};

// What projecting a map gave: the projection as the window shows it and as an option file
// records it, and the messages for the user.
struct ProjectionOutcome {
    QString name;
    QString definition;
    QStringList warnings;
};

// The module's functions; see platform/geodata/vectorfile.h and
// platform/projection/mapprojector.h for what each does.
struct Module {
    bool (*inspect)(const QString &path, const QString &layerName,
                    geodata::VectorLayerInfo *info, QString *error);
    bool (*convertToShapefile)(const QString &path, const QString &layerName,
                               const QString &targetShp, geodata::VectorLayerInfo *info,
                               QString *error);
    bool (*isKnownProjection)(const QString &definition, QString *error);
    bool (*projectLayers)(const QString &projection, const QList<ProjectedLayer> &layers,
                          ProjectionOutcome *outcome, QString *error);
};

// The module, loaded on the first call; nullptr, with *error saying why, when it can't be.
const Module *module(QString *error);

} // namespace gis

// The module's entry, looked up by this name.
extern "C" const gis::Module *ChorelGisModule();
