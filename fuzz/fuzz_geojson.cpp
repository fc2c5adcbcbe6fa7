// The GDAL-read path of vector files, with GeoJSON inputs: the file inspected and its layer
// written as a shape file into the working folder as the program does, then that copy read
// back by our own shape file reader as the map control reads it.

#include "fuzzinput.h"

#include "platform/geodata/vectorfile.h"
#include "platform/mapcontrol/shapestore.h"
#include "platform/mapcontrol/shpfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("input.geojson"), data, size);
    geodata::VectorLayerInfo info;
    QString error;
    if (!geodata::inspect(path, QString(), &info, &error))
        return 0;
    const QString copy = fuzzinput::folder() + QStringLiteral("/copy.shp");
    if (!geodata::convertToShapefile(path, info.layerName, copy, &info, &error))
        return 0;
    ShpFile file;
    ShapeStore store;
    if (file.read(copy, store, &error))
        for (int i = 0; i < store.shapeCount(); ++i)
            (void)store.shape(i, PolygonShape);
    return 0;
}
