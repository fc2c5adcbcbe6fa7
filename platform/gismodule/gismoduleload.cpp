#include "platform/gismodule/gismodule.h"

#include <dlfcn.h>

namespace gis {
namespace {

// A module found through the run path of the program library that calls this: beside it in a
// build tree, in the program's private library folder when installed; its table, or nullptr
// with *failure saying why.
const void *load(const char *file, const char *entryName, const QString &what, QString *failure)
{
    void *library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        *failure = QStringLiteral("The %1 module could not be loaded: %2")
                       .arg(what, QString::fromLocal8Bit(dlerror()));
        return nullptr;
    }
    using Entry = const void *(*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(library, entryName));
    if (!entry) {
        *failure = QStringLiteral("The %1 module %2 has no entry.").arg(what, QLatin1String(file));
        return nullptr;
    }
    return entry();
}

} // namespace

// Each loaded once per process.
const VectorModule *vectorModule(QString *error)
{
    static QString failure;
    static const auto *const loaded = static_cast<const VectorModule *>(
        load("libchorelgis.so", "ChorelGisModule", QStringLiteral("vector file (GDAL)"), &failure));
    if (!loaded && error)
        *error = failure;
    return loaded;
}

const ProjectionModule *projectionModule(QString *error)
{
    static QString failure;
    static const auto *const loaded = static_cast<const ProjectionModule *>(
        load("libchorelproj.so", "ChorelProjModule", QStringLiteral("projection (PROJ)"), &failure));
    if (!loaded && error)
        *error = failure;
    return loaded;
}

} // namespace gis
