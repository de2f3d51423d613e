// Reduction of an opaque image to 8 bits per pixel: a palette of at most
// 256 colours chosen by median cut, each pixel mapped to the nearest one.
#pragma once

#include <cstdint>
#include <vector>

#include "res/artwork/canvas.h"

namespace art {

struct IndexedImage {
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, always 256 entries
  std::vector<std::uint8_t> indices;   // one per pixel, rows top down
};

IndexedImage Quantize(const Canvas& canvas);

// The image as the palette shows it, for previews.
Canvas Expand(const IndexedImage& image, int width, int height);

}  // namespace art
