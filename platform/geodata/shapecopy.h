#pragma once

#include "platform/mapcontrol/shapeparts.h"

class OGRGeometry;

namespace geodata {

// Appends a geometry as the next shape of a shape file of the given family (5 polygons,
// 3 lines, 8 point sets): polygons with their outer rings clockwise and their holes
// counter-clockwise, as shape files have them; curves as straight segments. An empty
// geometry, none, or one of another kind becomes a shape without parts (a null record).
void appendShape(const OGRGeometry *geometry, int family, ShapeParts &parts);

} // namespace geodata
