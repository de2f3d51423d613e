#include "res/artwork/style.h"

#include <cmath>
#include <numbers>

namespace art {

Rgba Shade(Rgba c, float amount) {
  return amount >= 0 ? Mix(c, Hex(0x000000, c.a), amount) : Mix(c, Hex(0xFFFFFF, c.a), -amount);
}

void Plate(Canvas& canvas, const Shape& shape, Rgba top, Rgba bottom, Rgba edge) {
  canvas.Fill(shape, Linear({0, shape.bounds.y0}, top, {0, shape.bounds.y1}, bottom));
  canvas.Fill(Intersect(Outline(shape, 2.0f), Grow(shape, 0.0f)), edge);
}

void Shadow(Canvas& canvas, const Shape& shape, float opacity) {
  canvas.Fill(Move(shape, {0.6f, 1.2f}), Solid(Hex(0x0B1A33)), opacity, 2.2f);
}

namespace {

std::vector<Vec> ShieldOutline(Vec o, float w) {
  const float h = w * 1.15f;
  auto at = [&](float u, float v) { return Vec{o.x + u * w, o.y + v * h}; };
  std::vector<Vec> points;
  Append(points, Bezier(at(0.5f, 0.0f), at(0.68f, 0.1f), at(0.86f, 0.12f), at(1.0f, 0.12f), 8));
  Append(points, Bezier(at(1.0f, 0.12f), at(1.0f, 0.62f), at(0.86f, 0.84f), at(0.5f, 1.0f), 14));
  Append(points, Bezier(at(0.5f, 1.0f), at(0.14f, 0.84f), at(0.0f, 0.62f), at(0.0f, 0.12f), 14));
  Append(points, Bezier(at(0.0f, 0.12f), at(0.14f, 0.12f), at(0.32f, 0.1f), at(0.5f, 0.0f), 8));
  return points;
}

}  // namespace

void ProductMark(Canvas& canvas, Vec o, float w) {
  const float h = w * 1.15f;
  const Shape shield = Polygon(ShieldOutline(o, w));
  Shadow(canvas, shield, 0.35f);
  canvas.Fill(shield, Linear(o, colour::kSky, {o.x + w * 0.7f, o.y + h}, colour::kTeal));
  // The left half catches the light.
  canvas.Fill(Intersect(shield, Rect(o.x, o.y, o.x + w / 2, o.y + h)), Solid(colour::kWhite),
              0.14f);
  canvas.Fill(Intersect(Outline(shield, 2.0f), Grow(shield, 0.0f)), Shade(colour::kBlue, 0.35f));
  const Vec c{o.x + w / 2, o.y + h * 0.42f};
  const Shape keyhole = Union(Circle(c, w * 0.13f), Polygon({{c.x - w * 0.06f, c.y},
                                                             {c.x + w * 0.06f, c.y},
                                                             {c.x + w * 0.11f, c.y + h * 0.3f},
                                                             {c.x - w * 0.11f, c.y + h * 0.3f}}));
  canvas.Fill(keyhole, colour::kWhite);
}

void KeyFace(Canvas& canvas, float x0, float y0, float x1, float y1) {
  const Shape face = RoundRect(x0 + 0.5f, y0 + 0.5f, x1 - 0.5f, y1 - 1.0f, 5.0f);
  canvas.Fill(Move(face, {0, 1.0f}), Hex(0xB4C3D4));  // the key's lower edge
  Plate(canvas, face, colour::kKeyTop, colour::kKeyBottom, colour::kKeyEdge);
  canvas.Fill(Stroke({{x0 + 5, y0 + 2.5f}, {x1 - 5, y0 + 2.5f}}, 1.0f), colour::kWhite);
}

const char* PictureSymbolName(int n) {
  static const char* const kNames[] = {"sun",  "moon", "star",     "heart",  "house",
                                       "tree", "fish", "umbrella", "flower", "note"};
  return kNames[n];
}

void PictureSymbol(Canvas& canvas, int n, Vec o, float s) {
  using namespace colour;
  auto at = [&](float u, float v) { return Vec{o.x + u * s, o.y + v * s}; };
  auto len = [&](float u) { return u * s; };
  const Rgba outline = Shade(kNavy, 0.0f);
  switch (n) {
    case 0: {  // sun
      for (int i = 0; i < 8; ++i) {
        const float a = static_cast<float>(i) * std::numbers::pi_v<float> / 4;
        const Vec dir{std::cos(a), std::sin(a)};
        canvas.Fill(Stroke({at(0.5f + dir.x * 0.34f, 0.5f + dir.y * 0.34f),
                            at(0.5f + dir.x * 0.46f, 0.5f + dir.y * 0.46f)},
                           len(0.09f)),
                    Shade(kAmber, 0.12f));
      }
      const Shape disc = Circle(at(0.5f, 0.5f), len(0.25f));
      Plate(canvas, disc, Hex(0xFFD66B), kAmber, Shade(kAmber, 0.35f));
      break;
    }
    case 1: {  // moon
      const Shape moon =
          Subtract(Circle(at(0.48f, 0.5f), len(0.38f)), Circle(at(0.68f, 0.38f), len(0.32f)));
      Plate(canvas, moon, Hex(0x8FA6FF), kViolet, Shade(kViolet, 0.4f));
      canvas.Fill(Circle(at(0.78f, 0.72f), len(0.05f)), Shade(kViolet, -0.3f));
      break;
    }
    case 2: {  // star
      std::vector<Vec> points;
      for (int i = 0; i < 10; ++i) {
        const float a =
            -std::numbers::pi_v<float> / 2 + static_cast<float>(i) * std::numbers::pi_v<float> / 5;
        const float r = (i % 2 == 0) ? 0.47f : 0.2f;
        points.push_back(at(0.5f + r * std::cos(a), 0.53f + r * std::sin(a)));
      }
      Plate(canvas, Grow(Polygon(points), -0.3f), Hex(0xFFD66B), Shade(kAmber, 0.05f),
            Shade(kAmber, 0.4f));
      break;
    }
    case 3: {  // heart
      std::vector<Vec> points;
      Append(points, Bezier(at(0.5f, 0.9f), at(0.3f, 0.72f), at(0.04f, 0.55f), at(0.06f, 0.33f)));
      Append(points, Bezier(at(0.06f, 0.33f), at(0.08f, 0.1f), at(0.42f, 0.06f), at(0.5f, 0.3f)));
      Append(points, Bezier(at(0.5f, 0.3f), at(0.58f, 0.06f), at(0.92f, 0.1f), at(0.94f, 0.33f)));
      Append(points, Bezier(at(0.94f, 0.33f), at(0.96f, 0.55f), at(0.7f, 0.72f), at(0.5f, 0.9f)));
      Plate(canvas, Polygon(points), Hex(0xFF8A7A), kCoral, Shade(kCoral, 0.35f));
      canvas.Fill(Circle(at(0.28f, 0.3f), len(0.07f)), WithAlpha(kWhite, 0.7f));
      break;
    }
    case 4: {  // house
      const Shape walls =
          Rect(at(0.2f, 0.45f).x, at(0.2f, 0.45f).y, at(0.8f, 0.9f).x, at(0.8f, 0.9f).y);
      Plate(canvas, walls, kWhite, kMist, kSlate);
      const Shape roof = Polygon({at(0.5f, 0.08f), at(0.95f, 0.5f), at(0.05f, 0.5f)});
      Plate(canvas, roof, kSky, kBlue, Shade(kBlue, 0.4f));
      canvas.Fill(RoundRect(at(0.42f, 0.62f).x, at(0.42f, 0.62f).y, at(0.58f, 0.9f).x,
                            at(0.58f, 0.9f).y, len(0.03f)),
                  kTeal);
      break;
    }
    case 5: {  // tree
      canvas.Fill(
          Rect(at(0.44f, 0.6f).x, at(0.44f, 0.6f).y, at(0.56f, 0.94f).x, at(0.56f, 0.94f).y),
          Hex(0x9A6B4A));
      const Shape crown =
          Union(Union(Circle(at(0.5f, 0.32f), len(0.25f)), Circle(at(0.3f, 0.52f), len(0.2f))),
                Circle(at(0.7f, 0.52f), len(0.2f)));
      Plate(canvas, crown, Hex(0x6BDDA6), kGreen, Shade(kGreen, 0.4f));
      break;
    }
    case 6: {  // fish
      const Shape body = Ellipse(at(0.42f, 0.5f), len(0.38f), len(0.28f));
      const Shape tail = Polygon({at(0.7f, 0.5f), at(1.0f, 0.2f), at(1.0f, 0.8f)});
      const Shape fin = Polygon({at(0.3f, 0.26f), at(0.46f, 0.1f), at(0.6f, 0.27f)});
      Plate(canvas, Union(Union(body, tail), fin), kAqua, kTeal, Shade(kTeal, 0.4f));
      canvas.Fill(Circle(at(0.22f, 0.44f), len(0.06f)), kNavy);
      canvas.Fill(Stroke(Arc(at(0.36f, 0.5f), len(0.12f), len(0.17f), -60, 60, 10), len(0.05f)),
                  Shade(kTeal, 0.3f));
      break;
    }
    case 7: {  // umbrella
      canvas.Fill(Stroke(Joined({at(0.5f, 0.5f), at(0.5f, 0.8f)},
                                Arc(at(0.6f, 0.8f), len(0.1f), len(0.1f), 180, 0, 10)),
                         len(0.07f)),
                  outline);
      std::vector<Vec> canopy = Arc(at(0.5f, 0.55f), len(0.44f), len(0.42f), 180, 360, 24);
      for (int i = 3; i >= 0; --i) {
        Append(canopy, Arc(at(0.17f + 0.22f * static_cast<float>(i), 0.55f), len(0.11f), len(0.06f),
                           0, -180, 8));
      }
      Plate(canvas, Polygon(canopy), Hex(0x9B93FF), kViolet, Shade(kViolet, 0.4f));
      break;
    }
    case 8: {  // flower
      canvas.Fill(Stroke({at(0.5f, 0.55f), at(0.5f, 0.96f)}, len(0.07f)), kGreen);
      canvas.Fill(Ellipse(at(0.66f, 0.82f), len(0.12f), len(0.06f)), kGreen);
      Shape petals = Circle(at(0.5f, 0.18f), len(0.15f));
      for (int i = 1; i < 5; ++i) {
        const float a = -std::numbers::pi_v<float> / 2 +
                        static_cast<float>(i) * 2 * std::numbers::pi_v<float> / 5;
        petals = Union(
            petals, Circle(at(0.5f + 0.22f * std::cos(a), 0.4f + 0.22f * std::sin(a)), len(0.15f)));
      }
      Plate(canvas, petals, Hex(0xFF9FC0), Hex(0xE5578A), Shade(Hex(0xE5578A), 0.35f));
      canvas.Fill(Circle(at(0.5f, 0.4f), len(0.1f)), kAmber);
      break;
    }
    default: {  // music note
      const Rgba ink = kBlue;
      canvas.Fill(Stroke({at(0.62f, 0.74f), at(0.62f, 0.12f)}, len(0.08f)), Shade(ink, 0.25f));
      canvas.Fill(Polygon({at(0.58f, 0.08f), at(0.86f, 0.26f), at(0.86f, 0.42f), at(0.66f, 0.3f),
                           at(0.58f, 0.3f)}),
                  Shade(ink, 0.25f));
      const Shape head = Ellipse(at(0.45f, 0.76f), len(0.2f), len(0.15f));
      Plate(canvas, head, kSky, ink, Shade(ink, 0.4f));
      break;
    }
  }
}

}  // namespace art
