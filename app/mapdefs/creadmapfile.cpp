#include "app/mapdefs/creadmapfile.h"

#include "app/runtime/messagetable.h"
#include "app/mapdefs/mapdefsreport.h"
#include "app/mapdefs/colournames.h"
#include "bandwise/colourschemes.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"
#include "kitbag/kbpath.h"
#include "kitbag/kbutil.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const QString CRLF = QStringLiteral("\r\n");
constexpr std::int32_t kSubscriptOutOfRange = 9;
constexpr std::int32_t kFileNotFound = 53;

// Rounds half to even; false when the result does not fit a 32-bit whole number.
bool roundToInt(double value, std::int32_t &result)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min()
          && rounded <= std::numeric_limits<std::int32_t>::max()))
        return false;
    result = static_cast<std::int32_t>(rounded);
    return true;
}
} // namespace

CReadMapFile::CReadMapFile() = default;
CReadMapFile::~CReadMapFile()
{
    settleProjection(false);
}

CKbUtil &CReadMapFile::Util()
{
    if (!m_util)
        m_util = std::make_unique<CKbUtil>();
    return *m_util;
}

QString CReadMapFile::readIni(const QString &section, const QString &key)
{
    return Util().ReadIniFile(IniFile, section, key).trimmed();
}

QString CReadMapFile::ResolvePath(const QString &path) const
{
    if (path.trimmed().isEmpty())
        return QString();
    return kbpath::findNoCase(kbpath::fromFilePath(path.trimmed(), QFileInfo(IniFile).absolutePath()));
}

std::optional<QList<CMaps>> CReadMapFile::GetMapFileCollection()
{
    m_mapList.reset();
    MissingFile.clear();
    try {
        double count = 0;
        const QString numMaps = readIni(QStringLiteral("MAPS"), QStringLiteral("NumMaps"));
        if (!numMaps.isEmpty() && !parseNumber(numMaps, count))
            throw RunTimeError(13, QStringLiteral("Type mismatch: NumMaps=") + numMaps,
                               QStringLiteral("Chorel"));
        const double n = std::nearbyint(count);
        QList<CMaps> maps;
        for (int i = 1; i <= n && i <= std::numeric_limits<std::int16_t>::max(); ++i) {
            const QString number = QString::number(i);
            const QString written = readIni(QStringLiteral("MAPS"), number);
            // A shape file's name says ".shp" in lower case; any other name is a vector file
            // that GDAL reads (".SHP" is taken for a shape file named in the wrong case).
            const bool misnamedShapefile =
                CMaps::isShapefileName(written)
                    ? CMaps::baseName(written).isEmpty()
                    : written.endsWith(QStringLiteral(".shp"), Qt::CaseInsensitive);
            if (!written.isEmpty() && misnamedShapefile) {
                QString text = MessageText(QStringLiteral("ShapeName"));
                text.replace(QStringLiteral("<SHAPE>"), written);
                text.replace(QStringLiteral("<MAP>"), number);
                text.replace(QStringLiteral("<INI>"), IniFile);
                mapdefsMessage(QStringLiteral("Chorel (GetMapFileCollection)"), 48, text);
                return std::nullopt;
            }
            CMaps map;
            map.setsFileName(ResolvePath(written));
            map.setsEFileName(ResolvePath(readIni(QStringLiteral("MAPS"), u'E' + number)));
            map.setsMapName(readIni(QStringLiteral("FIELDS") + number, QStringLiteral("MapName")));
            if (map.sMapName().isEmpty())
                map.setsMapName(map.sTableName());
            if (!Util().FileExists(map.sFileName())) {
                MissingFile = written.isEmpty() ? QStringLiteral("[MAPS] ") + number + u'='
                                                : map.sFileName();
                return std::nullopt;
            }
            if (!map.sEFileName().isEmpty() && !Util().FileExists(map.sEFileName())) {
                MissingFile = map.sEFileName();
                return std::nullopt;
            }
            map.layerName = readIni(QStringLiteral("FIELDS") + number, QStringLiteral("LayerName"));
            map.eLayerName = readIni(u'E' + number, QStringLiteral("LayerName"));
            if (!inspectVectorFiles(map))
                return std::nullopt;
            map.setiNum(static_cast<std::int16_t>(i));
            maps.append(map);
        }
        m_mapList = maps;
    } catch (const RunTimeError &error) {
        mapdefsError(QStringLiteral("Chorel (GetMapFileCollection)"), error);
        m_mapList.reset();
    }
    return m_mapList;
}

