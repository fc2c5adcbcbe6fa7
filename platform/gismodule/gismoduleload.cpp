#include "platform/gismodule/gismodule.h"

#include <dlfcn.h>

namespace gis {

// Found through the run path of the program library that calls this: beside it in a build
// tree, in the program's private library folder when installed. Loaded once per process.
const Module *module(QString *error)
{
    static QString failure;
    static const Module *const loaded = []() -> const Module * {
        void *library = dlopen("libchorelgis.so", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            failure = QStringLiteral("The GIS module (GDAL and PROJ) could not be loaded: %1")
                          .arg(QString::fromLocal8Bit(dlerror()));
            return nullptr;
        }
        using Entry = const Module *(*)();
        const auto entry = reinterpret_cast<Entry>(dlsym(library, "ChorelGisModule"));
        if (!entry) {
            failure = QStringLiteral("The GIS module libchorelgis.so has no entry.");
            return nullptr;
        }
        return entry();
    }();
    if (!loaded && error)
        *error = failure;
    return loaded;
}

} // namespace gis
