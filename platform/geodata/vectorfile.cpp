#include "platform/geodata/vectorfile.h"

#include "platform/geodata/featurehandover.h"
#include "platform/geodata/gdalerrors.h"
#include "platform/geodata/shapecopy.h"
#include "platform/geodata/tablecopy.h"
#include "platform/mapcontrol/shapewriter.h"
#include "platform/geodata/topojsoncheck.h"

#include <cpl_vsi.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <latch>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace geodata {
namespace {

constexpr int kDbfNameBytes = 10;

void registerDrivers()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

enum class Kind { None, Polygons, Points, Lines };

Kind kindOf(OGRwkbGeometryType type)
{
    switch (wkbFlatten(type)) {
    case wkbPolygon: case wkbMultiPolygon: case wkbCurvePolygon: case wkbMultiSurface:
        return Kind::Polygons;
    case wkbPoint: case wkbMultiPoint:
        return Kind::Points;
    case wkbLineString: case wkbMultiLineString: case wkbCircularString: case wkbCompoundCurve:
    case wkbMultiCurve:
        return Kind::Lines;
    default:
        return Kind::None;
    }
}

// The kind of a layer's shapes: its declared type, or that of its first geometries when it
// declares none (GeoJSON and TopoJSON layers often don't).
Kind layerKind(OGRLayer *layer)
{
    const Kind declared = kindOf(layer->GetGeomType());
    if (declared != Kind::None || layer->GetGeomType() == wkbNone)
        return declared;
    layer->ResetReading();
    Kind found = Kind::None;
    for (int i = 0; i < 200 && found == Kind::None; ++i) {
        OGRFeatureUniquePtr feature(layer->GetNextFeature());
        if (!feature)
            break;
        if (const OGRGeometry *g = feature->GetGeometryRef())
            found = kindOf(g->getGeometryType());
    }
    layer->ResetReading();
    return found;
}

QString gdalText(const GdalErrors &errors, const QString &fallback)
{
    const QString said = errors.failures().join(QStringLiteral("; "));
    return said.isEmpty() ? fallback : said;
}

// What tells a file from its changed self: size, modification time, file number.
QByteArray fileStamp(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArray();
    return QByteArray::number(qint64(info.st_size)) + ' ' + QByteArray::number(qint64(info.st_ino))
           + ' ' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}

// A map's vector file is inspected when the map list is read and converted when its layer is
// copied, one right after the other: it is opened (a GeoJSON or TopoJSON file parsed whole)
// and its arcs checked once for both. The file stays open until it is converted or another
// file is opened; a file changed in between is opened anew.
struct OpenedFile {
    QString path;
    QByteArray stamp;
    GDALDatasetUniquePtr dataset;
    QStringList checkedObjects; // TopoJSON objects whose arcs were found sound
    QStringList openFailures;   // what GDAL said while opening it, said again at each use
};

std::mutex openedMutex;
// See setKeepValuesLimit; guarded by openedMutex.
qint64 keepValuesLimit = qint64(256) << 20;
OpenedFile opened;

// The open file, or nullptr with *error naming the file and saying what GDAL said. Call with
// openedMutex held.
GDALDataset *openFile(const QString &path, GdalErrors &errors, QString *error)
{
    registerDrivers();
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1 can't be read: it is not a file").arg(path);
        return nullptr;
    }
    const QByteArray stamp = fileStamp(path);
    if (opened.dataset && opened.path == path && opened.stamp == stamp && !stamp.isEmpty()) {
        for (const QString &failure : std::as_const(opened.openFailures))
            errors.add(failure);
        return opened.dataset.get();
    }
    opened = OpenedFile();
    GDALDatasetUniquePtr dataset(GDALDataset::Open(QFile::encodeName(path).constData(),
                                                   GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                                                   nullptr, nullptr));
    if (!dataset) {
        *error = QStringLiteral("%1 can't be read as a vector file: %2")
                     .arg(path, gdalText(errors, QStringLiteral("no format GDAL knows")));
        return nullptr;
    }
    if (dataset->GetLayerCount() == 0) {
        *error = QStringLiteral("%1 holds no layer").arg(path);
        return nullptr;
    }
    opened.path = path;
    opened.stamp = stamp;
    opened.openFailures = errors.failures();
    opened.dataset = std::move(dataset);
    return opened.dataset.get();
}

