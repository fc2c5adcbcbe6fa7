#include "platform/dbase/memoryhooks.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct MemoryFile {
    QString path;
    QByteArray data;
    qint64 position = 0;
    bool dirty = false;
};

MemoryFile *memoryFile(SAFile file)
{
    return reinterpret_cast<MemoryFile *>(file);
}

SAFile memoryOpen(const char *filename, const char *access)
{
    auto file = std::make_unique<MemoryFile>();
    file->path = QFile::decodeName(filename);
    if (access[0] == 'w') {
        file->dirty = true; // created (or truncated) on close
    } else {
        QFile source(file->path);
        if (!source.open(QIODevice::ReadOnly))
            return nullptr;
        file->data = source.readAll();
        if (source.error() != QFileDevice::NoError)
            return nullptr;
    }
    return reinterpret_cast<SAFile>(file.release());
}

SAOffset memoryRead(void *p, SAOffset size, SAOffset count, SAFile handle)
{
    MemoryFile *f = memoryFile(handle);
    if (size == 0)
        return 0;
    const qint64 available = std::max<qint64>(0, f->data.size() - f->position);
    const SAOffset whole = std::min<SAOffset>(count, SAOffset(available) / size);
    std::memcpy(p, f->data.constData() + f->position, whole * size);
    f->position += qint64(whole * size);
    return whole;
}

SAOffset memoryWrite(void *p, SAOffset size, SAOffset count, SAFile handle)
{
    MemoryFile *f = memoryFile(handle);
    const qint64 bytes = qint64(size * count);
    if (f->position + bytes > f->data.size())
        f->data.resize(f->position + bytes);
    std::memcpy(f->data.data() + f->position, p, bytes);
    f->position += bytes;
    f->dirty = true;
    return count;
}

SAOffset memorySeek(SAFile handle, SAOffset offset, int whence)
{
    MemoryFile *f = memoryFile(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR)
        base = f->position;
    else if (whence == SEEK_END)
        base = f->data.size();
    f->position = base + qint64(offset);
    return 0;
}

SAOffset memoryTell(SAFile handle)
{
    return SAOffset(memoryFile(handle)->position);
}

int memoryFlush(SAFile)
{
    return 0;
}

int memoryClose(SAFile handle)
{
    std::unique_ptr<MemoryFile> f(memoryFile(handle));
    if (!f->dirty)
        return 0;
    QFile target(f->path);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || target.write(f->data) != f->data.size() || !target.flush())
        return EOF;
    return 0;
}

int memoryRemove(const char *filename)
{
    return QFile::remove(QFile::decodeName(filename)) ? 0 : -1;
}

} // namespace

SAHooks memoryHooks(void (*errorHandler)(const char *message))
{
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = &memoryOpen;
    hooks.FRead = &memoryRead;
    hooks.FWrite = &memoryWrite;
    hooks.FSeek = &memorySeek;
    hooks.FTell = &memoryTell;
    hooks.FFlush = &memoryFlush;
    hooks.FClose = &memoryClose;
    hooks.Remove = &memoryRemove;
    hooks.Error = errorHandler;
    return hooks;
}
