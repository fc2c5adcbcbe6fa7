#include "app/mapdefs/creadmapfile.h"

#include "app/mapdefs/fieldcheck.h"
#include "app/mapdefs/layertable.h"
#include "app/mapdefs/mapdefsreport.h"
#include "contracts/runtimeerror.h"
#include "contracts/tableprovider.h"
#include "kitbag/kbpath.h"
#include "kitbag/kbread.h"
#include "kitbag/kbutil.h"
#include "platform/gismodule/gismodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSet>

#include <cmath>
#include <filesystem>

namespace {
constexpr std::int32_t kPathFileAccessError = 75;
constexpr std::int32_t kPathNotFound = 76;

// The companions of a shapefile that travel with it. ".cpg" (the table's code page) and
// ".prj" are copied when they exist.
const QStringList kRequired = {QStringLiteral(".shx"), QStringLiteral(".dbf")};
const QStringList kOptional = {QStringLiteral(".cpg"), QStringLiteral(".prj")};

QString companion(const QString &shpPath, const QString &extension)
{
    const QFileInfo info(shpPath);
    return kbpath::findNoCase(info.path() + u'/' + info.completeBaseName() + extension);
}

bool sameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// Makes way for a copy of source at target: false when both are the same file (nothing to
// copy); throws when target can't be replaced or source is not a regular file.
bool makeWayForCopy(const QString &source, const QString &target)
{
    if (sameFile(source, target))
        return false;
    if (QFileInfo::exists(target) && !QFile::remove(target))
        throw RunTimeError(kPathFileAccessError,
                           QStringLiteral("Path/File access error: cannot replace ") + target,
                           QStringLiteral("Chorel"));
    // A device or FIFO in place of a shapefile would be copied without end.
    if (!kbread::isRegularFile(source))
        throw RunTimeError(kPathFileAccessError,
                           QStringLiteral("Path/File access error: %1 is not a regular file")
                               .arg(source),
                           QStringLiteral("Chorel"));
    return true;
}

void copyOne(const QString &source, const QString &target)
{
    if (!makeWayForCopy(source, target))
        return;
    // A working copy lives only as long as the run: it is copied without the flush to disk
    // that a file the user keeps would get (three of them cost a start-up tens of ms).
    std::error_code error;
    if (!std::filesystem::copy_file(QFile::encodeName(source).toStdString(),
                                    QFile::encodeName(target).toStdString(), error))
        throw RunTimeError(kPathFileAccessError,
                           QStringLiteral("Path/File access error: cannot copy %1 to %2 (%3)")
                               .arg(source, target,
                                    QString::fromLocal8Bit(error.message().c_str())),
                           QStringLiteral("Chorel"));
}

// Copies a shapefile set under a new base name into folder; returns the copy's ".shp".
// tableOnly: the copy gets the table (.dbf, .cpg) only, and its .shp, .shx and .prj from the
// map's projection, which reads the user's own files (copying them would only be undone).
QString copyShapefileSet(const QString &shpPath, const QString &folder, const QString &base,
                         bool tableOnly)
{
    const QString target = QDir(folder).filePath(base);
    const QString shx = companion(shpPath, QStringLiteral(".shx"));
    if (tableOnly) {
        makeWayForCopy(shpPath, target + QStringLiteral(".shp"));
        makeWayForCopy(shx, target + QStringLiteral(".shx"));
        QFile::remove(target + QStringLiteral(".prj"));
    } else {
        copyOne(shpPath, target + QStringLiteral(".shp"));
        copyOne(shx, target + QStringLiteral(".shx"));
    }
    copyOne(companion(shpPath, QStringLiteral(".dbf")), target + QStringLiteral(".dbf"));
    for (const QString &extension : kOptional) {
        if (tableOnly && extension == QLatin1String(".prj"))
            continue;
        const QString source = companion(shpPath, extension);
        if (QFileInfo::exists(source))
            copyOne(source, target + extension);
        else
            QFile::remove(target + extension); // no stale companion of an earlier run
    }
    return target + QStringLiteral(".shp");
}

// A layer of a map to project: a shape file's copy holds only its table, and the user's own
// .shp, .shx and .prj are read; a converted layer's copy is read whole.
gis::ProjectedLayer projectedLayer(const QString &copy, const QString &original,
                                   const QString &nameField)
{
    gis::ProjectedLayer layer{copy, original, nameField, {}, {}, {}};
    if (CMaps::isShapefileName(original)) {
        layer.sourceShp = original;
        layer.sourceShx = companion(original, QStringLiteral(".shx"));
        const QString prj = companion(original, QStringLiteral(".prj"));
        if (QFileInfo::exists(prj))
            layer.sourcePrj = prj;
    }
    return layer;
}

// Two maps may name shapefiles with the same base name in different folders (or a second
// shapefile may share its map's name): every copy gets its own name in the working folder,
// the base name itself for the first and base + "_2", "_3", ... for later ones.
QString distinctName(const QString &base, QSet<QString> &used)
{
    QString name = base;
    for (int n = 2; used.contains(name.toCaseFolded()); ++n)
        name = base + u'_' + QString::number(n);
    used.insert(name.toCaseFolded());
    return name;
}
} // namespace

