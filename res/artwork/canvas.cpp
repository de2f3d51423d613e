#include "res/artwork/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

float Length(Vec v) {
  return std::sqrt(v.x * v.x + v.y * v.y);
}

float Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}

float SegmentDistance(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const float lengthSquared = Dot(ab, ab);
  const float t = lengthSquared > 0 ? std::clamp(Dot(p - a, ab) / lengthSquared, 0.0f, 1.0f) : 0;
  return Length(p - (a + ab * t));
}

Bounds Enclosing(const std::vector<Vec>& points, float margin) {
  Bounds box{1e9f, 1e9f, -1e9f, -1e9f};
  for (const Vec& p : points) {
    box.x0 = std::min(box.x0, p.x - margin);
    box.y0 = std::min(box.y0, p.y - margin);
    box.x1 = std::max(box.x1, p.x + margin);
    box.y1 = std::max(box.y1, p.y + margin);
  }
  return box;
}

Bounds Join(Bounds a, Bounds b) {
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

Rgba Hex(std::uint32_t rgb, float alpha) {
  return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
          alpha};
}

Rgba Mix(Rgba from, Rgba to, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
          from.a + (to.a - from.a) * t};
}

Rgba WithAlpha(Rgba colour, float alpha) {
  colour.a = alpha;
  return colour;
}

Shape Circle(Vec centre, float radius) {
  return {[=](Vec p) { return Length(p - centre) - radius; },
          {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}};
}

Shape Ellipse(Vec centre, float rx, float ry) {
  // Distance in the circle the ellipse is stretched from, scaled back by
  // the smaller radius: close enough at the edge, where it matters.
  return {[=](Vec p) {
            const Vec q{(p.x - centre.x) / rx, (p.y - centre.y) / ry};
            return (Length(q) - 1.0f) * std::min(rx, ry);
          },
          {centre.x - rx, centre.y - ry, centre.x + rx, centre.y + ry}};
}

Shape Rect(float x0, float y0, float x1, float y1) {
  return RoundRect(x0, y0, x1, y1, 0);
}

Shape RoundRect(float x0, float y0, float x1, float y1, float radius) {
  const Vec centre{(x0 + x1) / 2, (y0 + y1) / 2};
  const Vec half{(x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius};
  return {[=](Vec p) {
            const Vec d{std::abs(p.x - centre.x) - half.x, std::abs(p.y - centre.y) - half.y};
            const Vec outside{std::max(d.x, 0.0f), std::max(d.y, 0.0f)};
            return Length(outside) + std::min(std::max(d.x, d.y), 0.0f) - radius;
          },
          {x0, y0, x1, y1}};
}

Shape Stroke(std::vector<Vec> points, float width) {
  const float half = width / 2;
  const Bounds box = Enclosing(points, half);
  return {[points = std::move(points), half](Vec p) {
            float best = 1e9f;
            if (points.size() == 1) return Length(p - points[0]) - half;
            for (std::size_t i = 1; i < points.size(); ++i) {
              best = std::min(best, SegmentDistance(p, points[i - 1], points[i]));
            }
            return best - half;
          },
          box};
}

Shape Polygon(std::vector<Vec> points) {
  const Bounds box = Enclosing(points, 0);
  return {
      [points = std::move(points)](Vec p) {
        float best = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const Vec a = points[j], b = points[i];
          best = std::min(best, SegmentDistance(p, a, b));
          if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
          }
        }
        return inside ? -best : best;
      },
      box};
}

Shape Union(Shape a, Shape b) {
  const Bounds box = Join(a.bounds, b.bounds);
  return {[a = std::move(a.distance), b = std::move(b.distance)](Vec p) {
            return std::min(a(p), b(p));
          },
          box};
}

Shape Intersect(Shape a, Shape b) {
  const Bounds box{std::max(a.bounds.x0, b.bounds.x0), std::max(a.bounds.y0, b.bounds.y0),
                   std::min(a.bounds.x1, b.bounds.x1), std::min(a.bounds.y1, b.bounds.y1)};
  return {[a = std::move(a.distance), b = std::move(b.distance)](Vec p) {
            return std::max(a(p), b(p));
          },
          box};
}

Shape Subtract(Shape a, Shape b) {
  const Bounds box = a.bounds;
  return {[a = std::move(a.distance), b = std::move(b.distance)](Vec p) {
            return std::max(a(p), -b(p));
          },
          box};
}

Shape Outline(Shape shape, float width) {
  const float half = width / 2;
  const Bounds box{shape.bounds.x0 - half, shape.bounds.y0 - half, shape.bounds.x1 + half,
                   shape.bounds.y1 + half};
  return {[d = std::move(shape.distance), half](Vec p) { return std::abs(d(p)) - half; }, box};
}

