// PNG files for looking at the artwork: RGBA, 8 bits a channel, stored
// (uncompressed) deflate blocks, so no compression library is needed.
#pragma once

#include <filesystem>

#include "res/artwork/canvas.h"

namespace art {

// Each source pixel becomes a `scale` x `scale` block. Throws on I/O errors.
void WritePng(const Canvas& canvas, const std::filesystem::path& file, int scale = 1);

}  // namespace art
