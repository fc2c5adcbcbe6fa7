#include "bandwise/colourschemes.h"

#include <algorithm>
#include <cmath>

namespace {

MapColor systemColour(std::uint32_t rgb) {
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// The published set of n colours (SchemeMinClasses <= n <= maxClasses), in 0xRRGGBB.
QList<std::uint32_t> publishedSet(const ColourScheme &scheme, int n) {
    int offset = 0;
    for (int m = SchemeMinClasses; m < n; ++m)
        offset += m;
    return QList<std::uint32_t>(scheme.colours + offset, scheme.colours + offset + n);
}

std::uint32_t mix(std::uint32_t a, std::uint32_t b, double t) {
    std::uint32_t rgb = 0;
    for (int shift : {16, 8, 0}) {
        const double ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        rgb |= std::uint32_t(std::lround(ca + (cb - ca) * t)) << shift;
    }
    return rgb;
}

// n colours spread along the largest published set: the first and last are its ends.
QList<std::uint32_t> spreadSet(const ColourScheme &scheme, int n) {
    const QList<std::uint32_t> largest = publishedSet(scheme, scheme.maxClasses);
    QList<std::uint32_t> set;
    for (int i = 0; i < n; ++i) {
        const double position = double(i) * (largest.size() - 1) / (n - 1);
        const int below = std::min(int(position), int(largest.size()) - 2);
        set.append(mix(largest.at(below), largest.at(below + 1), position - below));
    }
    return set;
}

QList<std::uint32_t> colourSet(const ColourScheme &scheme, int n) {
    if (n <= 0)
        return {};
    if (n < SchemeMinClasses) {
        const QList<std::uint32_t> three = publishedSet(scheme, SchemeMinClasses);
        return n == 1 ? QList<std::uint32_t>{three.at(1)}
                      : QList<std::uint32_t>{three.front(), three.back()};
    }
    return n <= scheme.maxClasses ? publishedSet(scheme, n) : spreadSet(scheme, n);
}

QList<MapColor> systemColours(const QList<std::uint32_t> &set) {
    QList<MapColor> colours;
    for (std::uint32_t rgb : set)
        colours.append(systemColour(rgb));
    return colours;
}

} // namespace

const ColourScheme *FindColourScheme(const QString &name) {
    for (const ColourScheme &scheme : ColourSchemes())
        if (name.compare(QLatin1String(scheme.name), Qt::CaseInsensitive) == 0)
            return &scheme;
    return nullptr;
}

QStringList ColourSchemeNames() {
    QStringList names;
    for (const ColourScheme &scheme : ColourSchemes())
        names.append(QLatin1String(scheme.name));
    return names;
}

QList<MapColor> SchemeColours(const ColourScheme &scheme, int classes) {
    return systemColours(colourSet(scheme, classes));
}

QList<MapColor> CentredSchemeColours(const ColourScheme &scheme, const QList<double> &breaks,
                                     double minimum, double maximum, double midpoint) {
    const int classes = int(breaks.size()) + 1;
    if (scheme.kind != SchemeKind::Diverging)
        return SchemeColours(scheme, classes);
    // below: classes wholly under the midpoint; middle: whether one class holds it.
    int below = 0;
    bool middle = false;
    if (midpoint <= minimum) {
        below = 0;
    } else if (midpoint >= maximum) {
        below = classes;
    } else {
        while (below < breaks.size() && breaks.at(below) < midpoint)
            ++below;
        middle = below == breaks.size() || breaks.at(below) != midpoint;
        if (!middle)
            ++below; // the midpoint is the top of class below + 1
    }
    const int above = classes - below - (middle ? 1 : 0);
    const int half = std::max(below, above);
    const int size = 2 * half + (middle ? 1 : 0);
    if (size > scheme.maxClasses)
        return SchemeColours(scheme, classes);
    const QList<std::uint32_t> set = colourSet(scheme, size);
    // Class 1 takes the colour as many steps below the middle as there are classes under it.
    const int first = half - below;
    return systemColours(set.mid(first, classes));
}

double DefaultMidpoint(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (*low < 0.0 && *high > 0.0)
        return 0.0;
    const std::size_t n = values.size();
    auto middle = values.begin() + n / 2;
    std::nth_element(values.begin(), middle, values.end());
    if (n % 2 == 1)
        return *middle;
    const double upper = *middle;
    const double lower = *std::max_element(values.begin(), middle);
    return lower + (upper - lower) / 2.0;
}

QList<MapColor> ClassColoursOfScheme(const ColourScheme &scheme, const QList<double> &breaks,
                                     double minimum, double maximum,
                                     std::optional<double> midpoint,
                                     const std::function<std::vector<double>()> &dataValues) {
    if (scheme.kind == SchemeKind::Sequential)
        return SchemeColours(scheme, int(breaks.size()) + 1);
    const double centre = midpoint ? *midpoint : DefaultMidpoint(dataValues());
    return CentredSchemeColours(scheme, breaks, minimum, maximum, centre);
}