// The layer asked for, or the first with polygons, points, lines in that order.
OGRLayer *pickLayer(GDALDataset &dataset, const QString &path, const QString &layerName,
                    VectorLayerInfo &info, QString *error)
{
    info.layerNames.clear();
    for (int i = 0; i < dataset.GetLayerCount(); ++i)
        info.layerNames << QString::fromUtf8(dataset.GetLayer(i)->GetName());
    OGRLayer *chosen = nullptr;
    if (!layerName.isEmpty()) {
        for (int i = 0; i < dataset.GetLayerCount() && !chosen; ++i)
            if (info.layerNames[i].compare(layerName, Qt::CaseInsensitive) == 0)
                chosen = dataset.GetLayer(i);
        if (!chosen)
            *error = QStringLiteral("%1 has no layer \"%2\". Its layers are: %3")
                         .arg(path, layerName, info.layerNames.join(QStringLiteral(", ")));
    } else {
        for (Kind wanted : {Kind::Polygons, Kind::Points, Kind::Lines})
            for (int i = 0; i < dataset.GetLayerCount() && !chosen; ++i)
                if (layerKind(dataset.GetLayer(i)) == wanted)
                    chosen = dataset.GetLayer(i);
        if (!chosen)
            *error = QStringLiteral("%1 has no layer with polygons, points or lines. Its layers "
                                    "are: %2")
                         .arg(path, info.layerNames.join(QStringLiteral(", ")));
    }
    if (chosen)
        info.layerName = QString::fromUtf8(chosen->GetName());
    return chosen;
}

bool inspectOpen(GDALDataset &dataset, const QString &path, const QString &layerName,
                 VectorLayerInfo &info, OGRLayer *&layer, QString *error)
{
    layer = pickLayer(dataset, path, layerName, info, error);
    if (!layer)
        return false;
    if (QLatin1String(dataset.GetDriverName()) == QLatin1String("TopoJSON")
        && !opened.checkedObjects.contains(info.layerName)) {
        if (!checkTopoJsonArcs(path, info.layerName, error))
            return false;
        opened.checkedObjects << info.layerName;
    }
    QStringList names;
    OGRFeatureDefn *definition = layer->GetLayerDefn();
    for (int i = 0; i < definition->GetFieldCount(); ++i)
        names << QString::fromUtf8(definition->GetFieldDefn(i)->GetNameRef());
    info.renamed.clear();
    const FieldRenames all = shortenFieldNames(names);
    for (const auto &pair : all)
        if (pair.first != pair.second)
            info.renamed << pair;
    return true;
}

void removeCopy(const QString &targetShp)
{
    const QFileInfo info(targetShp);
    for (const char *extension : {".shp", ".shx", ".dbf", ".cpg", ".prj"})
        QFile::remove(info.path() + u'/' + info.completeBaseName() + QLatin1String(extension));
}

// GDAL's shape file driver writes each record with a few seeks and writes of its own, two
// system calls and more per record: it writes into memory (/vsimem), and the files are then
// written out whole. Removes what it wrote in memory when it ends.
class MemoryFolder {
public:
    MemoryFolder()
    {
        static std::atomic<int> serial = 0;
        m_path = "/vsimem/chorel-" + QByteArray::number(qint64(::getpid())) + '-'
                 + QByteArray::number(++serial);
    }
    ~MemoryFolder() { VSIRmdirRecursive(m_path.constData()); }
    MemoryFolder(const MemoryFolder &) = delete;
    MemoryFolder &operator=(const MemoryFolder &) = delete;

    QByteArray path(const QString &name) const { return m_path + '/' + name.toUtf8(); }

    // Writes every file made here into folder under its own name; false, with *error, when
    // one can't be written.
    bool writeOut(const QString &folder, QString *error) const
    {
        char **names = VSIReadDir(m_path.constData());
        bool ok = true;
        for (int i = 0; ok && names && names[i]; ++i) {
            vsi_l_offset length = 0;
            GByte *bytes = VSIGetMemFileBuffer((m_path + '/' + names[i]).constData(), &length, TRUE);
            if (!bytes)
                continue;
            QFile file(folder + u'/' + QString::fromUtf8(names[i]));
            ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                 && file.write(reinterpret_cast<const char *>(bytes), qint64(length)) == qint64(length);
            if (!ok)
                *error = QStringLiteral("%1 can't be written: %2").arg(file.fileName(), file.errorString());
            CPLFree(bytes);
        }
        CSLDestroy(names);
        return ok;
    }

private:
    QByteArray m_path;
};

// The .prj of the copy, as GDAL's shape file driver writes it; none for a layer without a
// coordinate system.
bool writeProjection(const OGRSpatialReference *system, const QFileInfo &target, QString *error)
{
    if (!system)
        return true;
    char *wkt = nullptr;
    const char *const options[] = {"FORMAT=WKT1_ESRI", nullptr};
    const bool made = system->exportToWkt(&wkt, options) == OGRERR_NONE && wkt;
    const QByteArray text = made ? QByteArray(wkt) : QByteArray();
    CPLFree(wkt);
    if (!made)
        return true; // a system without a WKT1 form: the copy has no .prj, as with GDAL
    QSaveFile prj(target.path() + u'/' + target.completeBaseName() + QStringLiteral(".prj"));
    if (prj.open(QIODevice::WriteOnly) && prj.write(text) == text.size() && prj.commit())
        return true;
    *error = QStringLiteral("%1 can't be written: %2").arg(prj.fileName(), prj.errorString());
    return false;
}

