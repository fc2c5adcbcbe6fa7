// The shapefile reader: every record parsed into the shape store, then every shape taken out
// of the store again as the painter does, and the spatial grid of the map control built over
// the shapes and asked for them.

#include "fuzzinput.h"

#include <algorithm>

#include "platform/mapcontrol/shapestore.h"
#include "platform/mapcontrol/shpfile.h"
#include "platform/mapcontrol/spatialgrid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("input.shp"), data, size);
    ShpFile file;
    ShapeStore store;
    QString error;
    if (!file.read(path, store, &error))
        return 0;
    MapRectangle extent;
    for (int i = 0; i < store.shapeCount(); ++i) {
        const MapRectangle &b = store.bounds(i);
        extent = i == 0 ? b
                        : MapRectangle(std::min(extent.Left, b.Left), std::max(extent.Right, b.Right),
                                       std::min(extent.Bottom, b.Bottom), std::max(extent.Top, b.Top));
    }
    SpatialGrid grid;
    grid.build(store.allBounds(), extent);
    for (int i = 0; i < store.shapeCount() && i < 64; ++i)
        (void)grid.query(store.bounds(i));
    for (int i = 0; i < store.shapeCount(); ++i) {
        const MapShape shape = store.shape(i, PolygonShape);
        (void)shape;
        for (int part = store.partBegin(i); part < store.partEnd(i); ++part) {
            for (const QPointF *p = store.pointsBegin(part); p != store.pointsEnd(part); ++p)
                (void)p->x();
        }
    }
    return 0;
}
