#include "app/mapdefs/creadmapfile.h"

#include "app/mapdefs/mapdefsreport.h"
#include "platform/gismodule/gismodule.h"

#include <QFileInfo>

#include <system_error>

namespace {
const QString CRLF = QStringLiteral("\r\n");
} // namespace

// A vector file that GDAL reads (any map file whose name holds no ".shp") must open and have
// the layer asked for; the fields its copy will name differently are learnt here, so that the
// key and name fields may be given by their long names.
bool CReadMapFile::inspectVectorFiles(CMaps &map)
{
    for (const bool second : {false, true}) {
        const QString path = second ? map.sEFileName() : map.sFileName();
        if (path.isEmpty() || CMaps::isShapefileName(path))
            continue;
        geodata::VectorLayerInfo info;
        QString error;
        const gis::VectorModule *gis = gis::vectorModule(&error);
        if (!gis || !gis->inspect(path, second ? map.eLayerName : map.layerName, &info, &error)) {
            mapdefsMessage(QStringLiteral("Chorel (GetMapFileCollection)"), 16,
                           error + CRLF + QStringLiteral("(") + IniFile + u')');
            return false;
        }
        if (second)
            continue;
        map.fieldRenames = info.renamed;
        if (!info.renamed.isEmpty()) {
            QStringList pairs;
            for (const auto &[original, shortened] : info.renamed)
                pairs << original + QStringLiteral(" -> ") + shortened;
            const QString note = QStringLiteral("Field names of %1 longer than a dBASE table "
                                                "allows are shortened in the map's table: %2")
                                     .arg(path, pairs.join(QStringLiteral(", ")));
            // Told once per file, not at every reading of the map list.
            if (!m_toldRenames.contains(note)) {
                m_toldRenames.insert(note);
                mapdefsNotice(note);
            }
        }
    }
    return true;
}

QString CReadMapFile::ProjectionSetting()
{
    const QString chosen = ProjectionOverride.trimmed().isEmpty()
                               ? readIni(QStringLiteral("DEFAULT"), QStringLiteral("Projection"))
                               : ProjectionOverride.trimmed();
    return chosen.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0 ? QString() : chosen;
}

// The projection to bring the maps into, checked before any layer is copied; false after a
// message naming the key, its value and the file when PROJ does not know it.
bool CReadMapFile::checkedProjection(QString &projection)
{
    projection = ProjectionSetting();
    if (projection.isEmpty())
        return true;
    // "auto" is always known: PROJ is loaded where the layers are projected, not here
    if (isAutomaticProjection(projection))
        return true;
    QString said;
    const gis::ProjectionModule *gis = gis::projectionModule(&said);
    if (gis && gis->isKnownProjection(projection, &said))
        return true;
    const bool fromKey = ProjectionOverride.trimmed().isEmpty();
    mapdefsMessage(QStringLiteral("Chorel (CopyFiles)"), 16,
                   QStringLiteral("Unknown coordinate reference system (%1).").arg(said) + CRLF
                       + (fromKey ? IniFile + QStringLiteral(" : ") + CRLF
                                        + QStringLiteral("[DEFAULT]") + CRLF
                                        + QStringLiteral("Projection=")
                                  : OptionFile + QStringLiteral(" : ") + CRLF
                                        + QStringLiteral("[DATA]") + CRLF
                                        + QStringLiteral("Projection="))
                       + projection);
    return false;
}

// Brings the working copies of a map's layers into the projection; the original files name
// the layers in messages. AddMap waits for it, and what it found (the warnings, a failure) is
// told then.
bool CReadMapFile::projectMap(int mapNumber, const QString &projection,
                              const QList<gis::ProjectedLayer> &layers)
{
    if (!settleProjection(true)) // one projection at a time
        return false;
    auto pending = std::make_unique<PendingProjection>();
    pending->mapNumber = mapNumber;
    PendingProjection *p = pending.get();
    const auto work = [p, projection, layers] {
        p->module = gis::projectionModule(&p->loadError);
        if (p->module) {
            p->job = p->module->newProjection(projection, layers);
            p->module->runProjection(p->job);
        }
    };
    try {
        pending->worker = std::thread(work);
    } catch (const std::system_error &) {
        work(); // no thread to be had: the work is done here
    }
    m_projection = std::move(pending);
    return true;
}

bool CReadMapFile::settleProjection(bool report)
{
    if (!m_projection)
        return !m_projectionFailed;
    const std::unique_ptr<PendingProjection> pending = std::move(m_projection);
    if (pending->worker.joinable())
        pending->worker.join();
    gis::ProjectionOutcome outcome;
    QString error = pending->loadError;
    m_projectionFailed = !pending->module
                         || !pending->module->finishProjection(pending->job, &outcome, &error);
    if (!m_projectionFailed && m_mapList && pending->mapNumber <= m_mapList->size()) {
        CMaps &map = (*m_mapList)[pending->mapNumber - 1];
        map.projectionName = outcome.name;
        map.projectionDefinition = outcome.definition;
    }
    if (report) {
        for (const QString &warning : std::as_const(outcome.warnings))
            mapdefsNotice(warning);
        if (m_projectionFailed)
            mapdefsMessage(QStringLiteral("Chorel (CopyFiles)"), 16, error);
    }
    return !m_projectionFailed;
}

QString CReadMapFile::ProjectionName(int mapNumber) const
{
    const CMaps *map = mapNumbered(mapNumber);
    return map ? map->projectionName : QString();
}

QString CReadMapFile::ProjectionDefinition(int mapNumber) const
{
    const CMaps *map = mapNumbered(mapNumber);
    return map ? map->projectionDefinition : QString();
}

const CMaps *CReadMapFile::mapNumbered(int mapNumber) const
{
    if (m_mapList)
        for (const CMaps &map : *m_mapList)
            if (map.iNum() == mapNumber)
                return &map;
    return nullptr;
}
