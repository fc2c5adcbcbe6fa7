// The shapefile reader: every record parsed into the shape store, then every shape taken out
// of the store again as the painter does.

#include "fuzzinput.h"

#include "platform/mapcontrol/shapestore.h"
#include "platform/mapcontrol/shpfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzzinput::writeFile(QStringLiteral("input.shp"), data, size);
    ShpFile file;
    ShapeStore store;
    QString error;
    if (!file.read(path, store, &error))
        return 0;
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