QStringList CReadMapFile::SourceFiles()
{
    QStringList files{IniFile};
    double count = 0;
    if (!parseNumber(readIni(QStringLiteral("MAPS"), QStringLiteral("NumMaps")), count))
        return files;
    const double n = std::min(std::nearbyint(count), double(std::numeric_limits<std::int16_t>::max()));
    for (int i = 1; i <= n; ++i) {
        for (const QString &key : {QString::number(i), u'E' + QString::number(i)}) {
            const QString written = readIni(QStringLiteral("MAPS"), key);
            if (written.isEmpty())
                continue;
            // The shapefile with every file beside it of the same name: index, table, code
            // page, projection.
            const QFileInfo shape(ResolvePath(written));
            const QDir folder = shape.absoluteDir();
            const QStringList set = folder.entryList({shape.completeBaseName() + QStringLiteral(".*")},
                                                     QDir::Files | QDir::Hidden);
            for (const QString &name : set)
                files << folder.filePath(name);
            files << shape.filePath();
        }
    }
    return files;
}

QList<CFields> CReadMapFile::GetFields(int mapNumber)
{
    const QString section = QStringLiteral("FIELDS") + QString::number(mapNumber);
    return {
        CFields{readIni(section, QStringLiteral("KeyPField")), GetKeyField(mapNumber)},
        CFields{readIni(section, QStringLiteral("NamePField")), GetRegionField(mapNumber)},
        CFields{readIni(section, QStringLiteral("StatPField")), GetStatField()},
    };
}

QString CReadMapFile::GetKeyField(int mapNumber)
{
    return tableField(mapNumber, readIni(QStringLiteral("FIELDS") + QString::number(mapNumber),
                                         QStringLiteral("KeyField")));
}

QString CReadMapFile::GetRegionField(int mapNumber)
{
    return tableField(mapNumber, readIni(QStringLiteral("FIELDS") + QString::number(mapNumber),
                                         QStringLiteral("NameField")));
}

// A field named in the map definition by its name in a vector file, which the working copy's
// table had to shorten: the shortened name.
QString CReadMapFile::tableField(int mapNumber, const QString &field) const
{
    if (const CMaps *map = mapNumbered(mapNumber); map && !field.isEmpty())
        for (const auto &[original, shortened] : map->fieldRenames)
            if (original.compare(field, Qt::CaseInsensitive) == 0)
                return shortened;
    return field;
}

QString CReadMapFile::GetSecondLayerCaption(int mapNumber)
{
    return readIni(QStringLiteral("FIELDS") + QString::number(mapNumber),
                   QStringLiteral("ECaption"));
}

QString CReadMapFile::GetLabelField(int mapNumber, bool *given)
{
    const QString section = QStringLiteral("FIELDS") + QString::number(mapNumber);
    const QString field = readIni(section, QStringLiteral("LabelField"));
    if (given)
        *given = !field.isEmpty();
    return field.isEmpty() ? readIni(section, QStringLiteral("NameField")) : field;
}

QString CReadMapFile::GetLabelFont(int mapNumber)
{
    const QString font =
        readIni(QStringLiteral("FIELDS") + QString::number(mapNumber), QStringLiteral("LabelFont"));
    return font.isEmpty() ? readIni(QStringLiteral("DEFAULT"), QStringLiteral("LabelFont")) : font;
}

double CReadMapFile::GetLabelSize(int mapNumber)
{
    QString text =
        readIni(QStringLiteral("FIELDS") + QString::number(mapNumber), QStringLiteral("LabelSize"));
    if (text.isEmpty())
        text = readIni(QStringLiteral("DEFAULT"), QStringLiteral("LabelSize"));
    double size = 0;
    text.replace(u',', u'.');
    return parseNumber(text, size) && size >= 4.0 && size <= 72.0 ? size : 0.0;
}

