// The product's look: its colours and the pieces several pictures share
// (the product mark, the key face, the picture symbols of both sets).
#pragma once

#include <string>
#include <vector>

#include "res/artwork/canvas.h"

namespace art {

namespace colour {
inline const Rgba kNavy = Hex(0x0B2447);
inline const Rgba kInk = Hex(0x14305C);
inline const Rgba kBlue = Hex(0x1F6FD1);
inline const Rgba kSky = Hex(0x4DA8F0);
inline const Rgba kTeal = Hex(0x0FA3A3);
inline const Rgba kAqua = Hex(0x6FE3E0);
inline const Rgba kMist = Hex(0xD8F4F6);
inline const Rgba kWhite = Hex(0xFFFFFF);
inline const Rgba kKeyTop = Hex(0xFBFDFF);
inline const Rgba kKeyBottom = Hex(0xDCE7F2);
inline const Rgba kKeyEdge = Hex(0x7F9BB9);
inline const Rgba kSlate = Hex(0x5B7290);
// Accents, used sparingly where a picture must be told apart at a glance.
inline const Rgba kAmber = Hex(0xF5B335);
inline const Rgba kCoral = Hex(0xEE5D52);
inline const Rgba kGreen = Hex(0x2DB57F);
inline const Rgba kViolet = Hex(0x6C63E0);
}  // namespace colour

// Darker (amount > 0) or lighter (amount < 0) shade of a colour.
Rgba Shade(Rgba colour, float amount);

// Fills a shape with a top-to-bottom gradient and a one-pixel edge, the way
// every solid part of the artwork is drawn.
void Plate(Canvas& canvas, const Shape& shape, Rgba top, Rgba bottom, Rgba edge);
// A soft shadow under a shape.
void Shadow(Canvas& canvas, const Shape& shape, float opacity = 0.28f);

// The product mark: a shield, blue into teal, with a white keyhole. `box`
// is its top-left corner; height is 1.15 x width.
void ProductMark(Canvas& canvas, Vec corner, float width);
// A key of the symbol pad: raised light face, rounded, on white.
void KeyFace(Canvas& canvas, float x0, float y0, float x1, float y1);

// Picture symbol n (0..9) of set 1 (nature and home) in a square of
// `size` at `corner`.
void PictureSymbol(Canvas& canvas, int n, Vec corner, float size);
const char* PictureSymbolName(int n);
// Symbol n (0..9) of set 0 (everyday objects), drawn the same way.
void ObjectSymbol(Canvas& canvas, int n, Vec corner, float size);
const char* ObjectSymbolName(int n);

enum class Format { kBitmap24, kBitmap8, kIcon };

struct Picture {
  unsigned id;
  Format format;
  std::string what;
  Canvas canvas;
};

std::vector<Picture> DrawIcons();
std::vector<Picture> DrawKeys();
std::vector<Picture> DrawBanners();
std::vector<Picture> DrawButtons();

}  // namespace art
