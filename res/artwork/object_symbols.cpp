// The ten everyday objects of symbol set 0. Set 1 shows nature and home
// (style.cpp); these are things you hold, so the two sets never share a
// subject and can't be mixed up on the pad.
#include <cmath>
#include <numbers>

#include "res/artwork/style.h"

namespace art {

const char* ObjectSymbolName(int n) {
  static const char* const kNames[] = {"key",  "bell", "cup",  "anchor",   "clock",
                                       "leaf", "drop", "bolt", "sailboat", "kite"};
  return kNames[n];
}

void ObjectSymbol(Canvas& canvas, int n, Vec o, float s) {
  using namespace colour;
  constexpr float kPi = std::numbers::pi_v<float>;
  auto at = [&](float u, float v) { return Vec{o.x + u * s, o.y + v * s}; };
  auto len = [&](float u) { return u * s; };
  switch (n) {
    case 0: {  // key: ring, shaft and two teeth
      const Shape ring =
          Subtract(Circle(at(0.28f, 0.3f), len(0.22f)), Circle(at(0.28f, 0.3f), len(0.1f)));
      const Shape shaft =
          Polygon({at(0.4f, 0.4f), at(0.48f, 0.34f), at(0.94f, 0.8f), at(0.86f, 0.88f)});
      const Shape teeth =
          Union(Polygon({at(0.7f, 0.72f), at(0.78f, 0.64f), at(0.86f, 0.72f), at(0.78f, 0.8f)}),
                Polygon({at(0.8f, 0.84f), at(0.88f, 0.76f), at(0.96f, 0.84f), at(0.88f, 0.92f)}));
      Plate(canvas, Union(Union(ring, shaft), teeth), Hex(0xFFD66B), kAmber, Shade(kAmber, 0.45f));
      break;
    }
    case 1: {  // bell
      std::vector<Vec> points;
      Append(points, Bezier(at(0.1f, 0.78f), at(0.22f, 0.7f), at(0.2f, 0.2f), at(0.5f, 0.14f)));
      Append(points, Bezier(at(0.5f, 0.14f), at(0.8f, 0.2f), at(0.78f, 0.7f), at(0.9f, 0.78f)));
      const Shape body = Polygon(points);
      canvas.Fill(Circle(at(0.5f, 0.86f), len(0.09f)), Shade(kAmber, 0.35f));
      Plate(canvas, body, Hex(0xFFE08A), Shade(kAmber, 0.1f), Shade(kAmber, 0.45f));
      canvas.Fill(Circle(at(0.5f, 0.1f), len(0.06f)), Shade(kAmber, 0.35f));
      break;
    }
    case 2: {  // cup with handle and steam
      const Shape body =
          Polygon({at(0.14f, 0.4f), at(0.7f, 0.4f), at(0.64f, 0.9f), at(0.2f, 0.9f)});
      const Shape handle = Subtract(Ellipse(at(0.72f, 0.6f), len(0.16f), len(0.14f)),
                                    Ellipse(at(0.72f, 0.6f), len(0.08f), len(0.07f)));
      Plate(canvas, Union(body, handle), Hex(0xFF8A7A), kCoral, Shade(kCoral, 0.4f));
      for (float u : {0.3f, 0.52f}) {
        canvas.Fill(Stroke(Bezier(at(u, 0.32f), at(u - 0.08f, 0.24f), at(u + 0.08f, 0.14f),
                                  at(u, 0.06f), 10),
                           len(0.05f)),
                    kSlate);
      }
      break;
    }
    case 3: {  // anchor
      const Rgba ink = Shade(kNavy, -0.15f);
      canvas.Fill(Outline(Circle(at(0.5f, 0.14f), len(0.08f)), len(0.06f)), ink);
      canvas.Fill(Stroke({at(0.5f, 0.22f), at(0.5f, 0.9f)}, len(0.09f)), ink);
      canvas.Fill(Stroke({at(0.3f, 0.34f), at(0.7f, 0.34f)}, len(0.08f)), ink);
      canvas.Fill(Stroke(Arc(at(0.5f, 0.56f), len(0.36f), len(0.34f), 15, 165, 20), len(0.09f)),
                  ink);
      canvas.Fill(Polygon({at(0.04f, 0.6f), at(0.22f, 0.58f), at(0.1f, 0.74f)}), ink);
      canvas.Fill(Polygon({at(0.96f, 0.6f), at(0.78f, 0.58f), at(0.9f, 0.74f)}), ink);
      break;
    }
    case 4: {  // clock: face, hands at ten past two
      const Shape face = Circle(at(0.5f, 0.5f), len(0.44f));
      Plate(canvas, face, kWhite, kMist, Shade(kBlue, 0.2f));
      canvas.Fill(Outline(face, len(0.08f)), kBlue);
      for (int i = 0; i < 12; i += 3) {
        const float a = static_cast<float>(i) * kPi / 6;
        canvas.Fill(Circle(at(0.5f + 0.32f * std::cos(a), 0.5f + 0.32f * std::sin(a)), len(0.035f)),
                    kInk);
      }
      canvas.Fill(Stroke({at(0.5f, 0.5f), at(0.5f, 0.22f)}, len(0.06f)), kInk);
      canvas.Fill(Stroke({at(0.5f, 0.5f), at(0.7f, 0.6f)}, len(0.06f)), kInk);
      break;
    }
    case 5: {  // leaf with its midrib
      std::vector<Vec> points;
      Append(points, Bezier(at(0.12f, 0.88f), at(0.08f, 0.4f), at(0.5f, 0.1f), at(0.9f, 0.1f)));
      Append(points, Bezier(at(0.9f, 0.1f), at(0.92f, 0.5f), at(0.6f, 0.9f), at(0.12f, 0.88f)));
      Plate(canvas, Polygon(points), Hex(0x9BE87A), Hex(0x4CA93A), Shade(Hex(0x4CA93A), 0.4f));
      canvas.Fill(Stroke({at(0.06f, 0.94f), at(0.72f, 0.28f)}, len(0.05f)),
                  Shade(Hex(0x4CA93A), 0.45f));
      break;
    }
    case 6: {  // water drop
      std::vector<Vec> points;
      Append(points, Bezier(at(0.5f, 0.04f), at(0.62f, 0.3f), at(0.84f, 0.46f), at(0.84f, 0.64f)));
      Append(points, Arc(at(0.5f, 0.64f), len(0.34f), len(0.32f), 0, 180, 20));
      Append(points, Bezier(at(0.16f, 0.64f), at(0.16f, 0.46f), at(0.38f, 0.3f), at(0.5f, 0.04f)));
      Plate(canvas, Polygon(points), kAqua, kSky, Shade(kBlue, 0.3f));
      canvas.Fill(Stroke(Arc(at(0.5f, 0.64f), len(0.2f), len(0.18f), 110, 170, 8), len(0.06f)),
                  WithAlpha(kWhite, 0.85f));
      break;
    }
    case 7: {  // lightning bolt
      const Shape bolt =
          Polygon({at(0.58f, 0.02f), at(0.2f, 0.56f), at(0.46f, 0.56f), at(0.36f, 0.98f),
                   at(0.8f, 0.4f), at(0.54f, 0.4f), at(0.7f, 0.02f)});
      Plate(canvas, bolt, Hex(0xFFE36B), Shade(kAmber, 0.05f), Shade(kCoral, 0.3f));
      break;
    }
    case 8: {  // sailboat: hull, mast and two sails
      Plate(canvas,
            Polygon({at(0.04f, 0.72f), at(0.96f, 0.72f), at(0.78f, 0.92f), at(0.2f, 0.92f)}),
            Hex(0xC98B5E), Hex(0x8E5A36), Shade(Hex(0x8E5A36), 0.4f));
      canvas.Fill(Stroke({at(0.5f, 0.06f), at(0.5f, 0.72f)}, len(0.05f)), kInk);
      Plate(canvas, Polygon({at(0.46f, 0.1f), at(0.46f, 0.64f), at(0.1f, 0.64f)}), kWhite, kMist,
            kSlate);
      Plate(canvas, Polygon({at(0.54f, 0.2f), at(0.54f, 0.64f), at(0.84f, 0.64f)}), kSky, kBlue,
            Shade(kBlue, 0.4f));
      break;
    }
    default: {  // kite on its string
      const Shape kite =
          Polygon({at(0.56f, 0.02f), at(0.9f, 0.3f), at(0.56f, 0.66f), at(0.22f, 0.3f)});
      Plate(canvas, kite, Hex(0xB7A8FF), kViolet, Shade(kViolet, 0.4f));
      canvas.Fill(Stroke({at(0.56f, 0.02f), at(0.56f, 0.66f)}, len(0.03f)),
                  WithAlpha(kWhite, 0.8f));
      canvas.Fill(Stroke({at(0.22f, 0.3f), at(0.9f, 0.3f)}, len(0.03f)), WithAlpha(kWhite, 0.8f));
      canvas.Fill(
          Stroke(Bezier(at(0.56f, 0.66f), at(0.3f, 0.74f), at(0.5f, 0.9f), at(0.14f, 0.98f), 12),
                 len(0.035f)),
          kSlate);
      canvas.Fill(Polygon({at(0.34f, 0.76f), at(0.42f, 0.8f), at(0.36f, 0.86f)}), kCoral);
      break;
    }
  }
}

}  // namespace art
