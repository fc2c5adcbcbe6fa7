#include "platform/geodata/topojsoncheck.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace geodata {
namespace {

struct ArcCheck {
    qint64 arcCount = 0;
    QString problem;

    // Arc numbers nest one level deeper for each of LineString, Polygon and MultiPolygon;
    // any depth is walked, every number checked.
    void walk(const QJsonValue &value)
    {
        if (!problem.isEmpty())
            return;
        if (value.isArray()) {
            for (const QJsonValue &item : value.toArray())
                walk(item);
        } else if (value.isDouble()) {
            const double number = value.toDouble();
            const qint64 arc = qint64(number);
            const qint64 index = arc < 0 ? ~arc : arc;
            if (double(arc) != number || index >= arcCount)
                problem = QString::number(number, 'g', 17);
        } else {
            problem = QStringLiteral("a value that is no arc number");
        }
    }

    void geometry(const QJsonObject &g, const QString &where)
    {
        if (!problem.isEmpty())
            return;
        if (g.value(QLatin1String("type")).toString() == QLatin1String("GeometryCollection")) {
            const QJsonArray members = g.value(QLatin1String("geometries")).toArray();
            for (qsizetype i = 0; i < members.size() && problem.isEmpty(); ++i)
                geometry(members[i].toObject(), where + QStringLiteral(", geometry %1").arg(i + 1));
            return;
        }
        if (!g.contains(QLatin1String("arcs")))
            return;
        walk(g.value(QLatin1String("arcs")));
        if (!problem.isEmpty())
            problem = QStringLiteral("%1 names arc %2 (the file has %3 arcs)")
                          .arg(where, problem)
                          .arg(arcCount);
    }
};

} // namespace

bool checkTopoJsonArcs(const QString &path, const QString &objectName, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 can't be read: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1 is no valid TopoJSON: %2 at byte %3")
                     .arg(path, parse.errorString())
                     .arg(parse.offset);
        return false;
    }
    const QJsonObject root = document.object();
    ArcCheck check;
    check.arcCount = root.value(QLatin1String("arcs")).toArray().size();
    const QJsonObject objects = root.value(QLatin1String("objects")).toObject();
    for (auto it = objects.begin(); it != objects.end() && check.problem.isEmpty(); ++it)
        if (objectName.isEmpty() || it.key() == objectName)
            check.geometry(it.value().toObject(), QStringLiteral("object \"%1\"").arg(it.key()));
    if (check.problem.isEmpty())
        return true;
    *error = QStringLiteral("%1 is damaged: %2").arg(path, check.problem);
    return false;
}

} // namespace geodata
