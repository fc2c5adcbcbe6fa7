#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <cstdint>

// One map of a map-definition file: its region shapefile, an optional second shapefile drawn
// on top, and the display name.
class CMaps {
public:
    const QString &sMapName() const { return m_mapName; }
    void setsMapName(const QString &name) { m_mapName = name; }

    const QString &sEFileName() const { return m_eFileName; }
    void setsEFileName(const QString &path) { m_eFileName = path; }

    // The shapefile's base name with the first letter upper case and the rest lower case.
    const QString &sTableName() const { return m_tableName; }

    std::int16_t iNum() const { return m_num; }
    void setiNum(std::int16_t number) { m_num = number; }

    const QString &sFileName() const { return m_fileName; }
    // Also sets sTableName.
    void setsFileName(const QString &path);

    // The text between the last folder separator ("/" or "\") and the first ".shp" after it
    // (case-sensitive); for a file read by GDAL (a name without ".shp") the file name without
    // its last extension.
    static QString baseName(const QString &path);
    // Whether the file name holds ".shp" (a shape file, read by our own reader); any other
    // file is a vector file read by GDAL.
    static bool isShapefileName(const QString &path);

    // The layer taken from a vector file that holds several ([FIELDSn] LayerName=) and from
    // the second file ([En] LayerName=); empty: the first layer with polygons (or points).
    QString layerName;
    QString eLayerName;
    // Field names that the working copy of a vector file has instead of names longer than a
    // dBASE table allows (original, shortened).
    QList<QPair<QString, QString>> fieldRenames;
    // The map's projection once the layers are in it: as shown, and as an option file
    // records it. Empty when the map is drawn in the layers' own coordinates.
    QString projectionName;
    QString projectionDefinition;

private:
    QString m_mapName;
    QString m_eFileName;
    QString m_tableName;
    std::int16_t m_num = 0;
    QString m_fileName;
};

// A pair of field names: the name in the statistics table (also the caption under which the
// information tool shows it) and the name in the shapefile's attribute table.
struct CFields {
    QString sShow;
    QString sPhysical;
};
