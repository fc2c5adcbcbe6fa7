#pragma once

#include "app/mapdefs/cmaps.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

class CKbUtil;
class ColorTable;
namespace gis {
struct ProjectedLayer;
struct ProjectionJob;
struct ProjectionModule;
} // namespace gis
class MapControl;
class MapLayer;
class QLabel;
class QProgressBar;

// Reads a map-definition file (a settings file listing the maps on which a statistics file
// can be drawn) into CMaps and CFields records, loads a map's layers into the map control,
// and prepares the working copies of the layer tables.
//
// Paths in the file may be Windows paths ("\" becomes "/"); relative paths are resolved
// against the folder of the map-definition file, and a name that does not exist as written
// is looked up without regard to letter case.
class CReadMapFile {
public:
    CReadMapFile();
    ~CReadMapFile();
    CReadMapFile(const CReadMapFile &) = delete;
    CReadMapFile &operator=(const CReadMapFile &) = delete;

    QString IniFile;
    MapControl *Map = nullptr;
    const ColorTable *colColorMap = nullptr;
    QProgressBar *Progressbar = nullptr; // may be none
    QLabel *FormCaption = nullptr;       // may be none
    bool Outline = true;
    std::int32_t OutlineColor = 0;
    std::int16_t OutlineSize = 1;
    QString LayerFolder;
    QString OptionFile;
    // Name of the shapefile that GetMapFileCollection found missing, or empty.
    QString MissingFile;
    // Name of the statistics table in the working folder; KillFiles deletes its ".dbf".
    QString StatTableName;

    // The maps read by GetMapFileCollection, or none.
    const std::optional<QList<CMaps>> &MapList() const { return m_mapList; }

    // Reads [MAPS] and each map's name. None when a shapefile is missing (MissingFile names
    // it) or a shapefile name lacks the lower-case ".shp" (a message says so); then no map
    // is listed at all. Also stored as MapList.
    std::optional<QList<CMaps>> GetMapFileCollection();
    // The files the map definition names as they lie on the disk (not the working copies):
    // the map definition itself and each map's shapefiles with every file beside them of the
    // same name (index, table, code page, projection).
    QStringList SourceFiles();
    // (KeyField, KeyPField), (NameField, NamePField), ("STAT", StatPField).
    QList<CFields> GetFields(int mapNumber);
    QString GetKeyField(int mapNumber);
    QString GetPathDir() const { return LayerFolder; }
    QString GetRegionField(int mapNumber);
    QString GetStatField() const { return QStringLiteral("STAT"); }
    QString GetTableName(int mapNumber);
    // The legend caption of the second layer (the E key of [MAPS]): [FIELDSn] ECaption, empty
    // when the key is absent (the legend then names the layer by its file).
    QString GetSecondLayerCaption(int mapNumber);
    // The layer field whose texts label the regions: [FIELDSn] LabelField, else NameField.
    // *given tells whether LabelField names one (a map definition that asks for labels).
    QString GetLabelField(int mapNumber, bool *given = nullptr);
    // Font family and size in points of the labels: LabelFont= and LabelSize= of [FIELDSn],
    // else of [DEFAULT]; empty and 0 when absent or not a size from 4 to 72.
    QString GetLabelFont(int mapNumber);
    double GetLabelSize(int mapNumber);
    // OutlineAuto=1 in [FIELDSn] or [DEFAULT]: outlines that suit the map's density.
    bool GetOutlineAuto(int mapNumber);
    // Loads map n of MapList (1-based) into Map and sets the outline settings.
    void AddMap(int mapNumber);
    // From now on AddMap takes the layers it loaded last (and those now in Map) again
    // instead of reading their shapes once more: their symbols and renderers are reset and
    // the region table, which a join may have rewritten, is read again. For runs that draw
    // many statistics on one map; the layers of one map only are kept.
    void KeepLoadedLayers();
    // A [DEFAULT] value: a number rounded to a whole number, or a colour name.
    std::int32_t GetDefault(const QString &key, std::int32_t defaultValue);
    // The colour scheme [DEFAULT] Scheme names, as the scheme writes its name; empty when the
    // key is absent, and after a message naming the valid schemes when there is no such one.
    QString GetDefaultScheme();
    // A [DEFAULT] value as written (trimmed), empty when the key is absent.
    QString GetDefaultText(const QString &key);

