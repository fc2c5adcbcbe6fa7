#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// Brings the layers of one map into the map's projection. The layers are shape files in the
// working folder (copies of the user's files); each is read, prepared (densified; cut at the
// projection's antimeridian when it is in longitude/latitude), transformed in bulk and
// written back over its copy with a .prj of the map's projection, so that the map control,
// the tables and every tool work in projected units without knowing it.
//
// The map's projection is a coordinate reference system PROJ accepts, or "auto": Equal
// Earth for longitude/latitude layers spanning more than about a hemisphere, otherwise a
// Lambert azimuthal equal-area projection centred on the layers (the centre longitude is the
// middle of what the largest gap between the layers' longitudes leaves, so that layers on
// both sides of 180 degrees centre where they lie); the system of the first layer when
// that is already projected.
class MapProjector {
public:
    MapProjector();
    ~MapProjector();
    MapProjector(const MapProjector &) = delete;
    MapProjector &operator=(const MapProjector &) = delete;

    // "auto" or a coordinate reference system; false, with *error from PROJ, when PROJ does
    // not know it.
    bool setProjection(const QString &definition, QString *error);

    // Reads a layer. Its system is its .prj; without one, coordinates all within +-180 and
    // +-90 are taken as WGS 84 longitude/latitude with a warning naming label (the user's
    // file); other coordinates without a system, or a .prj PROJ can't read, make it fail
    // with *error. nameField (may be empty) names the field of the table beside the shape
    // file whose text names a region in messages.
    bool addLayer(const QString &shpPath, const QString &label, const QString &nameField,
                  QString *error);

    // The files a layer is read from when they are not the shape file written: the user's own
    // .shp, .shx and .prj (may be empty: none) for a copy that holds only the table so far.
    // The copy gets its .shp, .shx and .prj from the projection, or the user's files as they
    // are when the layer is already in the map's projection.
    struct Source {
        QString shp;
        QString shx;
        QString prj;
    };
    bool addLayer(const QString &shpPath, const Source &source, const QString &label,
                  const QString &nameField, QString *error);

    // Projects every layer added and writes it back. Regions that can't be projected whole
    // (they reach outside the area the projection can show) keep what can be projected and
    // are named in a warning; false with *error when a file can't be written.
    bool project(QString *error);

    // project() in three steps, for a caller that moves the points on a thread of its own
    // while it goes on with other work:
    // - prepare() chooses the map's projection and the way of each layer into it (PROJ and
    //   its database, on the calling thread);
    // - transform() cuts, moves and writes back the layers, on the thread that prepared or
    //   on another while the one that prepared makes no other use of PROJ;
    // - finish() names in warnings the regions that could not be projected whole (it reads
    //   the layers' tables: call it when nothing else writes them).
    bool prepare(QString *error);
    bool transform(QString *error);
    void finish();
    // Lets go of every PROJ object (they belong to the thread that made them) and keeps
    // what finish(), the warnings and the projection's name and definition need.
    void releaseSystems();

    // Messages for the user (the log; stderr in batch runs), each once.
    const QStringList &warnings() const;
    // The map's projection as the window shows it, and as an option file records it.
    QString projectionName() const;
    QString projectionDefinition() const;

    // Whether a text is a coordinate reference system PROJ knows (or "auto"); *error says
    // what PROJ said when it is not.
    static bool isKnownProjection(const QString &definition, QString *error);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
