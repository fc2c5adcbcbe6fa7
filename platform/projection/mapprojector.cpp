#include "platform/projection/mapprojector.h"

#include "platform/mapcontrol/shapestore.h"
#include "platform/mapcontrol/shpfile.h"
#include "platform/projection/automaticprojection.h"
#include "platform/projection/crs.h"
#include "platform/projection/lonlatcoverage.h"
#include "platform/projection/lonlatcutter.h"
#include "platform/mapcontrol/shapewriter.h"

#include <shapefil.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <list>
#include <optional>
#include <utility>

namespace {

// Longitude/latitude edges get a vertex every degree; projected ones every 1/500 of the
// layer's diagonal.
constexpr double kLonLatStep = 1.0;
constexpr double kProjectedSteps = 500.0;
// Vertices prepared and moved together (about 1 MB).
constexpr std::size_t kChunkPoints = 1 << 16;

QString sibling(const QString &shpPath, const QString &extension)
{
    const QFileInfo info(shpPath);
    const QString plain = info.path() + u'/' + info.completeBaseName() + u'.' + extension;
    if (QFileInfo::exists(plain))
        return plain;
    const QString upper = info.path() + u'/' + info.completeBaseName() + u'.' + extension.toUpper();
    return QFileInfo::exists(upper) ? upper : plain;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.read(1 << 20);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

int family(int shpType)
{
    switch (shpType % 10) {
    case 1: return 1;
    case 3: return 3;
    case 5: return 5;
    case 8: return 8;
    default: return 0;
    }
}

struct Layer {
    QString path;   // the shape file written
    MapProjector::Source source; // and the files read
    QString label;
    QString nameField;
    int family = 0;
    bool empty = true; // no shape with a vertex
    MapRectangle extent;
    LonLatCoverage coverage; // where its vertices lie, read as longitude/latitude
    Crs crs;
    // From prepare(): the way into the map's projection (none: the layer is already in it).
    std::optional<CrsTransform> transform;
    // From transform(): the layer's records that could not be projected whole.
    std::vector<int> damaged;
    int shapeCount = 0;
};

} // namespace

struct MapProjector::Private {
    QString definition; // as given
    bool automatic = false;
    Crs target;
    // The target as text, taken in prepare() so that the thread that transforms asks PROJ
    // nothing about it.
    QString targetName;
    QString targetDefinition;
    QByteArray targetWkt;
    double centralMeridian = 0.0;
    std::list<Layer> layers;
    QStringList warnings;

