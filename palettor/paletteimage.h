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
// this is the common case: lossless and fast); otherwise reduces the colours with
// libimagequant at the given speed (1 slow and fine .. 10 fast).
PaletteImage reduceToPalette(const QImage &image, int speed = 8);

// The exact path alone: false when the image (Format_RGB32) has more than 256 colours.
bool exactPalette(const QImage &rgb32, PaletteImage &out);

// The quantising path alone; false when libimagequant fails (for example out of memory).
bool quantizedPalette(const QImage &rgb32, int speed, PaletteImage &out);

} // namespace palettor