    // Layer table preparation: copies every map's shapefile set into folder, adds the field
    // "STAT" to each region table and points the map records at the copies. True when every
    // map was prepared; false when there is no map list or after a reported failure.
    bool CopyFiles(const QString &folder, bool renewal);
    // Rebuilds folder/name.dbf with the extra double field "STAT"; false after a reported
    // failure (the table is then unchanged).
    bool CreateFLD(const QString &folder, const QString &name);
    // Deletes the working copies of all maps and the statistics table; empties MapList.
    void KillFiles();
    // Waits for the projection of the working copies under way, if any, without telling
    // what it found: before the working folder goes.
    void EndProjection() { settleProjection(false); }

    // Resolves a path named inside the map-definition file (see the class comment).
    QString ResolvePath(const QString &path) const;

    // The map's projection when it is not the map definition's [DEFAULT] Projection=: the
    // --projection switch or the option file's. "none" draws the layers as they are.
    QString ProjectionOverride;
    // The projection CopyFiles brings the maps into: ProjectionOverride, else the key; empty
    // for none.
    QString ProjectionSetting();
    // The projection map n (1-based) is drawn in, as shown and as an option file records it;
    // empty when it is drawn in its layers' own coordinates. Known once AddMap has loaded it.
    QString ProjectionName(int mapNumber) const;
    QString ProjectionDefinition(int mapNumber) const;

private:
    CKbUtil &Util();
    QString readIni(const QString &section, const QString &key);
    std::int32_t readColour(const QString &text, const QString &section, const QString &key);
    std::shared_ptr<MapLayer> addLayer(const QString &path, bool joinedTable);
    std::shared_ptr<MapLayer> keptLayer(const QString &path, bool joinedTable);
    std::int16_t readSize(const QString &section);
    void applySecondLayerSymbol(int mapNumber, const std::shared_ptr<MapLayer> &layer);
    void showProgress(int value);
    QString tableField(int mapNumber, const QString &field) const;
    const CMaps *mapNumbered(int mapNumber) const; // none when there is no such map
    bool inspectVectorFiles(CMaps &map);
    bool checkedProjection(QString &projection);
    QString copyLayer(const QString &path, const QString &layerName, const QString &folder,
                      const QString &base, CMaps *renamedFields, bool projected);
    bool projectMap(int mapNumber, const QString &projection,
                    const QList<gis::ProjectedLayer> &layers);
    // Waits for the projection under way, if any, and tells (when report) its warnings and
    // failure; false when the last projection failed (its map's layers are not to be drawn).
    bool settleProjection(bool report);

    std::optional<QList<CMaps>> m_mapList;
    std::unique_ptr<CKbUtil> m_util;
    QString m_savedCaption;
    bool m_keepLayers = false;
    // Layers by the path of their shapefile: those AddMap loaded last, while keeping.
    QHash<QString, std::shared_ptr<MapLayer>> m_keptLayers;
    QHash<QString, std::shared_ptr<MapLayer>> m_loadedLayers;
    QSet<QString> m_toldRenames;
    // The shapefile of the map definition that each working copy was made from.
    QHash<QString, QString> m_sourceOf;
    // The projection CopyFiles started last: a thread loads PROJ's module (some fifty
    // libraries) and reads, moves and writes the layers while the statistics are read and
    // joined; AddMap waits for it.
    struct PendingProjection {
        int mapNumber = 0; // 1-based, in MapList
        const gis::ProjectionModule *module = nullptr;
        gis::ProjectionJob *job = nullptr;
        QString loadError; // why the module could not be loaded
        std::thread worker;
    };
    std::unique_ptr<PendingProjection> m_projection;
    bool m_projectionFailed = false;
};
