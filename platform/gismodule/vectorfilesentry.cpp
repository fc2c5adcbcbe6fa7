// The entry of the vector file module (libchorelgis.so): GDAL's reader behind a table of
// functions.
#include "platform/gismodule/gismodule.h"

namespace {

const gis::VectorModule theModule = {
    &geodata::inspect,
    &geodata::convertToShapefile,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const gis::VectorModule *ChorelGisModule()
{
    return &theModule;
}