bool CReadMapFile::GetOutlineAuto(int mapNumber)
{
    QString text =
        readIni(QStringLiteral("FIELDS") + QString::number(mapNumber), QStringLiteral("OutlineAuto"));
    if (text.isEmpty())
        text = readIni(QStringLiteral("DEFAULT"), QStringLiteral("OutlineAuto"));
    return text == QStringLiteral("1");
}

QString CReadMapFile::GetTableName(int mapNumber)
{
    return CMaps::baseName(readIni(QStringLiteral("MAPS"), QString::number(mapNumber)));
}

std::int32_t CReadMapFile::readColour(const QString &text, const QString &section,
                                      const QString &key)
{
    double number = 0;
    std::int32_t colour = 0;
    if (parseNumber(text, number) && roundToInt(number, colour))
        return colour;
    static const ColorTable none;
    return GetColor(colColorMap ? *colColorMap : none, text, IniFile, section, key);
}

std::int32_t CReadMapFile::GetDefault(const QString &key, std::int32_t defaultValue)
{
    const QString value = readIni(QStringLiteral("DEFAULT"), key);
    if (value.isEmpty())
        return defaultValue;
    double number = 0;
    std::int32_t whole = 0;
    if (parseNumber(value, number) && roundToInt(number, whole))
        return whole;
    if (colColorMap && colColorMap->contains(value))
        return colColorMap->value(value);
    mapdefsMessage(QStringLiteral("Chorel (AddMap)"), 64,
                   MessageText(QStringLiteral("WrongColorValue")) + CRLF
                       + IniFile + QStringLiteral(" : ") + CRLF + QStringLiteral("[DEFAULT]")
                       + CRLF + key + u'=' + value);
    return defaultValue;
}

QString CReadMapFile::GetDefaultText(const QString &key)
{
    return readIni(QStringLiteral("DEFAULT"), key).trimmed();
}

QString CReadMapFile::GetDefaultScheme()
{
    const QString value = readIni(QStringLiteral("DEFAULT"), QStringLiteral("Scheme"));
    if (value.isEmpty())
        return QString();
    if (const ColourScheme *scheme = FindColourScheme(value))
        return QLatin1String(scheme->name);
    mapdefsMessage(QStringLiteral("Chorel (AddMap)"), 64,
                   MessageText(QStringLiteral("WrongScheme")) + CRLF + IniFile
                       + QStringLiteral(" : ") + CRLF + QStringLiteral("[DEFAULT]") + CRLF
                       + QStringLiteral("Scheme=") + value + CRLF
                       + MessageText(QStringLiteral("Schemes")) + u' '
                       + ColourSchemeNames().join(QStringLiteral(", ")));
    return QString();
}

void CReadMapFile::AddMap(int mapNumber)
{
    try {
        if (!m_mapList || mapNumber < 1 || mapNumber > m_mapList->size())
            throw RunTimeError(kSubscriptOutOfRange,
                               QStringLiteral("Subscript out of range: no map %1 in the map list")
                                   .arg(mapNumber),
                               QStringLiteral("Chorel"));
        // A map whose layers could not be projected is not drawn (the failure was told).
        if (!settleProjection(true))
            return;
        const CMaps &map = m_mapList->at(mapNumber - 1);
        Outline = true;
        OutlineSize = 1;
        OutlineColor = 0;
        std::shared_ptr<MapLayer> layer;
        m_loadedLayers.clear();
        if (!map.sFileName().isEmpty())
            layer = addLayer(map.sFileName(), true);

        const QString section = QStringLiteral("FIELDS") + QString::number(map.iNum());
        const QString show = readIni(section, QStringLiteral("Show"));
        if (show == QStringLiteral("1")) {
            const std::int32_t colour =
                readColour(readIni(section, QStringLiteral("Color")), section,
                           QStringLiteral("Color"));
            OutlineSize = readSize(section);
            // Size=0: the regions are drawn without outlines.
            Outline = OutlineSize > 0;
            OutlineColor = colour;
            if (layer) {
                layer->Symbol().Outline = Outline;
                layer->Symbol().OutlineColor = MapColor(colour);
                layer->Symbol().Size = OutlineSize;
            }
        } else if (show == QStringLiteral("0")) {
            Outline = false;
        }

        if (!map.sEFileName().isEmpty())
            applySecondLayerSymbol(map.iNum(), addLayer(map.sEFileName(), false));
        if (m_keepLayers)
            m_keptLayers = m_loadedLayers;
    } catch (const RunTimeError &error) {
        mapdefsError(QStringLiteral("Chorel (AddMap)"), error);
    }
}

