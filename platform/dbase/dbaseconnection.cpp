#include "platform/dbase/dbaseconnection.h"

#include "platform/dbase/dbftable.h"
#include "platform/dbase/filelock.h"
#include "platform/dbase/providerfailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// The parts "Key=Value" of a connection text. A value that starts with a double quote runs to
// the closing quote and may hold ";" (a doubled quote inside stands for one quote); quotes
// elsewhere are plain characters.
QStringList connectionParts(const QString &text)
{
    QStringList parts;
    QString part;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == u'"') {
            if (i + 1 < text.size() && text.at(i + 1) == u'"')
                part.append(text.at(++i));
            else
                quoted = false;
        } else if (!quoted && c == u'"' && part.contains(u'=')
                   && part.mid(part.indexOf(u'=') + 1).trimmed().isEmpty()) {
            quoted = true;
        } else if (c == u';' && !quoted) {
            parts.append(part);
            part.clear();
        } else {
            part.append(c);
        }
    }
    parts.append(part);
    return parts;
}

// The value of one key of a connection text "Key=Value;Key=Value;" (keys without regard to case).
QString connectionValue(const QString &text, QLatin1String key)
{
    for (const QString &part : connectionParts(text)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return QString();
}

bool isTableFile(const QFileInfo &info)
{
    return info.suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) == 0
           && !info.fileName().startsWith(QLatin1String(".~"));
}

} // namespace

DbaseConnection::~DbaseConnection()
{
    if (m_inTransaction)
        dropPending();
}

void DbaseConnection::record(const RunTimeError &e)
{
    if (const auto *f = dynamic_cast<const ProviderFailure *>(&e)) {
        m_errors.append(f->toProviderError());
        return;
    }
    provider::ProviderError p;
    p.number = e.number();
    p.description = e.description();
    p.source = e.source().isEmpty() ? providerSource() : e.source();
    p.sqlState = QStringLiteral("HY000");
    m_errors.append(p);
}

void DbaseConnection::setConnectionString(const QString &text)
{
    guarded([&] {
        if (m_open)
            failGeneral(QStringLiteral("The connection text cannot change while the connection is open."));
        m_connectionString = text;
    });
}

void DbaseConnection::open(const QString &, const QString &, int)
{
    guarded([&] {
        if (m_open)
            failGeneral(QStringLiteral("The connection is already open."));
        if (m_mode != provider::ModeRead && m_mode != provider::ModeReadWrite)
            failGeneral(QStringLiteral("Connection mode %1 is not supported (1 read, 3 read/write).")
                            .arg(m_mode));
        const QString folder = connectionValue(m_connectionString, QLatin1String("Data Source"));
        if (folder.isEmpty())
            failGeneral(QStringLiteral("The connection text names no Data Source folder."));
        const QFileInfo info(QString(folder).replace(u'\\', u'/'));
        if (!info.isDir())
            failGeneral(QStringLiteral("'%1' is not a valid path: the folder does not exist.").arg(folder));
        m_folder = info.absoluteFilePath();
        m_open = true;
    });
}

void DbaseConnection::close()
{
    guarded([&] {
        requireOpen();
        if (m_inTransaction)
            dropPending();
        m_inTransaction = false;
        m_tables.clear();
        m_open = false;
    });
}

void DbaseConnection::requireOpen() const
{
    if (!m_open)
        failGeneral(QStringLiteral("Operation is not allowed when the connection is closed."));
}

void DbaseConnection::requireWritable() const
{
    requireOpen();
    if (m_mode != provider::ModeReadWrite)
        failGeneral(QStringLiteral("Cannot update. The connection is opened read-only."));
}

qint64 DbaseConnection::execute(const QString &statement)
{
    return guarded([&]() -> qint64 {
        requireOpen();
        const sql::Statement parsed = sql::parse(statement);
        if (const auto *s = std::get_if<sql::SelectStmt>(&parsed))
            return sql::runSelect(*s, *this)->rowCount();
        requireWritable();
        if (const auto *s = std::get_if<sql::InsertStmt>(&parsed))
            return sql::runInsert(*s, *this);
        return sql::runUpdate(std::get<sql::UpdateStmt>(parsed), *this);
    });
}

