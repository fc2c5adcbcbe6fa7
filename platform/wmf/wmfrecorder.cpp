#include "platform/wmf/wmfrecorder.h"

#include "kitbag/kbcodec.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Record functions of the metafile format.
enum : std::uint16_t {
    MetaEof = 0x0000,
    MetaSaveDC = 0x001E,
    MetaSetBkMode = 0x0102,
    MetaSetMapMode = 0x0103,
    MetaSetPolyFillMode = 0x0106,
    MetaRestoreDC = 0x0127,
    MetaSelectObject = 0x012D,
    MetaSetTextAlign = 0x012E,
    MetaDeleteObject = 0x01F0,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020B,
    MetaSetWindowExt = 0x020C,
    MetaCreatePenIndirect = 0x02FA,
    MetaCreateFontIndirect = 0x02FB,
    MetaCreateBrushIndirect = 0x02FC,
    MetaPolygon = 0x0324,
    MetaPolyline = 0x0325,
    MetaIntersectClipRect = 0x0416,
    MetaEllipse = 0x0418,
    MetaRectangle = 0x041B,
    MetaPolyPolygon = 0x0538,
    MetaExtTextOut = 0x0A32,
    MetaStretchDib = 0x0F43,
};

constexpr int MapModeAnisotropic = 8;
constexpr int BackgroundTransparent = 1;
constexpr std::uint32_t RasterCopy = 0x00CC0020;

std::uint32_t colourRef(QRgb colour)
{
    return std::uint32_t(qRed(colour)) | std::uint32_t(qGreen(colour)) << 8 |
           std::uint32_t(qBlue(colour)) << 16;
}

std::int16_t clamp16(int value) { return std::int16_t(std::clamp(value, -32768, 32767)); }

} // namespace

// One record: size in 16-bit words, function, then little-endian parameters.
class WmfRecorder::Record {
public:
    explicit Record(std::uint16_t function) { m_bytes.resize(6); word(function, 4); }

    Record &word(int value) { return word(std::uint16_t(clamp16WordValue(value)), -1); }
    Record &dword(std::uint32_t value)
    {
        word(std::uint16_t(value & 0xffff), -1);
        return word(std::uint16_t(value >> 16), -1);
    }
    Record &bytes(const QByteArray &data)
    {
        m_bytes.append(data);
        if (m_bytes.size() % 2)
            m_bytes.append('\0');
        return *this;
    }
    const QByteArray &finish()
    {
        qToLittleEndian<std::uint32_t>(std::uint32_t(m_bytes.size() / 2), m_bytes.data());
        return m_bytes;
    }

private:
    // Values are either signed coordinates or unsigned counts and flags; both fit 16 bits.
    static int clamp16WordValue(int value) { return std::clamp(value, -32768, 65535); }
    Record &word(std::uint16_t value, qsizetype at)
    {
        char raw[2];
        qToLittleEndian<std::uint16_t>(value, raw);
        if (at < 0)
            m_bytes.append(raw, 2);
        else
            m_bytes.replace(at, 2, QByteArray(raw, 2));
        return *this;
    }
    QByteArray m_bytes;
};

void WmfRecorder::append(const Record &record)
{
    const QByteArray &bytes = const_cast<Record &>(record).finish();
    m_maxRecordWords = std::max(m_maxRecordWords, std::uint32_t(bytes.size() / 2));
    m_records.append(bytes);
}

void WmfRecorder::setWindow(const QRect &window)
{
    append(Record(MetaSetMapMode).word(MapModeAnisotropic));
    append(Record(MetaSetWindowOrg).word(window.top()).word(window.left()));
    append(Record(MetaSetWindowExt).word(window.height()).word(window.width()));
}

void WmfRecorder::setBackgroundTransparent()
{
    append(Record(MetaSetBkMode).word(BackgroundTransparent));
}

void WmfRecorder::setPolyFillMode(int mode) { append(Record(MetaSetPolyFillMode).word(mode)); }
void WmfRecorder::setTextAlign(int align) { append(Record(MetaSetTextAlign).word(align)); }
void WmfRecorder::setTextColor(QRgb colour)
{
    append(Record(MetaSetTextColor).dword(colourRef(colour)));
}

int WmfRecorder::takeSlot()
{
    auto free = std::find(m_slots.begin(), m_slots.end(), false);
    const int slot = int(free - m_slots.begin());
    if (free == m_slots.end())
        m_slots.push_back(true);
    else
        *free = true;
    m_maxObjects = std::max(m_maxObjects, objectsInUse());
    return slot;
}

int WmfRecorder::objectsInUse() const
{
    return int(std::count(m_slots.begin(), m_slots.end(), true));
}

int WmfRecorder::createPen(int style, int width, QRgb colour)
{
    append(Record(MetaCreatePenIndirect).word(style).word(width).word(0).dword(colourRef(colour)));
    return takeSlot();
}

int WmfRecorder::createBrush(int style, QRgb colour, int hatch)
{
    append(Record(MetaCreateBrushIndirect).word(style).dword(colourRef(colour)).word(hatch));
    return takeSlot();
}

int WmfRecorder::createFont(const WmfFont &font)
{
    Record record(MetaCreateFontIndirect);
    record.word(-std::abs(font.height)).word(0).word(font.escapement).word(font.escapement);
    record.word(font.weight);
    QByteArray flags(8, '\0'); // italic, underline, strike-out, charset (ANSI), precisions...
    flags[0] = font.italic ? 1 : 0;
    flags[1] = font.underline ? 1 : 0;
    flags[2] = font.strikeOut ? 1 : 0;
    QByteArray face = toWindows1252(font.faceName).left(31);
    face.append(QByteArray(32 - face.size(), '\0'));
    append(record.bytes(flags + face));
    return takeSlot();
}

