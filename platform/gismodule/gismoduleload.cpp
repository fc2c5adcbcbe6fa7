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

// A module's table, loaded once per process (once for each kind of table).
template <typename Table>
const Table *loadedOnce(const char *file, const char *entryName, const char *what, QString *error)
{
    static QString failure;
    static const auto *const loaded =
        static_cast<const Table *>(load(file, entryName, QString::fromLatin1(what), &failure));
    if (!loaded && error)
        *error = failure;
    return loaded;
}

} // namespace

const VectorModule *vectorModule(QString *error)
{
    return loadedOnce<VectorModule>("libchorelgis.so", "ChorelGisModule", "vector file (GDAL)",
                                    error);
}

const ProjectionModule *projectionModule(QString *error)
{
    return loadedOnce<ProjectionModule>("libchorelproj.so", "ChorelProjModule",
                                        "projection (PROJ)", error);
}

} // namespace gis
