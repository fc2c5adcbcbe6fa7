#include "palettor/paletteimage.h"

#include <QPainter>

#include <libimagequant.h>

#include <algorithm>
#include <array>
#include <memory>

namespace palettor {

QImage opaquePixels(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

namespace {

// The distinct colours of an image with their pixel counts, in order of appearance, up to
// MaxColours. Open addressing in a table of twice that size keeps probes short; neighbouring
// pixels of a map are mostly equal, so most pixels never reach the table at all.
class ColourHistogram {
public:
    static constexpr int MaxColours = 16384;

    ColourHistogram() { m_entries.fill(-1); }

    // False when the image has more than MaxColours colours.
    bool add(const QImage &rgb32)
    {
        quint32 last = 0;
        int entry = -1;
        quint32 run = 0; // pixels of the current colour not yet counted
        for (int y = 0; y < rgb32.height(); ++y) {
            const auto *row = reinterpret_cast<const quint32 *>(rgb32.constScanLine(y));
            for (int x = 0; x < rgb32.width(); ++x) {
                const quint32 colour = row[x] & 0x00ffffffu;
                if (colour != last || entry < 0) {
                    if (entry >= 0)
                        counts[std::size_t(entry)] += run;
                    entry = findOrAdd(colour);
                    if (entry < 0)
                        return false;
                    last = colour;
                    run = 0;
                }
                ++run;
            }
        }
        if (entry >= 0)
            counts[std::size_t(entry)] += run;
        return true;
    }

    // The entry of a colour that add() has seen.
    int entryOf(quint32 colour) const { return m_entries[slotOf(colour)]; }

    std::vector<quint32> colours;
    std::vector<quint32> counts;

private:
    static constexpr int Bits = 15;
    static constexpr quint32 Size = 1u << Bits;

    quint32 slotOf(quint32 colour) const
    {
        quint32 slot = (colour * 2654435761u) >> (32 - Bits);
        while (m_entries[slot] >= 0 && m_keys[slot] != colour)
            slot = (slot + 1) & (Size - 1);
        return slot;
    }

    int findOrAdd(quint32 colour)
    {
        const quint32 slot = slotOf(colour);
        if (m_entries[slot] >= 0)
            return m_entries[slot];
        if (colours.size() == MaxColours)
            return -1;
        m_keys[slot] = colour;
        m_entries[slot] = int(colours.size());
        colours.push_back(colour);
        counts.push_back(0);
        return m_entries[slot];
    }

    std::array<quint32, Size> m_keys{};
    std::array<int, Size> m_entries{};
};

// Writes each pixel's palette index, given the palette index of every histogram entry.
void mapPixels(const QImage &rgb32, const ColourHistogram &histogram,
               const std::vector<std::uint8_t> &paletteIndex, PaletteImage &out)
{
    out.width = rgb32.width();
    out.height = rgb32.height();
    out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
    std::uint8_t *dst = out.pixels.data();
    quint32 last = 0;
    int index = -1;
    for (int y = 0; y < out.height; ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(rgb32.constScanLine(y));
        for (int x = 0; x < out.width; ++x) {
            const quint32 colour = row[x] & 0x00ffffffu;
            if (colour != last || index < 0) {
                index = paletteIndex[std::size_t(histogram.entryOf(colour))];
                last = colour;
            }
            *dst++ = std::uint8_t(index);
        }
    }
}

// Nearest palette entry by weighted RGB distance. The palette is held as separate channel
// arrays so the compiler can run the search over many entries at once: thousands of edge
// colours are looked up against 256 entries.
class NearestColour {
public:
    explicit NearestColour(const QList<QRgb> &palette) : m_count(int(palette.size()))
    {
        for (int i = 0; i < m_count; ++i) {
            m_red[std::size_t(i)] = qRed(palette[i]);
            m_green[std::size_t(i)] = qGreen(palette[i]);
            m_blue[std::size_t(i)] = qBlue(palette[i]);
        }
    }

    int operator()(quint32 colour) const
    {
        const int r = qRed(colour), g = qGreen(colour), b = qBlue(colour);
        std::array<int, 256> distance;
        for (int i = 0; i < m_count; ++i) {
            const int dr = r - m_red[std::size_t(i)], dg = g - m_green[std::size_t(i)],
                      db = b - m_blue[std::size_t(i)];
            distance[std::size_t(i)] = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        }
        return int(std::min_element(distance.begin(), distance.begin() + m_count) -
                   distance.begin());
    }

private:
    int m_count;
    std::array<int, 256> m_red{}, m_green{}, m_blue{};
};

struct LiqDeleter {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_image *p) const { liq_image_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
    void operator()(liq_histogram *p) const { liq_histogram_destroy(p); }
};
template <typename T> using LiqPtr = std::unique_ptr<T, LiqDeleter>;

} // namespace

namespace {

PaletteImage exactFromHistogram(const QImage &rgb32, const ColourHistogram &histogram)
{
    PaletteImage out;
    out.exact = true;
    std::vector<std::uint8_t> paletteIndex(histogram.colours.size());
    for (std::size_t i = 0; i < histogram.colours.size(); ++i) {
        out.palette.append(histogram.colours[i] | 0xff000000u);
        paletteIndex[i] = std::uint8_t(i);
    }
    mapPixels(rgb32, histogram, paletteIndex, out);
    return out;
}

// A few hundred to a few thousand colours: a map's flat colours plus the blends of its
// antialiased edges. libimagequant chooses the palette from the weighted histogram, which
// is far cheaper than from every pixel, and each colour takes its nearest palette entry
// (no dithering: flat areas stay flat).
bool paletteFromHistogram(const QImage &rgb32, const ColourHistogram &histogram, int speed,
                          PaletteImage &out)
{
    LiqPtr<liq_attr> attr(liq_attr_create());
    LiqPtr<liq_histogram> liqHistogram(attr ? liq_histogram_create(attr.get()) : nullptr);
    if (!liqHistogram || liq_set_speed(attr.get(), speed) != LIQ_OK)
        return false;
    std::vector<liq_histogram_entry> entries(histogram.colours.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const QRgb c = histogram.colours[i];
        entries[i] = {{uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c)), 255},
                      histogram.counts[i]};
    }
    liq_result *raw = nullptr;
    if (liq_histogram_add_colors(liqHistogram.get(), attr.get(), entries.data(),
                                 int(entries.size()), 0) != LIQ_OK ||
        liq_histogram_quantize(liqHistogram.get(), attr.get(), &raw) != LIQ_OK)
        return false;
    LiqPtr<liq_result> result(raw);
    out = PaletteImage{};
    const liq_palette *palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.append(qRgb(palette->entries[i].r, palette->entries[i].g,
                                palette->entries[i].b));
    if (out.palette.isEmpty())
        return false;
    const NearestColour nearest(out.palette);
    std::vector<std::uint8_t> paletteIndex(histogram.colours.size());
    for (std::size_t i = 0; i < paletteIndex.size(); ++i)
        paletteIndex[i] = std::uint8_t(nearest(histogram.colours[i]));
    mapPixels(rgb32, histogram, paletteIndex, out);
    return true;
}

} // namespace

