#pragma once

#include "contracts/mapsymbol.h"

#include <QByteArray>
#include <QString>

#include <memory>

class ClassBreaksRenderer;
class LegendWidget;
class MapWidget;
class QTemporaryDir;

// A shown choropleth map for export tests: four squares of 50 map units in a 2 x 2 grid,
// values 10, 20, 30 and 40 (keys "a" .. "d"), a class renderer with the breaks 0 and 25 (green
// up to 25, blue above), on a 200 x 160 map control, and a legend attached to it.
struct ExportFixture {
    static constexpr MapColor Green = 0x00FF00;
    static constexpr MapColor Blue = 0xFF0000;

    explicit ExportFixture(const QString &folder);
    ~ExportFixture();

    std::unique_ptr<MapWidget> map;
    std::unique_ptr<LegendWidget> legend;
    bool ok = false;
};

// The fixture's renderer on the field "STAT": green up to 25, blue above.
std::shared_ptr<ClassBreaksRenderer> GreenBlueRenderer();

// The centre of square n (0 .. 3) in map units.
struct CentrePoint {
    double x;
    double y;
};
CentrePoint SquareCentre(int n);

// Walks the records of a placeable metafile. True when the header is sound and the records
// run exactly to the end record at the end of the file; records receives their count.
bool WalkMetafile(const QByteArray &wmf, int *records = nullptr, QString *why = nullptr);

// Converts a metafile to SVG with wmf2svg (libwmf), its standard fonts pointed at the DejaVu
// fonts. Empty when it worked, else why not; "skip:" starts the reason when the tool or the
// fonts are not installed.
QString ConvertWithWmf2svg(const QString &wmf, const QString &svg);

// Reads a file whole.
QByteArray ReadAll(const QString &path);