void WmfRecorder::selectObject(int slot) { append(Record(MetaSelectObject).word(slot)); }

void WmfRecorder::deleteObject(int slot)
{
    if (slot < 0 || std::size_t(slot) >= m_slots.size() || !m_slots[std::size_t(slot)])
        return;
    append(Record(MetaDeleteObject).word(slot));
    m_slots[std::size_t(slot)] = false;
}

void WmfRecorder::pointRecord(std::uint16_t function, const QList<QPoint> &points)
{
    Record record(function);
    record.word(int(points.size()));
    for (const QPoint &p : points)
        record.word(clamp16(p.x())).word(clamp16(p.y()));
    append(record);
}

void WmfRecorder::polygon(const QList<QPoint> &points) { pointRecord(MetaPolygon, points); }
void WmfRecorder::polyline(const QList<QPoint> &points) { pointRecord(MetaPolyline, points); }

void WmfRecorder::polyPolygon(const QList<QList<QPoint>> &rings)
{
    Record record(MetaPolyPolygon);
    record.word(int(rings.size()));
    for (const QList<QPoint> &ring : rings)
        record.word(int(ring.size()));
    for (const QList<QPoint> &ring : rings)
        for (const QPoint &p : ring)
            record.word(clamp16(p.x())).word(clamp16(p.y()));
    append(record);
}

// Rectangle-shaped records list bottom, right, top, left; right and bottom are exclusive.
void WmfRecorder::rectRecord(std::uint16_t function, const QRect &rect)
{
    append(Record(function)
               .word(clamp16(rect.top() + rect.height()))
               .word(clamp16(rect.left() + rect.width()))
               .word(clamp16(rect.top()))
               .word(clamp16(rect.left())));
}

void WmfRecorder::rectangle(const QRect &rect) { rectRecord(MetaRectangle, rect); }
void WmfRecorder::ellipse(const QRect &rect) { rectRecord(MetaEllipse, rect); }
void WmfRecorder::intersectClipRect(const QRect &rect) { rectRecord(MetaIntersectClipRect, rect); }
void WmfRecorder::saveDC() { append(Record(MetaSaveDC)); }
void WmfRecorder::restoreDC() { append(Record(MetaRestoreDC).word(-1)); }

void WmfRecorder::extTextOut(const QPoint &at, const QByteArray &text, const QList<int> &dx)
{
    Record record(MetaExtTextOut);
    record.word(clamp16(at.y())).word(clamp16(at.x())).word(int(text.size())).word(0);
    record.bytes(text);
    for (qsizetype i = 0; i < text.size() && i < dx.size(); ++i)
        record.word(clamp16(dx[i]));
    append(record);
}

void WmfRecorder::stretchDib(const QRect &dest, const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int stride = (rgb.width() * 3 + 3) & ~3;
    Record record(MetaStretchDib);
    record.dword(RasterCopy).word(0).word(rgb.height()).word(rgb.width()).word(0).word(0);
    record.word(dest.height()).word(dest.width()).word(dest.top()).word(dest.left());
    // BITMAPINFOHEADER of a bottom-up 24-bit bitmap, then the rows in blue, green, red.
    record.dword(40).dword(std::uint32_t(rgb.width())).dword(std::uint32_t(rgb.height()));
    record.word(1).word(24).dword(0).dword(std::uint32_t(stride * rgb.height()));
    record.dword(0).dword(0).dword(0).dword(0);
    QByteArray bits(qsizetype(stride) * rgb.height(), '\0');
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *src = rgb.constScanLine(rgb.height() - 1 - y);
        char *dst = bits.data() + qsizetype(stride) * y;
        for (int x = 0; x < rgb.width(); ++x) {
            dst[3 * x] = char(src[3 * x + 2]);
            dst[3 * x + 1] = char(src[3 * x + 1]);
            dst[3 * x + 2] = char(src[3 * x]);
        }
    }
    append(record.bytes(bits));
}

QByteArray WmfRecorder::finish(const QRect &bounds, int unitsPerInch) const
{
    QByteArray file(22, '\0');
    char *p = file.data();
    qToLittleEndian<std::uint32_t>(0x9AC6CDD7, p);
    qToLittleEndian<std::int16_t>(clamp16(bounds.left()), p + 6);
    qToLittleEndian<std::int16_t>(clamp16(bounds.top()), p + 8);
    qToLittleEndian<std::int16_t>(clamp16(bounds.left() + bounds.width()), p + 10);
    qToLittleEndian<std::int16_t>(clamp16(bounds.top() + bounds.height()), p + 12);
    qToLittleEndian<std::uint16_t>(std::uint16_t(std::clamp(unitsPerInch, 1, 65535)), p + 14);
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= qFromLittleEndian<std::uint16_t>(p + 2 * i);
    qToLittleEndian<std::uint16_t>(checksum, p + 20);

    const std::uint32_t words = 9 + std::uint32_t(m_records.size() / 2) + 3;
    QByteArray header(18, '\0');
    char *h = header.data();
    qToLittleEndian<std::uint16_t>(1, h);          // in memory
    qToLittleEndian<std::uint16_t>(9, h + 2);      // header words
    qToLittleEndian<std::uint16_t>(0x0300, h + 4); // version
    qToLittleEndian<std::uint32_t>(words, h + 6);
    qToLittleEndian<std::uint16_t>(std::uint16_t(m_maxObjects), h + 10);
    qToLittleEndian<std::uint32_t>(m_maxRecordWords, h + 12);
    const QByteArray eof("\x03\0\0\0\0\0", 6);
    return file + header + m_records + eof;
}

QByteArray WmfRecorder::toWindows1252(const QString &text)
{
    return encodeText(text, TextEncoding::Windows1252);
}