    void warn(const QString &text)
    {
        if (!warnings.contains(text))
            warnings << text;
    }
    bool chooseTarget(QString *error);
    bool projectLayer(Layer &layer, const CrsTransform &transform, QString *error);
    bool keepLayer(const Layer &layer, QString *error) const;
    QStringList regionNames(const Layer &layer, const std::vector<int> &records) const;
};

MapProjector::MapProjector() : d(std::make_unique<Private>()) {}
MapProjector::~MapProjector() = default;

bool MapProjector::isKnownProjection(const QString &definition, QString *error)
{
    if (isAutomaticProjection(definition))
        return true;
    return Crs::fromText(definition, error).isValid();
}

bool MapProjector::setProjection(const QString &definition, QString *error)
{
    d->definition = definition.trimmed();
    d->automatic = isAutomaticProjection(d->definition);
    if (d->automatic)
        return true;
    d->target = Crs::fromText(d->definition, error);
    return d->target.isValid();
}

bool MapProjector::addLayer(const QString &shpPath, const QString &label,
                            const QString &nameField, QString *error)
{
    const QString prj = sibling(shpPath, QStringLiteral("prj"));
    return addLayer(shpPath, {shpPath, QString(), QFileInfo::exists(prj) ? prj : QString()}, label,
                    nameField, error);
}

bool MapProjector::addLayer(const QString &shpPath, const Source &source, const QString &label,
                            const QString &nameField, QString *error)
{
    Layer &layer = d->layers.emplace_back();
    layer.path = shpPath;
    layer.source = source;
    layer.label = label;
    layer.nameField = nameField;
    // A first pass over the file: its extent and where it lies, a batch of shapes at a time
    // (holding a large layer's vertices whole costs more than reading the file twice).
    ShpFile file;
    QString why;
    const auto survey = [&layer](const ShapeStore &store, int) {
        for (int s = 0; s < store.shapeCount(); ++s)
            if (store.partEnd(s) > store.partBegin(s)) {
                layer.extent = layer.empty ? store.bounds(s) : layer.extent.United(store.bounds(s));
                layer.empty = false;
            }
        layer.coverage.add(store.pointsBegin(0), store.pointCount());
        layer.shapeCount += store.shapeCount();
    };
    if (!file.readInBatches(source.shp, kChunkPoints, survey, &why)) {
        d->layers.pop_back();
        *error = QStringLiteral("The shape file %1 can't be read: %2").arg(label, why);
        return false;
    }
    layer.family = family(file.fileType());
    const bool first = layer.empty;
    if (!source.prj.isEmpty()) {
        QString said;
        layer.crs = Crs::fromText(readText(source.prj), &said);
        if (!layer.crs.isValid()) {
            d->layers.pop_back();
            *error = QStringLiteral("The coordinate system of %1 (its .prj file) can't be read: %2")
                         .arg(label, said);
            return false;
        }
        return true;
    }
    const MapRectangle &e = layer.extent;
    if (first || (e.Left >= -180.0 && e.Right <= 180.0 && e.Bottom >= -90.0 && e.Top <= 90.0)) {
        layer.crs = Crs::wgs84();
        d->warn(QStringLiteral("%1 has no coordinate system (no .prj file); its coordinates are "
                               "taken as longitude/latitude in WGS 84.")
                    .arg(label));
        return true;
    }
    d->layers.pop_back();
    *error = QStringLiteral("%1 has no coordinate system (no .prj file) and its coordinates are "
                            "not longitude/latitude (they reach %2, %3 .. %4, %5): the map "
                            "can't be projected. Add the .prj file of the layer.")
                 .arg(label)
                 .arg(e.Left)
                 .arg(e.Bottom)
                 .arg(e.Right)
                 .arg(e.Top);
    return false;
}

bool MapProjector::Private::chooseTarget(QString *error)
{
    if (!automatic)
        return target.isValid();
    if (!layers.empty() && !layers.front().crs.isGeographic()) {
        target = Crs::fromText(layers.front().crs.wkt(), error);
        return target.isValid();
    }
    LonLatCoverage coverage;
    for (const Layer &layer : layers)
        if (layer.crs.isGeographic())
            coverage.add(layer.coverage);
    target = Crs::fromText(coverage.suitedProjection(), error);
    return target.isValid();
}

QStringList MapProjector::Private::regionNames(const Layer &layer,
                                               const std::vector<int> &records) const
{
    QStringList names;
    DBFHandle table = layer.nameField.isEmpty()
                          ? nullptr
                          : DBFOpen(QFile::encodeName(sibling(layer.path, QStringLiteral("dbf"))).constData(), "rb");
    const int field = table ? DBFGetFieldIndex(table, layer.nameField.toUtf8().constData()) : -1;
    for (int record : records) {
        QString name;
        if (field >= 0 && record < DBFGetRecordCount(table))
            name = QString::fromUtf8(DBFReadStringAttribute(table, record, field)).trimmed();
        names << (name.isEmpty() ? QStringLiteral("record %1").arg(record + 1)
                                 : QStringLiteral("%1 (record %2)").arg(name).arg(record + 1));
    }
    if (table)
        DBFClose(table);
    return names;
}

// A layer already in the map's projection whose copy holds only its table gets the user's
// files as they are.
bool MapProjector::Private::keepLayer(const Layer &layer, QString *error) const
{
    if (layer.source.shp == layer.path)
        return true;
    const QFileInfo copy(layer.path);
    const QString base = copy.path() + u'/' + copy.completeBaseName();
    for (const auto &[from, to] : {std::pair{layer.source.shp, layer.path},
                                   std::pair{layer.source.shx, base + QStringLiteral(".shx")},
                                   std::pair{layer.source.prj, base + QStringLiteral(".prj")}}) {
        if (from.isEmpty())
            continue;
        QFile::remove(to);
        QFile file(from);
        if (!file.copy(to)) {
            *error = QStringLiteral("%1 can't be copied to %2: %3").arg(from, to, file.errorString());
            return false;
        }
    }
    return true;
}

bool MapProjector::Private::projectLayer(Layer &layer, const CrsTransform &transform,
                                         QString *error)
{
    ShapeFileWriter out(layer.path, layer.family);
    if (!out.open(error))
        return false;
    // The shapes pass in chunks of about kChunkPoints vertices: prepared, moved by PROJ in
    // one call, written; the chunk's arrays stay in the cache and are used again, instead of
    // arrays for the whole layer that the system must hand out and clear page by page.
    ShapeParts chunk, kept;
    chunk.points.reserve(kChunkPoints + kChunkPoints / 4);
    const bool lonLat = layer.crs.isGeographic();
    LonLatCutter cutter(centralMeridian, kLonLatStep);
    const double step = std::hypot(layer.extent.Width(), layer.extent.Height()) / kProjectedSteps;
    const std::size_t least = layer.family == 5 ? 4 : layer.family == 3 ? 2 : 1;
    std::vector<int> damaged;
    int chunkBegin = 0; // the layer's number of the chunk's first shape
    auto writeChunk = [&] {
        if (!chunk.points.empty())
            transform.apply(&chunk.points[0].rx(), &chunk.points[0].ry(), sizeof(QPointF),
                            chunk.points.size());
        for (int s = 0; s < chunk.shapeCount(); ++s) {
            const std::uint32_t first = chunk.partStart[chunk.shapeStart[s]];
            const std::uint32_t end = chunk.partStart[chunk.shapeStart[s + 1]];
            const QPointF *points = chunk.points.data();
            if (std::all_of(points + first, points + end,
                            [](const QPointF &p) { return std::isfinite(p.x()); })) {
                out.add(chunk, s);
                continue;
            }
            // Vertices PROJ could not move are left out; a part with too few left goes.
            kept.points.clear();
            kept.partStart.assign(1, 0);
            kept.shapeStart.assign(1, 0);
            for (std::uint32_t p = chunk.shapeStart[s]; p < chunk.shapeStart[s + 1]; ++p) {
                for (std::uint32_t i = chunk.partStart[p]; i < chunk.partStart[p + 1]; ++i)
                    if (std::isfinite(points[i].x()))
                        kept.points.push_back(points[i]);
                if (kept.points.size() - kept.partStart.back() < least)
                    kept.dropOpenPart();
                else
                    kept.endPart();
            }
            kept.endShape();
            out.add(kept, 0);
            damaged.push_back(chunkBegin + s);
        }
        chunkBegin += chunk.shapeCount();
        chunk.points.clear();
        chunk.partStart.assign(1, 0);
        chunk.shapeStart.assign(1, 0);
    };
    // The shapes are read again, a batch at a time.
    const auto prepare = [&](const ShapeStore &store, int) {
        for (int s = 0; s < store.shapeCount(); ++s) {
            for (int p = store.partBegin(s); p < store.partEnd(s); ++p) {
                const QPointF *begin = store.pointsBegin(p);
                const int n = int(store.pointsEnd(p) - begin);
                if (layer.family == 1 || layer.family == 8) {
                    chunk.points.insert(chunk.points.end(), begin, begin + n);
                    chunk.endPart();
                } else if (!lonLat) {
                    densifyPart(begin, n, step > 0 ? step : 1.0, chunk);
                } else if (layer.family == 5) {
                    cutter.addRing(begin, n, chunk);
                } else {
                    cutter.addLine(begin, n, chunk);
                }
            }
            chunk.endShape();
            if (chunk.points.size() >= kChunkPoints)
                writeChunk();
        }
    };
    ShpFile file;
    QString why;
    if (!file.readInBatches(layer.source.shp, kChunkPoints, prepare, &why)) {
        *error = QStringLiteral("The shape file %1 can't be read: %2").arg(layer.label, why);
        return false;
    }
    writeChunk();
    layer.damaged = std::move(damaged);
    if (!out.finish(error))
        return false;
    QSaveFile prj(sibling(layer.path, QStringLiteral("prj")));
    const QByteArray &wkt = targetWkt;
    if (!prj.open(QIODevice::WriteOnly) || prj.write(wkt) != wkt.size() || !prj.commit()) {
        *error = QStringLiteral("%1 can't be written: %2").arg(prj.fileName(), prj.errorString());
        return false;
    }
    return true;
}

bool MapProjector::project(QString *error)
{
    if (!prepare(error))
        return false;
    const bool ok = transform(error);
    finish();
    return ok;
}

bool MapProjector::prepare(QString *error)
{
    if (!d->chooseTarget(error))
        return false;
    d->targetName = d->target.displayName();
    d->targetDefinition = d->target.definition();
    d->targetWkt = d->target.wkt().toUtf8();
    d->centralMeridian = d->target.centralMeridian();
    for (Layer &layer : d->layers) {
        if (sameCrs(layer.crs, d->target))
            continue; // already in the map's projection
        QString why;
        CrsTransform transform = CrsTransform::between(layer.crs, d->target, &why);
        if (!transform.isValid()) {
            *error = QStringLiteral("%1 can't be brought into %2: %3")
                         .arg(layer.label, d->targetName, why);
            return false;
        }
        layer.transform = std::move(transform);
    }
    return true;
}

bool MapProjector::transform(QString *error)
{
    for (Layer &layer : d->layers) {
        if (layer.transform ? !d->projectLayer(layer, *layer.transform, error)
                            : !d->keepLayer(layer, error))
            return false;
    }
    return true;
}

void MapProjector::finish()
{
    for (const Layer &layer : d->layers) {
        const std::vector<int> &damaged = layer.damaged;
        if (damaged.empty())
            continue;
        QStringList names = d->regionNames(
            layer, std::vector<int>(damaged.begin(),
                                    damaged.begin() + std::min<std::size_t>(damaged.size(), 20)));
        if (damaged.size() > 20)
            names << QStringLiteral("and %1 more").arg(damaged.size() - 20);
        const bool one = damaged.size() == 1;
        d->warn(QStringLiteral("%1 of the %2 regions of %3 can't be projected whole into %4 (%5 "
                               "beyond what it can show) and %6 drawn with what can: %7")
                    .arg(QString::number(damaged.size()), QString::number(layer.shapeCount),
                         layer.label, d->targetName,
                         one ? QStringLiteral("it reaches") : QStringLiteral("they reach"),
                         one ? QStringLiteral("is") : QStringLiteral("are"),
                         names.join(QStringLiteral(", "))));
    }
    d->layers.clear();
}

const QStringList &MapProjector::warnings() const
{
    return d->warnings;
}

void MapProjector::releaseSystems()
{
    for (Layer &layer : d->layers) {
        layer.transform.reset();
        layer.crs = Crs();
    }
    d->target = Crs();
}

QString MapProjector::projectionName() const
{
    return d->targetName.isEmpty() ? d->target.displayName() : d->targetName;
}

QString MapProjector::projectionDefinition() const
{
    return d->targetDefinition.isEmpty() ? d->target.definition() : d->targetDefinition;
}