// Brings one layer into folder under base: a shape file set is copied, a vector file that GDAL
// reads is written as a shape file set; renamedFields (may be none) learns which fields of
// the copy's table have shortened names. Returns the copy's ".shp".
QString CReadMapFile::copyLayer(const QString &path, const QString &layerName,
                                const QString &folder, const QString &base, CMaps *renamedFields,
                                bool projected)
{
    if (CMaps::isShapefileName(path))
        return copyShapefileSet(path, folder, base, projected);
    const QString target = QDir(folder).filePath(base + QStringLiteral(".shp"));
    geodata::VectorLayerInfo info;
    QString error;
    const gis::VectorModule *gis = gis::vectorModule(&error);
    if (!gis || !gis->convertToShapefile(path, layerName, target, &info, &error))
        throw RunTimeError(kPathFileAccessError, error, QStringLiteral("Chorel"));
    if (renamedFields)
        renamedFields->fieldRenames = info.renamed;
    return target;
}

void CReadMapFile::showProgress(int value)
{
    if (Progressbar)
        Progressbar->setValue(value);
    if (FormCaption && Progressbar && Progressbar->maximum() > 0)
        FormCaption->setText(
            QString::number(std::nearbyint(value * 100.0 / Progressbar->maximum())) + u'%');
}

bool CReadMapFile::CopyFiles(const QString &folder, bool renewal)
{
    try {
        // The files of the last projection are about to be replaced: it ends untold.
        settleProjection(false);
        m_projectionFailed = false;
        LayerFolder = folder;
        if (renewal) {
            KillFiles();
            GetMapFileCollection();
        }
        if (!m_mapList)
            return false;
        const QString saved = FormCaption ? FormCaption->text() : QString();
        auto restoreCaption = [&] {
            if (FormCaption)
                FormCaption->setText(saved);
        };
        if (Progressbar) {
            Progressbar->setMaximum(2 * int(m_mapList->size()));
            Progressbar->setValue(1);
            Progressbar->setVisible(true);
        }
        if (!Util().DirExists(folder) && !QDir().mkpath(folder))
            throw RunTimeError(kPathNotFound, QStringLiteral("Path not found: ") + folder,
                               QStringLiteral("Chorel"));
        QString projection;
        if (!checkedProjection(projection))
            return false;
        const bool projected = !projection.isEmpty();
        int progress = 1;
        int mapNumber = 0;
        QSet<QString> used;
        for (CMaps &map : *m_mapList) {
            ++mapNumber;
            const QString regionFile = map.sFileName();
            const QString secondFile = map.sEFileName();
            map.setsFileName(copyLayer(map.sFileName(), map.layerName, folder,
                                       distinctName(map.sTableName(), used), &map, projected));
            m_sourceOf.insert(map.sFileName(), regionFile);
            restoreCaption();
            if (!map.sEFileName().isEmpty()) {
                const QString base = CMaps::isShapefileName(map.sEFileName())
                                         ? QFileInfo(map.sEFileName()).completeBaseName()
                                         : CMaps::baseName(map.sEFileName());
                map.setsEFileName(copyLayer(map.sEFileName(), map.eLayerName, folder,
                                            distinctName(base, used), nullptr, projected));
                m_sourceOf.insert(map.sEFileName(), secondFile);
            }
            // The shapes are projected on a thread of their own from here on, beside the
            // rebuilding of the region table (projecting reads no table until it is waited for).
            if (projected) {
                QList<gis::ProjectedLayer> layers = {
                    projectedLayer(map.sFileName(), regionFile, GetRegionField(mapNumber))};
                if (!map.sEFileName().isEmpty())
                    layers.append(projectedLayer(map.sEFileName(), secondFile, QString()));
                if (!projectMap(mapNumber, projection, layers))
                    return false;
            }
            if (!CreateFLD(folder, map.sTableName()))
                return false;
            // The name field only labels regions: a missing one is told, the map still works.
            const QString missing = MissingFieldText(GetRegionField(mapNumber),
                                                     companion(map.sFileName(), QStringLiteral(".dbf")));
            if (!missing.isEmpty())
                mapdefsMessage(QStringLiteral("Chorel (CopyFiles)"), 48, missing);
            showProgress(++progress);
            if (!map.sEFileName().isEmpty())
                showProgress(++progress);
        }
        restoreCaption();
        if (Progressbar)
            Progressbar->setVisible(false);
        return true;
    } catch (const RunTimeError &error) {
        mapdefsError(QStringLiteral("Chorel (CopyFiles)"), error);
        return false;
    }
}

bool CReadMapFile::CreateFLD(const QString &folder, const QString &name)
{
    try {
        addStatField(folder, name);
        return true;
    } catch (const RunTimeError &error) {
        mapdefsMessage(QStringLiteral("Chorel (CreateFLD)"), 16,
                       provider::providerErrorReport({}, error));
        return false;
    }
}

void CReadMapFile::KillFiles()
{
    settleProjection(false); // its layers' files go now
    if (m_mapList) {
        // Only working copies are deleted: a map whose copy was never made (an earlier
        // CopyFiles stopped before it) still names the user's own shapefile.
        const QString work = QFileInfo(LayerFolder).absoluteFilePath();
        auto kill = [&](const QString &shpPath) {
            if (shpPath.isEmpty() || LayerFolder.isEmpty()
                || QFileInfo(shpPath).absolutePath() != work)
                return;
            QFile::remove(shpPath);
            for (const QString &extension : kRequired + kOptional)
                QFile::remove(companion(shpPath, extension));
        };
        for (const CMaps &map : *m_mapList) {
            kill(map.sFileName());
            kill(map.sEFileName());
        }
    }
    if (!StatTableName.isEmpty()) {
        const QString stat = QDir(LayerFolder).filePath(StatTableName);
        QFile::remove(stat + QStringLiteral(".dbf"));
        QFile::remove(stat + QStringLiteral(".cpg"));
    }
    // The kept layers were read from the working copies just deleted.
    m_keptLayers.clear();
    m_loadedLayers.clear();
    m_mapList.reset();
}
