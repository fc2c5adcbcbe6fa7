#pragma once

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
    // (case-sensitive), or empty when the file name holds no ".shp".
    static QString baseName(const QString &path);

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