void DbaseConnection::beginTrans()
{
    guarded([&] {
        requireOpen();
        if (m_inTransaction)
            failGeneral(QStringLiteral("A transaction is already open on this connection."));
        m_inTransaction = true;
    });
}

void DbaseConnection::commitTrans()
{
    guarded([&] {
        requireOpen();
        if (!m_inTransaction)
            failGeneral(QStringLiteral("No transaction is open on this connection."));
        m_inTransaction = false;
        savePending();
    });
}

void DbaseConnection::rollbackTrans()
{
    guarded([&] {
        requireOpen();
        if (!m_inTransaction)
            failGeneral(QStringLiteral("No transaction is open on this connection."));
        dropPending();
        m_inTransaction = false;
    });
}

void DbaseConnection::dropPending()
{
    for (const auto &t : std::as_const(m_pending))
        m_tables.remove(key(t->name()));
    for (auto it = m_tables.begin(); it != m_tables.end();) {
        it = it->table->isDirty() ? m_tables.erase(it) : std::next(it);
    }
    m_pending.clear();
}

QString DbaseConnection::tablePath(const QString &name) const
{
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\'))
        return QString();
    const QDir dir(m_folder);
    const QString exact = dir.filePath(name + QStringLiteral(".dbf"));
    if (QFileInfo::exists(exact))
        return exact;
    // Tables made on Windows may differ in letter case from the name a statement uses.
    const QFileInfoList files = dir.entryInfoList(QDir::Files);
    for (const QFileInfo &f : files) {
        if (isTableFile(f) && f.completeBaseName().compare(name, Qt::CaseInsensitive) == 0)
            return f.absoluteFilePath();
    }
    return QString();
}

QStringList DbaseConnection::tableNames() const
{
    QStringList names;
    for (const QFileInfo &f : QDir(m_folder).entryInfoList(QDir::Files, QDir::Name)) {
        if (isTableFile(f))
            names.append(f.completeBaseName());
    }
    return names;
}

std::shared_ptr<DbfTable> DbaseConnection::table(const QString &name)
{
    requireOpen();
    auto it = m_tables.find(key(name));
    if (it != m_tables.end()) {
        const QFileInfo info(it->path);
        const bool fresh = info.exists() && info.lastModified() == it->table->fileTime
                           && info.size() == it->table->fileSize;
        if (m_inTransaction || it->table->isDirty() || fresh)
            return it->table;
        m_tables.erase(it);
    }
    const QString path = tablePath(name);
    if (path.isEmpty())
        failNoTable(name);
    auto table = DbfTable::load(path, QFileInfo(path).completeBaseName());
    m_tables.insert(key(name), Entry{table, path});
    return table;
}

void DbaseConnection::changed(const std::shared_ptr<DbfTable> &table)
{
    requireWritable();
    table->setDirty(true);
    if (!m_pending.contains(table))
        m_pending.append(table);
    if (m_inTransaction)
        return;
    savePending();
}

// Writes every changed table; when that fails, every change not yet written is dropped, so the
// tables in memory stay as the files are.
void DbaseConnection::savePending()
{
    const QList<std::shared_ptr<DbfTable>> pending = m_pending;
    m_pending.clear();
    try {
        saveTables(pending);
    } catch (...) {
        m_pending = pending;
        dropPending();
        throw;
    }
}

