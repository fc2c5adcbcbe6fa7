#include "app/output/mapfigures.h"

#include "contracts/maplayer.h"
#include "platform/legend/legendsettings.h"

#include <QVariant>

#include <algorithm>
#include <cmath>

namespace {

// How many regions the description names at either end.
constexpr int kNamedAtEnds = 3;

QString regionName(const RegionFigure &r) {
    return r.name.isEmpty() ? r.code : r.name;
}

// "1 region", "3,231 regions": counts grouped as the legend groups its numbers.
QString regionCount(int n) {
    return n == 1 ? QStringLiteral("1 region")
                  : formatLegendNumber(n, QStringLiteral("##,##0")) + QStringLiteral(" regions");
}

} // namespace

QList<RegionFigure> ReadRegionFigures(const MapLayer &layer, const QString &keyField,
                                      const QString &nameField, const QString &valueField,
                                      double nullValue) {
    QList<RegionFigure> regions;
    regions.reserve(layer.RecordCount());
    for (int r = 0; r < layer.RecordCount(); ++r) {
        RegionFigure f;
        f.code = layer.FieldValue(r, keyField).toString().trimmed();
        f.name =
            nameField.isEmpty() ? QString() : layer.FieldValue(r, nameField).toString().trimmed();
        const QVariant cell = layer.FieldValue(r, valueField);
        bool number = false;
        const double v = cell.toDouble(&number);
        if (cell.isValid() && number && std::isfinite(v) && v != nullValue)
            f.value = v;
        regions << f;
    }
    return regions;
}

QString DescribeMap(const MapFigures &figures) {
    QString subject = figures.statistic.trimmed();
    const QString title = figures.title.trimmed();
    if (subject.isEmpty())
        subject = title;
    else if (!title.isEmpty() && title != subject)
        subject += QStringLiteral(" (") + title + u')';
    QList<const RegionFigure *> withData;
    for (const RegionFigure &r : figures.regions)
        if (r.value)
            withData << &r;
    const int count = int(figures.regions.size());
    QString text = subject.isEmpty() ? QString() : subject + QStringLiteral(": ");
    text += regionCount(count);
    if (withData.isEmpty())
        return text + QStringLiteral(", none with data.");
    // Highest first; equal figures by name, so that the text is the same on every run.
    std::stable_sort(withData.begin(), withData.end(),
                     [](const RegionFigure *a, const RegionFigure *b) {
                         if (*a->value != *b->value)
                             return *a->value > *b->value;
                         return regionName(*a).localeAwareCompare(regionName(*b)) < 0;
                     });
    const auto number = [&](const RegionFigure *r) {
        return formatLegendNumber(*r->value, figures.numberFormat);
    };
    const auto named = [&](const RegionFigure *r) { return regionName(*r) + u' ' + number(r); };
    const RegionFigure *top = withData.first(), *bottom = withData.last();
    text += QStringLiteral(", from %1 (%2) to %3 (%4)")
                .arg(number(bottom), regionName(*bottom), number(top), regionName(*top));
    const int n = int(withData.size());
    if (n > 2) {
        QStringList highest, lowest;
        for (int i = 0; i < std::min(kNamedAtEnds, n); ++i) {
            highest << named(withData[i]);
            lowest << named(withData[n - 1 - i]);
        }
        text += QStringLiteral("; highest: ") + highest.join(QStringLiteral(", ")) +
                QStringLiteral("; lowest: ") + lowest.join(QStringLiteral(", "));
    }
    const int missing = count - n;
    if (missing > 0)
        text += QStringLiteral("; %1: %2").arg(figures.noDataText.toLower(), regionCount(missing));
    return text + u'.';
}
