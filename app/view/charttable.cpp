#include "app/view/charttable.h"

#include "platform/dbase/dbaseprovider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString Source = QStringLiteral("Chorel");

// Copies the table's files (the .dbf and its .cpg, which says how its texts are encoded)
// into folder, replacing older copies.
void copyTable(const QString &fromFolder, const QString &table, const QString &folder) {
    for (const QString &extension : {QStringLiteral(".dbf"), QStringLiteral(".cpg")}) {
        const QString from = QDir(fromFolder).filePath(table + extension);
        const QString to = QDir(folder).filePath(table + extension);
        if (!QFileInfo::exists(from)) {
            if (extension == QStringLiteral(".cpg"))
                continue;
            throw RunTimeError(53, QStringLiteral("File not found: ") + from, Source);
        }
        if (QFileInfo::exists(to) && !QFile::remove(to))
            throw RunTimeError(75, QStringLiteral("Path/File access error: ") + to, Source);
        QFile file(from);
        if (!file.copy(to))
            throw RunTimeError(75,
                               QStringLiteral("Path/File access error: ") + file.errorString(),
                               Source);
    }
}

} // namespace

QString ChartConnectionText(const QString &folder) {
    QString value = folder;
    if (value.contains(u';') || value.contains(u'"'))
        value = u'"' + value.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") +
           value + QStringLiteral(";Extended Properties=dBASE 5.0;");
}

std::optional<double> Median(const QList<double> &ascending) {
    const qsizetype n = ascending.size();
    if (n == 0)
        return std::nullopt;
    if (n % 2 == 1)
        return ascending.at(n / 2);
    return (ascending.at(n / 2 - 1) + ascending.at(n / 2)) / 2.0;
}

ChartTable::ChartTable(CChart request, QString workFolder, std::int32_t nullValue)
    : m_request(std::move(request)), m_folder(QDir(workFolder).filePath(QStringLiteral("Chart"))),
      m_nullValue(nullValue) {}

ChartTable::~ChartTable() { Close(); }

void ChartTable::Open() {
    if (!QDir().mkpath(m_folder))
        throw RunTimeError(75, QStringLiteral("Path/File access error: ") + m_folder, Source);
    copyTable(m_request.DBDir, m_request.Table, m_folder);
    m_connection = createDbaseConnection();
    m_connection->setConnectionString(ChartConnectionText(m_folder));
    m_connection->setMode(provider::ModeRead);
    m_connection->open();
}

QStringList ChartTable::MissingFields() const {
    auto records = createDbaseRecordset();
    records->open(QStringLiteral("SELECT * FROM ") + m_request.Table + QStringLiteral(" WHERE 0"),
                  m_connection.get());
    QStringList missing;
    for (const QString &field : {m_request.StatField, m_request.RegionField})
        if (records->fieldIndex(field) < 0)
            missing.append(field);
    records->close();
    return missing;
}

QString ChartTable::condition() const {
    return QStringLiteral(" WHERE ") + m_request.StatField + QStringLiteral(" > ") +
           QString::number(m_nullValue);
}

QList<double> ChartTable::Values() const {
    auto records = createDbaseRecordset();
    records->setCursorType(provider::CursorKeyset);
    records->setLockType(provider::LockOptimistic);
    records->open(QStringLiteral("SELECT ") + m_request.RegionField + u',' +
                      m_request.StatField + QStringLiteral(" FROM ") + m_request.Table +
                      condition() + QStringLiteral(" ORDER BY ") + m_request.StatField,
                  m_connection.get());
    QList<double> values;
    values.reserve(records->recordCount());
    for (; !records->eof(); records->moveNext())
        values.append(records->value(1).toDouble());
    records->close();
    return values;
}

std::optional<double> ChartTable::aggregate(const QString &function) const {
    auto records = createDbaseRecordset();
    records->open(QStringLiteral("SELECT ") + function + u'(' + m_request.StatField +
                      QStringLiteral(") FROM ") + m_request.Table + condition(),
                  m_connection.get());
    std::optional<double> result;
    if (!records->eof()) {
        const QVariant value = records->value(0);
        if (!value.isNull())
            result = value.toDouble();
    }
    records->close();
    return result;
}

ChartFigures ChartTable::Figures(const QList<double> &ascending) const {
    ChartFigures figures;
    figures.count = qint64(aggregate(QStringLiteral("COUNT")).value_or(0));
    figures.mean = aggregate(QStringLiteral("AVG"));
    figures.maximum = aggregate(QStringLiteral("MAX"));
    figures.minimum = aggregate(QStringLiteral("MIN"));
    figures.sum = aggregate(QStringLiteral("SUM"));
    figures.stdDev = aggregate(QStringLiteral("STDEV"));
    figures.median = Median(ascending);
    return figures;
}

void ChartTable::Close() {
    if (m_connection) {
        if (m_connection->state() == provider::StateOpen)
            m_connection->close();
        m_connection.reset();
    }
    QDir folder(m_folder);
    if (folder.exists())
        folder.removeRecursively();
}