// Locks every existing table file first, then writes every table to a temporary file and
// replaces the old files only when all were written, so a table that another process holds
// locked, or a failed write, leaves every file as it was.
void DbaseConnection::saveTables(const QList<std::shared_ptr<DbfTable>> &tables)
{
    QStringList paths, temporaries;
    std::vector<TableFileLock> locks;
    std::vector<int> modes;
    locks.reserve(std::size_t(tables.size()));
    for (const auto &t : tables) {
        const auto it = m_tables.constFind(key(t->name()));
        const QString path = it != m_tables.cend() ? it->path : tablePath(t->name());
        paths.append(path.isEmpty() ? QDir(m_folder).filePath(t->name() + QStringLiteral(".dbf"))
                                    : path);
        modes.push_back(-1);
        if (QFileInfo::exists(paths.back())) {
            locks.emplace_back(paths.back(), TableFileLock::Kind::Exclusive, t->name());
            modes.back() = int(locks.back().mode());
        }
    }
    try {
        for (int i = 0; i < tables.size(); ++i)
            temporaries.append(tables[i]->writeTemporary(paths[i], modes[std::size_t(i)]));
    } catch (...) {
        for (const QString &tmp : std::as_const(temporaries))
            DbfTable::discardTemporary(tmp);
        throw;
    }
    for (int i = 0; i < tables.size(); ++i) {
        DbfTable::installTemporary(temporaries[i], paths[i]);
        tables[i]->adoptSaved();
        const QFileInfo info(paths[i]);
        tables[i]->fileTime = info.lastModified();
        tables[i]->fileSize = info.size();
    }
}

void DbaseConnection::createTable(const QString &name, const std::shared_ptr<DbfTable> &table)
{
    requireWritable();
    if (!tablePath(name).isEmpty())
        failGeneral(QStringLiteral("Table '%1' already exists.").arg(name));
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".dbf"));
    m_tables.insert(key(name), Entry{table, path});
    try {
        saveTables({table});
    } catch (...) {
        m_tables.remove(key(name));
        throw;
    }
}

void DbaseConnection::writeNumberTable(const QString &name, const QList<DbfField> &fields,
                                       const QString &codePage, const QStringList &keys,
                                       const std::function<void(qint64, double *)> &numbers,
                                       const std::function<void(qint64)> &written)
{
    requireWritable();
    if (m_inTransaction)
        failGeneral(QStringLiteral("The table '%1' cannot be written in one pass inside a "
                                   "transaction.")
                        .arg(name));
    const QString existing = tablePath(name);
    const QString path = existing.isEmpty()
                             ? QDir(m_folder).filePath(name + QStringLiteral(".dbf"))
                             : existing;
    std::optional<TableFileLock> lock;
    int mode = -1;
    if (!existing.isEmpty()) {
        lock.emplace(path, TableFileLock::Kind::Exclusive, name);
        mode = int(lock->mode());
    }
    const QString temporary =
        DbfTable::writeNumberTemporary(path, name, fields, codePage, keys, numbers, written, mode);
    // The table read before (if any) is stale now; it is read from the new file when used.
    const auto it = m_tables.constFind(key(name));
    if (it != m_tables.cend())
        m_pending.removeAll(it->table);
    m_tables.remove(key(name));
    DbfTable::installTemporary(temporary, path);
}

void DbaseConnection::deleteTable(const QString &name)
{
    requireWritable();
    const QString path = tablePath(name);
    if (path.isEmpty())
        failNoTable(name);
    const TableFileLock lock(path, TableFileLock::Kind::Exclusive, name);
    const auto it = m_tables.constFind(key(name));
    if (it != m_tables.cend())
        m_pending.removeAll(it->table);
    m_tables.remove(key(name));
    if (!QFile::remove(path))
        failGeneral(QStringLiteral("The table file '%1' cannot be deleted.").arg(path));
    const QString base = path.left(path.size() - 4);
    for (const QString &ext : {QStringLiteral(".cpg"), QStringLiteral(".CPG")})
        QFile::remove(base + ext);
}

void DbaseConnection::discardUnsaved(const std::shared_ptr<DbfTable> &table)
{
    if (!table->isDirty() || m_pending.contains(table))
        return;
    m_tables.remove(key(table->name()));
}
