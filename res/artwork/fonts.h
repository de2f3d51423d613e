// Two small fonts of the generator: a proportional pixel font (cap height
// 7, descenders 2) for crisp small text, and a geometric stroke font
// (capsule strokes, anti-aliased) for larger titles and key digits.
#pragma once

#include <string_view>

#include "res/artwork/canvas.h"

namespace art {

// Draws `text` with its cap top at (x, y); every font pixel becomes a
// `scale` x `scale` block. Returns the width drawn.
int PixelText(Canvas& canvas, int x, int y, std::string_view text, Rgba colour, int scale = 1);
int PixelTextWidth(std::string_view text, int scale = 1);

struct StrokeStyle {
  float capHeight;     // pixels from the baseline to the top of a capital
  float weight;        // stroke width in pixels
  float tracking = 0;  // extra pixels between letters
};

// The outline of `text` with its baseline at `baseline` and left edge at x
// (the stroke's outer edge). Supports 0-9 and the letters the artwork uses.
Shape StrokeText(std::string_view text, Vec origin, const StrokeStyle& style);
float StrokeTextWidth(std::string_view text, const StrokeStyle& style);

}  // namespace art
