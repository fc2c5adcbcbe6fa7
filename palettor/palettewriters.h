#pragma once

#include "palettor/paletteimage.h"

class QIODevice;

namespace palettor {

// PNG with an 8-bit palette, not interlaced. False when encoding or writing fails.
bool writePng(const PaletteImage &image, QIODevice &device);

// GIF with a colour map padded to a power of two (2..256 entries). False on failure.
bool writeGif(const PaletteImage &image, QIODevice &device);

} // namespace palettor