// Writes the copy. keepValues: the table's values are kept in memory in the one pass over
// the layer, and the table written after it; otherwise its widths are measured in a pass of
// their own first (for layers too large to keep).
bool writeCopy(OGRLayer &source, const QString &targetShp, const VectorLayerInfo &info,
               bool keepValues, GdalErrors &errors, QString *error)
{
    const Kind kind = layerKind(&source);
    const int family = kind == Kind::Points ? 8 : kind == Kind::Lines ? 3 : 5;
    OGRFeatureDefn *definition = source.GetLayerDefn();
    TableCopy table(*definition);
    const QFileInfo targetInfo(targetShp);
    const MemoryFolder memory;
    // GDAL writes the table (.dbf, .cpg); the shapes go straight into the .shp and .shx, which
    // costs a fraction of GDAL's record-by-record geometry writing, and the .prj is written
    // as GDAL's shape file driver writes it.
    GDALDriver *driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    GDALDatasetUniquePtr target(driver ? driver->Create(memory.path(targetInfo.fileName()).constData(),
                                                        0, 0, 0, GDT_Unknown, nullptr)
                                       : nullptr);
    char **options = CSLSetNameValue(nullptr, "ENCODING", "UTF-8");
    OGRLayer *copy = target ? target->CreateLayer(targetInfo.completeBaseName().toUtf8().constData(),
                                                  nullptr, wkbNone, options)
                            : nullptr;
    CSLDestroy(options);
    ShapeFileWriter shapes(targetShp, family);
    if (copy && !shapes.open(error))
        return false;
    if (!copy) {
        *error = QStringLiteral("%1 can't be written: %2")
                     .arg(targetShp, gdalText(errors, QStringLiteral("no shape file driver")));
        return false;
    }
    QStringList names;
    for (int i = 0; i < definition->GetFieldCount(); ++i)
        names << QString::fromUtf8(definition->GetFieldDefn(i)->GetNameRef());
    std::vector<QByteArray> shortNames;
    for (const auto &pair : shortenFieldNames(names))
        shortNames.push_back(pair.second.toUtf8());
    const auto createFields = [&] {
        int failed = -1;
        if (table.createFields(*copy, shortNames, &failed))
            return true;
        *error = QStringLiteral("The field %1 can't be written into %2: %3")
                     .arg(names[failed], targetShp, gdalText(errors, QString()));
        return false;
    };
    // One record of the copy, filled anew for each feature; made once the fields are there.
    OGRFeatureUniquePtr out;
    if (!keepValues) {
        table.measure(source);
        if (!createFields())
            return false;
        out.reset(OGRFeature::CreateFeature(copy->GetLayerDefn()));
    }
    const auto writeRecord = [&] {
        if (copy->CreateFeature(out.get()) == OGRERR_NONE)
            return true;
        *error = QStringLiteral("%1 can't be written: %2")
                     .arg(targetShp, gdalText(errors, QStringLiteral("a record failed")));
        return false;
    };
    // The shape of a feature into parts, filled anew for each; a geometry of another kind than
    // the layer's becomes a null record.
    const auto addShape = [&](const OGRFeature &f, ShapeParts &parts) {
        parts.points.clear();
        parts.partStart.assign(1, 0);
        parts.shapeStart.assign(1, 0);
        const OGRGeometry *g = f.GetGeometryRef();
        appendShape(g && kindOf(g->getGeometryType()) == kind ? g : nullptr, family, parts);
        shapes.add(parts, 0);
    };
    const auto readWhole = [&] {
        if (errors.failures().isEmpty())
            return true;
        *error = QStringLiteral("The layer %1 can't be read whole: %2")
                     .arg(info.layerName, errors.failures().join(QStringLiteral("; ")));
        return false;
    };
    bool shapesWritten = false;
    QString shapesError;
    FeatureHandOver handOver;
    std::latch kept(1);
    std::jthread maker;
    if (keepValues) {
        // GDAL reads the features on this thread while another makes their shapes and keeps
        // their values (the two halves of the pass take about as long), then writes the .shp
        // and .shx while GDAL writes the table here.
        maker = std::jthread([&] {
            ShapeParts parts;
            for (auto batch = handOver.take(); !batch.empty(); batch = handOver.take())
                for (const OGRFeatureUniquePtr &f : batch) {
                    addShape(*f, parts);
                    table.keep(*f);
                }
            kept.count_down();
            shapesWritten = shapes.finish(&shapesError);
        });
        try {
            FeatureHandOver::Batch batch;
            for (OGRFeatureUniquePtr f(source.GetNextFeature()); f; f.reset(source.GetNextFeature())) {
                batch.push_back(std::move(f));
                if (batch.size() == FeatureHandOver::kBatchSize)
                    handOver.put(std::exchange(batch, {}));
            }
            if (!batch.empty())
                handOver.put(std::move(batch));
        } catch (...) {
            handOver.end(); // the other thread is not left waiting
            throw;
        }
        handOver.end();
        kept.wait();
        if (!readWhole() || !createFields())
            return false;
        out.reset(OGRFeature::CreateFeature(copy->GetLayerDefn()));
        for (int r = 0; r < table.keptCount(); ++r) {
            table.fill(*out, r);
            if (!writeRecord())
                return false;
        }
    } else {
        ShapeParts parts;
        for (OGRFeatureUniquePtr f(source.GetNextFeature()); f; f.reset(source.GetNextFeature())) {
            addShape(*f, parts);
            table.hold(*f);
            table.fill(*out, 0);
            table.release();
            if (!writeRecord())
                return false;
        }
        if (!readWhole())
            return false;
        shapesWritten = shapes.finish(&shapesError);
    }
    target.reset(); // closes and completes the files
    if (!errors.failures().isEmpty()) {
        *error = QStringLiteral("%1 can't be written: %2")
                     .arg(targetShp, errors.failures().join(QStringLiteral("; ")));
        return false;
    }
    if (maker.joinable())
        maker.join();
    if (!shapesWritten) {
        *error = shapesError;
        return false;
    }
    return writeProjection(source.GetSpatialRef(), targetInfo, error)
           && memory.writeOut(targetInfo.path(), error);
}

} // namespace

