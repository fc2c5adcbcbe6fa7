#pragma once

#include <QImage>
#include <QList>

#include <cstdint>
#include <vector>

namespace palettor {

// An image of at most 256 opaque colours: one palette index per pixel, top row first.
struct PaletteImage {
    int width = 0;
    int height = 0;
    QList<QRgb> palette;
    std::vector<std::uint8_t> pixels;
    bool exact = false; // the palette holds the image's own colours, nothing was lost
};

// The bitmap as opaque 32-bit pixels (alpha composed over white), ready for reduction.
QImage opaquePixels(const QImage &image);

// Uses the image's own colours when it has at most 256 of them (maps are flat colours, so
// this is the common case: lossless and fast). Up to 16384 colours (flat colours with
// antialiased edges) libimagequant picks the palette from the colour histogram and every
// colour takes its nearest entry; beyond that the whole image is quantised with dithering.
// speed is libimagequant's: 1 slow and fine .. 10 fast.
PaletteImage reduceToPalette(const QImage &image, int speed = 8);

// The exact path alone: false when the image (Format_RGB32) has more than 256 colours.
bool exactPalette(const QImage &rgb32, PaletteImage &out);

// Quantising every pixel, with dithering; false when libimagequant fails (for example out of memory).
bool quantizedPalette(const QImage &rgb32, int speed, PaletteImage &out);

} // namespace palettor
