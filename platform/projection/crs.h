#pragma once

#include <QString>

#include <memory>

// A coordinate reference system as PROJ understands it: an authority code ("EPSG:8857",
// "ESRI:54009"), a PROJ string or WKT (the text of a .prj file). The PROJ objects stay inside
// this room; the rest of the program sees texts and numbers.
class Crs {
public:
    Crs();
    ~Crs();
    Crs(Crs &&) noexcept;
    Crs &operator=(Crs &&) noexcept;

    // The system a text describes; an invalid Crs, with *error saying what PROJ said, when
    // the text is no coordinate reference system.
    static Crs fromText(const QString &text, QString *error = nullptr);
    // WGS 84 longitude/latitude.
    static Crs wgs84();

    bool isValid() const;
    // Longitude/latitude (a geographic system), as opposed to a projected one.
    bool isGeographic() const;
    // The name PROJ gives it ("WGS 84 / Equal Earth Greenwich"), with its code when it has
    // one ("EPSG:8857").
    QString displayName() const;
    // The longitude (degrees) at the middle of the map: the projection's central meridian, 0
    // for systems without one. Rings are cut at the meridian opposite it.
    double centralMeridian() const;
    // The system on one line, as an option file records it: its code when it has one, else
    // the text it was made from, else WKT.
    QString definition() const;
    // WKT of the system on one line, for a .prj file.
    QString wkt() const;
    // The text the system was made from.
    const QString &text() const { return m_text; }

    struct Private;
    Private *d() const { return m_d.get(); }

private:
    std::unique_ptr<Private> m_d;
    QString m_text;
};

// Moves longitude/latitude or projected coordinates from one system into another, in bulk.
class CrsTransform {
public:
    CrsTransform();
    ~CrsTransform();
    CrsTransform(CrsTransform &&) noexcept;
    CrsTransform &operator=(CrsTransform &&) noexcept;

    // None (invalid), with *error, when PROJ finds no way between the two.
    static CrsTransform between(const Crs &source, const Crs &target, QString *error);
    bool isValid() const;
    // Transforms count points in place: x (longitude) and y (latitude) with the given strides
    // in bytes. Points that can't be transformed become infinite.
    void apply(double *x, double *y, std::size_t stride, std::size_t count) const;
    // Large batches are moved on as many threads as the machine has processors (at most 8);
    // tests set another number (0: the processors again).
    static void setThreadsForBatches(unsigned threads);

private:
    struct Private;
    std::unique_ptr<Private> m_d;
};

// Whether two systems describe the same coordinates (a layer already in the map's
// projection is left as it is).
bool sameCrs(const Crs &a, const Crs &b);