void CReadMapFile::KeepLoadedLayers()
{
    m_keepLayers = true;
    m_keptLayers.clear();
    for (int i = 0; Map && i < Map->LayerCount(); ++i)
        if (const auto layer = Map->Layer(i))
            m_keptLayers.insert(layer->FileName(), layer);
}

// The kept layer of the shapefile, as freshly read: none when there is none or its table
// can't be read again (the shapefile is then read whole, which reports the fault).
std::shared_ptr<MapLayer> CReadMapFile::keptLayer(const QString &path, bool joinedTable)
{
    const std::shared_ptr<MapLayer> layer = m_keptLayers.value(path);
    if (!layer || (joinedTable && !layer->ReloadTable()))
        return nullptr;
    layer->SetRenderer(nullptr);
    layer->Symbol() = MapSymbol();
    layer->SetVisible(true);
    return layer;
}

std::shared_ptr<MapLayer> CReadMapFile::addLayer(const QString &path, bool joinedTable)
{
    if (!Map)
        throw RunTimeError(91, QStringLiteral("No map control to load the map into"),
                           QStringLiteral("Chorel"));
    std::shared_ptr<MapLayer> layer = m_keepLayers ? keptLayer(path, joinedTable) : nullptr;
    if (layer) {
        Map->AddLayer(layer);
    } else {
        QString reason;
        layer = Map->AddShapefileLayer(path, &reason);
        if (!layer) {
            // The user's own file is named, not its working copy, which is gone when the
            // run ends.
            const QString source = m_sourceOf.value(path, path);
            const auto stem = [](const QString &file) {
                const QFileInfo info(file);
                return info.dir().filePath(info.completeBaseName()) + u'.';
            };
            reason.replace(stem(path), stem(source));
            throw RunTimeError(kFileNotFound,
                               QStringLiteral("The shape file %1 cannot be read: %2")
                                   .arg(source, reason),
                               QStringLiteral("Chorel"));
        }
    }
    if (m_keepLayers)
        m_loadedLayers.insert(path, layer);
    return layer;
}

std::int16_t CReadMapFile::readSize(const QString &section)
{
    double number = 0;
    std::int32_t size = 1;
    if (!parseNumber(readIni(section, QStringLiteral("Size")), number)
        || !roundToInt(number, size) || size < 0 || size > std::numeric_limits<std::int16_t>::max())
        size = 1;
    return static_cast<std::int16_t>(size);
}

// The second layer is drawn on top of the regions with one colour and one size: lines in
// that colour and width, points as markers of that colour and diameter, areas unfilled with
// an outline of that colour and width so that the regions below stay visible.
void CReadMapFile::applySecondLayerSymbol(int mapNumber, const std::shared_ptr<MapLayer> &layer)
{
    const QString section = u'E' + QString::number(mapNumber);
    const QString text = readIni(section, QStringLiteral("Color"));
    const std::int32_t colour = readColour(text, section, QStringLiteral("Color"));
    const std::int16_t size = readSize(section);
    MapSymbol &symbol = layer->Symbol();
    symbol.Size = size;
    if (layer->ShapeType() == PolygonShape) {
        symbol.Style = TransparentFill;
        symbol.Outline = true;
        symbol.OutlineColor = MapColor(colour);
    } else {
        symbol.Color = MapColor(colour);
    }
}