Shape Grow(Shape shape, float amount) {
  const Bounds box{shape.bounds.x0 - amount, shape.bounds.y0 - amount, shape.bounds.x1 + amount,
                   shape.bounds.y1 + amount};
  return {[d = std::move(shape.distance), amount](Vec p) { return d(p) - amount; }, box};
}

Shape Move(Shape shape, Vec by) {
  const Bounds box{shape.bounds.x0 + by.x, shape.bounds.y0 + by.y, shape.bounds.x1 + by.x,
                   shape.bounds.y1 + by.y};
  return {[d = std::move(shape.distance), by](Vec p) { return d(p - by); }, box};
}

std::vector<Vec> Arc(Vec centre, float rx, float ry, float fromDegrees, float toDegrees,
                     int segments) {
  std::vector<Vec> points;
  for (int i = 0; i <= segments; ++i) {
    const float degrees = fromDegrees + (toDegrees - fromDegrees) * static_cast<float>(i) /
                                            static_cast<float>(segments);
    const float radians = degrees * std::numbers::pi_v<float> / 180.0f;
    points.push_back({centre.x + rx * std::cos(radians), centre.y + ry * std::sin(radians)});
  }
  return points;
}

std::vector<Vec> Bezier(Vec p0, Vec p1, Vec p2, Vec p3, int segments) {
  std::vector<Vec> points;
  for (int i = 0; i <= segments; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(segments);
    const float u = 1 - t;
    points.push_back(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) +
                     p3 * (t * t * t));
  }
  return points;
}

void Append(std::vector<Vec>& path, const std::vector<Vec>& more) {
  path.insert(path.end(), more.begin(), more.end());
}

std::vector<Vec> Joined(std::vector<Vec> path, const std::vector<Vec>& more) {
  Append(path, more);
  return path;
}

Paint Solid(Rgba colour) {
  return [colour](Vec) { return colour; };
}

Paint Linear(Vec from, Rgba fromColour, Vec to, Rgba toColour) {
  const Vec axis = to - from;
  const float lengthSquared = Dot(axis, axis);
  return [=](Vec p) { return Mix(fromColour, toColour, Dot(p - from, axis) / lengthSquared); };
}

Paint Radial(Vec centre, float radius, Rgba inner, Rgba outer) {
  return [=](Vec p) { return Mix(inner, outer, Length(p - centre) / radius); };
}

Canvas::Canvas(int width, int height, Rgba background)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height)) {
  const Rgba premultiplied{background.r * background.a, background.g * background.a,
                           background.b * background.a, background.a};
  std::fill(pixels_.begin(), pixels_.end(), premultiplied);
}

void Canvas::Fill(const Shape& shape, const Paint& paint, float opacity, float softness) {
  const int x0 = std::max(0, static_cast<int>(std::floor(shape.bounds.x0 - softness)));
  const int y0 = std::max(0, static_cast<int>(std::floor(shape.bounds.y0 - softness)));
  const int x1 = std::min(width_, static_cast<int>(std::ceil(shape.bounds.x1 + softness)) + 1);
  const int y1 = std::min(height_, static_cast<int>(std::ceil(shape.bounds.y1 + softness)) + 1);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const Vec centre{x + 0.5f, y + 0.5f};
      const float coverage = std::clamp(0.5f - shape.distance(centre) / softness, 0.0f, 1.0f);
      if (coverage <= 0) continue;
      Rgba colour = paint(centre);
      colour.a *= coverage * opacity;
      Blend(x, y, colour);
    }
  }
}

void Canvas::Blend(int x, int y, Rgba colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  Rgba& dst = pixels_[static_cast<std::size_t>(y * width_ + x)];
  const float a = std::clamp(colour.a, 0.0f, 1.0f);
  dst.r = colour.r * a + dst.r * (1 - a);
  dst.g = colour.g * a + dst.g * (1 - a);
  dst.b = colour.b * a + dst.b * (1 - a);
  dst.a = a + dst.a * (1 - a);
}

void Canvas::Draw(const Canvas& source, int dx, int dy) {
  for (int y = 0; y < source.height_; ++y) {
    for (int x = 0; x < source.width_; ++x) Blend(x + dx, y + dy, source.At(x, y));
  }
}

Rgba Canvas::At(int x, int y) const {
  const Rgba& p = pixels_[static_cast<std::size_t>(y * width_ + x)];
  if (p.a <= 0) return {};
  return {p.r / p.a, p.g / p.a, p.b / p.a, p.a};
}

std::uint32_t Canvas::Argb(int x, int y) const {
  const Rgba c = At(x, y);
  return static_cast<std::uint32_t>(ToByte(c.a)) << 24 |
         static_cast<std::uint32_t>(ToByte(c.r)) << 16 |
         static_cast<std::uint32_t>(ToByte(c.g)) << 8 | ToByte(c.b);
}

}  // namespace art
