#include "platform/projection/lonlatcoverage.h"

#include <algorithm>
#include <cmath>

void LonLatCoverage::add(const QPointF *points, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const double lon = points[i].x(), lat = points[i].y();
        if (!std::isfinite(lon) || !std::isfinite(lat))
            continue;
        // Nearly every longitude is within -180 .. 180 already.
        const double turned =
            lon >= -180.0 && lon < 180.0 ? lon : lon - 360.0 * std::floor((lon + 180.0) / 360.0);
        m_bins[std::size_t(std::clamp(int((turned + 180.0) * 10.0), 0, kBins - 1))] = true;
        if (m_empty) {
            m_south = m_north = lat;
            m_empty = false;
        }
        m_south = std::min(m_south, lat);
        m_north = std::max(m_north, lat);
    }
}

void LonLatCoverage::add(const LonLatCoverage &other)
{
    if (other.m_empty)
        return;
    m_bins |= other.m_bins;
    m_south = m_empty ? other.m_south : std::min(m_south, other.m_south);
    m_north = m_empty ? other.m_north : std::max(m_north, other.m_north);
    m_empty = false;
}

// The longest run of empty bins on the circle: its first bin and its length.
void LonLatCoverage::largestGap(int &start, int &length) const
{
    start = 0;
    length = 0;
    int first = 0;
    while (first < kBins && !m_bins[std::size_t(first)])
        ++first;
    if (first == kBins) {
        length = kBins;
        return;
    }
    // Walk once round the circle from an occupied bin.
    int run = 0;
    for (int step = 1; step <= kBins; ++step) {
        const int bin = (first + step) % kBins;
        if (!m_bins[std::size_t(bin)]) {
            ++run;
            continue;
        }
        if (run > length) {
            length = run;
            start = (bin - run + kBins) % kBins;
        }
        run = 0;
    }
}

double LonLatCoverage::arcWidth() const
{
    int start = 0, length = 0;
    largestGap(start, length);
    return (kBins - length) / 10.0;
}

double LonLatCoverage::arcCentre() const
{
    int start = 0, length = 0;
    largestGap(start, length);
    if (length == 0 || length == kBins)
        return 0.0;
    // The arc runs from the end of the gap to its start, round the circle.
    const double arcBegin = (start + length) / 10.0 - 180.0;
    const double width = (kBins - length) / 10.0;
    double centre = arcBegin + width / 2.0;
    if (centre >= 180.0)
        centre -= 360.0;
    return centre;
}

QString LonLatCoverage::suitedProjection() const
{
    if (m_empty || arcWidth() > 180.0 || latitudeSpan() > 90.0)
        return QStringLiteral("EPSG:8857");
    auto degrees = [](double v) { return QString::number(std::round(v * 100.0) / 100.0, 'f', 2); };
    return QStringLiteral("+proj=laea +lat_0=%1 +lon_0=%2 +x_0=0 +y_0=0 +datum=WGS84 +units=m "
                          "+no_defs +type=crs")
        .arg(degrees(latitudeCentre()), degrees(arcCentre()));
}