bool inspect(const QString &path, const QString &layerName, VectorLayerInfo *info,
             QString *error)
{
    const std::lock_guard<std::mutex> lock(openedMutex);
    GdalErrors errors;
    GDALDataset *dataset = openFile(path, errors, error);
    OGRLayer *layer = nullptr;
    return dataset && inspectOpen(*dataset, path, layerName, *info, layer, error);
}

void setKeepValuesLimit(qint64 bytes)
{
    const std::lock_guard<std::mutex> lock(openedMutex);
    keepValuesLimit = bytes;
}

bool convertToShapefile(const QString &path, const QString &layerName, const QString &targetShp,
                        VectorLayerInfo *info, QString *error)
{
    const std::lock_guard<std::mutex> lock(openedMutex);
    GdalErrors errors;
    GDALDataset *dataset = openFile(path, errors, error);
    OGRLayer *layer = nullptr;
    bool ok = dataset && inspectOpen(*dataset, path, layerName, *info, layer, error);
    if (ok) {
        removeCopy(targetShp);
        // The table's values are kept through the one pass over the layer for files of a size
        // that memory holds with ease (they are a part of the file); larger ones are read twice.
        const bool keepValues = QFileInfo(path).size() <= keepValuesLimit;
        ok = writeCopy(*layer, targetShp, *info, keepValues, errors, error);
        if (!ok) {
            *error = QStringLiteral("%1 (%2): %3").arg(path, info->layerName, *error);
            removeCopy(targetShp);
        }
    }
    opened = OpenedFile(); // converted: the file is closed
    return ok;
}

FieldRenames shortenFieldNames(const QStringList &names)
{
    FieldRenames result;
    QSet<QString> taken;
    auto cut = [](const QString &name, int bytes) {
        QString shortened;
        for (const QChar c : name) {
            if (shortened.toUtf8().size() + QString(c).toUtf8().size() > bytes)
                break;
            shortened += c;
        }
        return shortened;
    };
    // Names that fit are kept as they are and taken first, so that no cut name takes them.
    for (const QString &name : names)
        if (name.toUtf8().size() <= kDbfNameBytes)
            taken.insert(name.toCaseFolded());
    for (const QString &name : names) {
        if (name.toUtf8().size() <= kDbfNameBytes) {
            result << qMakePair(name, name);
            continue;
        }
        QString candidate = cut(name, kDbfNameBytes);
        for (int n = 1; taken.contains(candidate.toCaseFolded()); ++n) {
            const QString suffix = u'_' + QString::number(n);
            candidate = cut(name, kDbfNameBytes - int(suffix.size())) + suffix;
        }
        taken.insert(candidate.toCaseFolded());
        result << qMakePair(name, candidate);
    }
    return result;
}

} // namespace geodata
