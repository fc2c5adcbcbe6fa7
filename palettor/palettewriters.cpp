#include "palettor/palettewriters.h"

#include <QIODevice>

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>

namespace palettor {

namespace {

void pngWriteData(png_structp png, png_bytep data, size_t length)
{
    auto *device = static_cast<QIODevice *>(png_get_io_ptr(png));
    if (device->write(reinterpret_cast<const char *>(data), qint64(length)) != qint64(length))
        png_error(png, "write failed");
}

void pngFlush(png_structp) {}

// libpng reports through longjmp; we only need the failure, not its text on stderr.
[[noreturn]] void pngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngWarning(png_structp, png_const_charp) {}

// Everything between setjmp and a possible longjmp lives here, with no C++ objects whose
// destructors a longjmp would skip.
bool encodePng(png_structp png, png_infop info, const PaletteImage &image,
               const png_color *palette, int count)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette, count);
    // Filters do not help palette images; without them zlib sees the long runs of a map.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    // Run-length matching only: a third of the time of the default search for a map, at a
    // slightly larger file.
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    const std::uint8_t *row = image.pixels.data();
    for (int y = 0; y < image.height; ++y, row += image.width)
        png_write_row(png, row);
    png_write_end(png, info);
    return true;
}

int gifWriteData(GifFileType *gif, const GifByteType *data, int length)
{
    auto *device = static_cast<QIODevice *>(gif->UserData);
    return int(device->write(reinterpret_cast<const char *>(data), length));
}

int gifColourBits(qsizetype colours)
{
    int bits = 1;
    while ((qsizetype(1) << bits) < colours)
        ++bits;
    return bits;
}

bool encodeGif(GifFileType *gif, const PaletteImage &image, ColorMapObject *map)
{
    if (EGifPutScreenDesc(gif, image.width, image.height, map->BitsPerPixel, 0, map) ==
            GIF_ERROR ||
        EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_ERROR)
        return false;
    // EGifPutLine masks the pixels in place, so it gets a copy of each row.
    std::vector<GifPixelType> line(std::size_t(image.width));
    const std::uint8_t *row = image.pixels.data();
    for (int y = 0; y < image.height; ++y, row += image.width) {
        std::copy(row, row + image.width, line.begin());
        if (EGifPutLine(gif, line.data(), image.width) == GIF_ERROR)
            return false;
    }
    return true;
}

} // namespace

bool writePng(const PaletteImage &image, QIODevice &device)
{
    if (image.width <= 0 || image.height <= 0 || image.palette.isEmpty() ||
        image.palette.size() > 256)
        return false;
    std::vector<png_color> palette;
    for (QRgb colour : image.palette)
        palette.push_back({png_byte(qRed(colour)), png_byte(qGreen(colour)),
                           png_byte(qBlue(colour))});
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &device, pngError, pngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &device, pngWriteData, pngFlush);
    const bool ok = info && encodePng(png, info, image, palette.data(), int(palette.size()));
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok;
}

bool writeGif(const PaletteImage &image, QIODevice &device)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 0xffff ||
        image.height > 0xffff || image.palette.isEmpty() || image.palette.size() > 256)
        return false;
    const int bits = gifColourBits(image.palette.size());
    std::vector<GifColorType> colours(std::size_t(1) << bits, GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < image.palette.size(); ++i)
        colours[std::size_t(i)] = {GifByteType(qRed(image.palette[i])),
                                   GifByteType(qGreen(image.palette[i])),
                                   GifByteType(qBlue(image.palette[i]))};
    ColorMapObject *map = GifMakeMapObject(int(colours.size()), colours.data());
    if (!map)
        return false;
    int error = 0;
    GifFileType *gif = EGifOpen(&device, gifWriteData, &error);
    bool ok = gif && encodeGif(gif, image, map);
    if (gif && EGifCloseFile(gif, &error) == GIF_ERROR)
        ok = false;
    GifFreeMapObject(map);
    return ok;
}

} // namespace palettor
