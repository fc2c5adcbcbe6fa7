#include "app/mapdefs/mapunits.h"

#include "kitbag/kbpath.h"

#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace {

// A .prj is a line of text; anything much larger is not one.
constexpr qint64 kLargestPrj = 64 * 1024;

} // namespace

double MetresPerMapUnit(const QString &shapefile)
{
    QString base = shapefile;
    if (base.endsWith(QStringLiteral(".shp"), Qt::CaseInsensitive))
        base.chop(4);
    QFile file(kbpath::findNoCase(base + QStringLiteral(".prj")));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestPrj)
        return 0.0;
    const QString wkt = QString::fromUtf8(file.read(kLargestPrj)).trimmed();
    if (!wkt.startsWith(QStringLiteral("PROJCS["), Qt::CaseInsensitive)
        && !wkt.startsWith(QStringLiteral("PROJCRS["), Qt::CaseInsensitive))
        return 0.0;
    // The projected system's own unit comes after its geographic system's: the last one.
    static const QRegularExpression unit(
        QStringLiteral("(?<![A-Z_])(?:LENGTH)?UNIT\\[\\s*\"[^\"]*\"\\s*,\\s*([0-9.eE+-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    double metres = 0.0;
    for (auto it = unit.globalMatch(wkt); it.hasNext();) {
        bool ok = false;
        const double value = it.next().captured(1).toDouble(&ok);
        if (ok)
            metres = value;
    }
    return std::isfinite(metres) && metres > 0.0 ? metres : 0.0;
}
