// The generator's small raster library: shapes are signed distance
// functions (negative inside, in pixels), filled with one pixel of
// anti-aliasing at their edge, by a paint that may vary across the image.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

struct Vec {
  float x = 0, y = 0;
};
inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(Vec a, float s) {
  return {a.x * s, a.y * s};
}

// Straight (not premultiplied) colour, each channel 0..1.
struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};
Rgba Hex(std::uint32_t rgb, float alpha = 1.0f);
Rgba Mix(Rgba from, Rgba to, float t);
Rgba WithAlpha(Rgba colour, float alpha);

struct Bounds {
  float x0, y0, x1, y1;
};

struct Shape {
  std::function<float(Vec)> distance;
  Bounds bounds;
};

Shape Circle(Vec centre, float radius);
Shape Ellipse(Vec centre, float rx, float ry);
Shape Rect(float x0, float y0, float x1, float y1);
Shape RoundRect(float x0, float y0, float x1, float y1, float radius);
// A line of `width` with round ends, through all points.
Shape Stroke(std::vector<Vec> points, float width);
Shape Polygon(std::vector<Vec> points);
Shape Union(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);
// The band of `width` centred on the shape's edge.
Shape Outline(Shape shape, float width);
// Grown by `amount` (shrunk when negative).
Shape Grow(Shape shape, float amount);
Shape Move(Shape shape, Vec by);

// Points along an elliptic arc; angles in degrees, 0 = right, 90 = down.
std::vector<Vec> Arc(Vec centre, float rx, float ry, float fromDegrees, float toDegrees,
                     int segments = 24);
// Points along a cubic Bezier curve.
std::vector<Vec> Bezier(Vec p0, Vec p1, Vec p2, Vec p3, int segments = 24);
void Append(std::vector<Vec>& path, const std::vector<Vec>& more);
std::vector<Vec> Joined(std::vector<Vec> path, const std::vector<Vec>& more);

using Paint = std::function<Rgba(Vec)>;
Paint Solid(Rgba colour);
Paint Linear(Vec from, Rgba fromColour, Vec to, Rgba toColour);
Paint Radial(Vec centre, float radius, Rgba inner, Rgba outer);

class Canvas {
 public:
  Canvas(int width, int height, Rgba background = {});

  int width() const { return width_; }
  int height() const { return height_; }

  // `softness` widens the anti-aliased edge (1 = one pixel) for shadows
  // and glows.
  void Fill(const Shape& shape, const Paint& paint, float opacity = 1.0f, float softness = 1.0f);
  void Fill(const Shape& shape, Rgba colour) { Fill(shape, Solid(colour)); }
  // Sets single pixels, for the pixel font.
  void Blend(int x, int y, Rgba colour);
  void Draw(const Canvas& source, int dx, int dy);

  Rgba At(int x, int y) const;  // straight colour
  // 0xAARRGGBB, rounded.
  std::uint32_t Argb(int x, int y) const;

 private:
  int width_, height_;
  std::vector<Rgba> pixels_;  // premultiplied
};

}  // namespace art
