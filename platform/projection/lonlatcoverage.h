#pragma once

#include <QPointF>
#include <QString>

#include <bitset>

// Where longitude/latitude layers lie, for choosing a projection that suits them: the
// longitudes on the circle in tenths of a degree, and the range of latitudes.
class LonLatCoverage {
public:
    void add(const QPointF *points, std::size_t count);
    void add(const LonLatCoverage &other);
    bool isEmpty() const { return m_empty; }

    // The occupied arc of longitudes: what the largest gap between them leaves. Its width
    // in degrees and its middle (within -180 .. 180).
    double arcWidth() const;
    double arcCentre() const;
    double latitudeSpan() const { return m_empty ? 0.0 : m_north - m_south; }
    double latitudeCentre() const { return m_empty ? 0.0 : (m_north + m_south) / 2.0; }

    // "EPSG:8857" (Equal Earth) when the layers span more than about a hemisphere, else a
    // Lambert azimuthal equal-area projection centred on them.
    QString suitedProjection() const;

private:
    static constexpr int kBins = 3600;
    void largestGap(int &start, int &length) const;

    std::bitset<kBins> m_bins;
    double m_south = 0.0;
    double m_north = 0.0;
    bool m_empty = true;
};