bool exactPalette(const QImage &rgb32, PaletteImage &out)
{
    Q_ASSERT(rgb32.format() == QImage::Format_RGB32);
    auto histogram = std::make_unique<ColourHistogram>();
    if (!histogram->add(rgb32) || histogram->colours.size() > 256)
        return false;
    out = exactFromHistogram(rgb32, *histogram);
    return true;
}

bool quantizedPalette(const QImage &rgb32, int speed, PaletteImage &out)
{
    // libimagequant wants R, G, B, A bytes in memory order.
    const QImage rgba = rgb32.convertToFormat(QImage::Format_RGBX8888);
    LiqPtr<liq_attr> attr(liq_attr_create());
    if (!attr || liq_set_speed(attr.get(), speed) != LIQ_OK ||
        liq_set_max_colors(attr.get(), 256) != LIQ_OK)
        return false;
    // The rows are only read; the C interface just lacks the const.
    std::vector<void *> rows(std::size_t(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        rows[std::size_t(y)] = const_cast<uchar *>(rgba.constScanLine(y));
    LiqPtr<liq_image> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), rgba.width(), rgba.height(), 0));
    liq_result *raw = nullptr;
    if (!image || liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK)
        return false;
    LiqPtr<liq_result> result(raw);
    out = PaletteImage{rgba.width(), rgba.height(), {}, {}, false};
    out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
    if (liq_write_remapped_image(result.get(), image.get(), out.pixels.data(),
                                 out.pixels.size()) != LIQ_OK)
        return false;
    const liq_palette *palette = liq_get_palette(result.get());
    for (unsigned i = 0; i < palette->count; ++i)
        out.palette.append(qRgb(palette->entries[i].r, palette->entries[i].g,
                                palette->entries[i].b));
    return !out.palette.isEmpty();
}

PaletteImage reduceToPalette(const QImage &image, int speed)
{
    const QImage rgb32 = opaquePixels(image);
    PaletteImage out;
    auto histogram = std::make_unique<ColourHistogram>();
    if (histogram->add(rgb32)) {
        if (histogram->colours.size() <= 256)
            return exactFromHistogram(rgb32, *histogram);
        if (paletteFromHistogram(rgb32, *histogram, speed, out))
            return out;
    }
    // Tens of thousands of colours: a photograph rather than a map; dithering pays off.
    if (quantizedPalette(rgb32, speed, out))
        return out;
    return {};
}

} // namespace palettor
