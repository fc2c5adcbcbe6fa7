#include "palettor/paletteimage.h"

#include <QPainter>

#include <libimagequant.h>

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

// Open-addressing colour table for the exact path: 1024 slots keep probes short for 256
// colours. Neighbouring pixels of a map are mostly equal, so most pixels never reach it.
class ColourTable {
public:
    ColourTable() { m_slots.fill(-1); }

    // The colour's palette index, adding it when new; -1 once a 257th colour turns up.
    int indexOf(quint32 colour, QList<QRgb> &palette)
    {
        quint32 slot = (colour * 2654435761u) >> (32 - Bits);
        while (m_slots[slot] >= 0) {
            if (m_keys[slot] == colour)
                return m_slots[slot];
            slot = (slot + 1) & (Size - 1);
        }
        if (palette.size() == 256)
            return -1;
        m_keys[slot] = colour;
        m_slots[slot] = static_cast<std::int16_t>(palette.size());
        palette.append(colour | 0xff000000u);
        return m_slots[slot];
    }

private:
    static constexpr int Bits = 10;
    static constexpr quint32 Size = 1u << Bits;
    std::array<quint32, Size> m_keys{};
    std::array<std::int16_t, Size> m_slots{};
};

struct LiqDeleter {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_image *p) const { liq_image_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
};
template <typename T> using LiqPtr = std::unique_ptr<T, LiqDeleter>;

} // namespace

bool exactPalette(const QImage &rgb32, PaletteImage &out)
{
    Q_ASSERT(rgb32.format() == QImage::Format_RGB32);
    out = PaletteImage{rgb32.width(), rgb32.height(), {}, {}, true};
    out.pixels.resize(std::size_t(out.width) * std::size_t(out.height));
    ColourTable table;
    quint32 last = 0;
    int lastIndex = -1;
    std::uint8_t *dst = out.pixels.data();
    for (int y = 0; y < out.height; ++y) {
        const auto *row = reinterpret_cast<const quint32 *>(rgb32.constScanLine(y));
        for (int x = 0; x < out.width; ++x) {
            const quint32 colour = row[x] & 0x00ffffffu;
            if (colour != last || lastIndex < 0) {
                lastIndex = table.indexOf(colour, out.palette);
                if (lastIndex < 0)
                    return false;
                last = colour;
            }
            *dst++ = static_cast<std::uint8_t>(lastIndex);
        }
    }
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
    if (exactPalette(rgb32, out) || quantizedPalette(rgb32, speed, out))
        return out;
    return {};
}

} // namespace palettor
