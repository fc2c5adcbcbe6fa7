#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

// The logical font of a metafile: sizes in logical units, weight 100..900.
struct WmfFont {
    int height = 12; // character height; written negative (without internal leading)
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString faceName;

    bool operator==(const WmfFont &) const = default;
};

// Builds the records of a placeable Windows metafile in 16-bit logical coordinates and
// keeps the object table: every create takes the lowest free slot, every delete frees it,
// and the header tells readers the most slots ever in use.
class WmfRecorder {
public:
    // Pen styles, brush styles, fill modes and text alignment of the metafile.
    enum : int { PenSolid = 0, PenDash = 1, PenDot = 2, PenDashDot = 3, PenDashDotDot = 4,
                 PenNull = 5 };
    enum : int { BrushSolid = 0, BrushNull = 1, BrushHatched = 2 };
    enum : int { FillAlternate = 1, FillWinding = 2 };
    enum : int { AlignBaselineLeft = 24 };

    void setWindow(const QRect &window); // anisotropic mapping, window origin and extent
    void setBackgroundTransparent();
    void setPolyFillMode(int mode);
    void setTextAlign(int align);
    void setTextColor(QRgb colour);

    int createPen(int style, int width, QRgb colour);
    int createBrush(int style, QRgb colour, int hatch = 0);
    int createFont(const WmfFont &font);
    void selectObject(int slot);
    void deleteObject(int slot);

    void polygon(const QList<QPoint> &points);
    void polyline(const QList<QPoint> &points);
    void polyPolygon(const QList<QList<QPoint>> &rings);
    void rectangle(const QRect &rect);
    void ellipse(const QRect &rect);
    // Text at a point in the font's charset (Windows-1252); dx are the advances in units.
    void extTextOut(const QPoint &at, const QByteArray &text, const QList<int> &dx);
    // A bitmap stretched into dest, as a 24-bit device-independent bitmap.
    void stretchDib(const QRect &dest, const QImage &image);

    void saveDC();
    void restoreDC();
    void intersectClipRect(const QRect &rect);

    int objectsInUse() const;
    // The complete file: placeable header (bounds, units per inch), header, records, end.
    QByteArray finish(const QRect &bounds, int unitsPerInch) const;

    static QByteArray toWindows1252(const QString &text);

private:
    class Record;
    void append(const Record &record);
    int takeSlot();
    void pointRecord(std::uint16_t function, const QList<QPoint> &points);
    void rectRecord(std::uint16_t function, const QRect &rect);

    QByteArray m_records;
    std::vector<bool> m_slots;
    std::uint32_t m_maxRecordWords = 3; // the end record
    int m_maxObjects = 0;
};
