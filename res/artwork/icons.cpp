// The icons, 32 x 32 with an alpha channel: the product, and the
// decorations of the dialogs and settings pages.
#include <cmath>
#include <numbers>

#include "res/artwork/style.h"

namespace art {

namespace {

using namespace colour;

constexpr int kSize = 32;
constexpr float kPi = std::numbers::pi_v<float>;

Vec Polar(Vec c, float r, float degrees) {
  const float a = degrees * kPi / 180;
  return {c.x + r * std::cos(a), c.y + r * std::sin(a)};
}

// The product: a handheld whose screen shows the product mark.
Picture Applet() {
  Canvas icon(kSize, kSize);
  const Shape body = RoundRect(6, 1.5f, 26, 30.5f, 3.5f);
  Shadow(icon, body);
  Plate(icon, body, Hex(0x3A4E6E), kNavy, Hex(0x06142B));
  const Shape screen = RoundRect(8.5f, 4.5f, 23.5f, 22.5f, 1.0f);
  icon.Fill(screen, Linear({8, 4}, kMist, {23, 22}, Hex(0xA9E4EE)));
  ProductMark(icon, {9.75f, 6.0f}, 12.5f);
  for (float x : {11.0f, 16.0f, 21.0f}) icon.Fill(Circle({x, 26.5f}, 1.3f), Hex(0x7D93B2));
  return {500, Format::kIcon, "product: handheld with the shield and keyhole", std::move(icon)};
}

// Settings: a gear.
Picture Gear() {
  Canvas icon(kSize, kSize);
  const Vec c{16, 16};
  Shape gear = Circle(c, 10.5f);
  for (int i = 0; i < 8; ++i) {
    const float a = 45.0f * static_cast<float>(i);
    gear = Union(gear, Polygon({Polar(c, 10, a - 14), Polar(c, 14.5f, a - 10),
                                Polar(c, 14.5f, a + 10), Polar(c, 10, a + 14)}));
  }
  gear = Subtract(gear, Circle(c, 4.6f));
  Shadow(icon, gear);
  Plate(icon, gear, kSky, kBlue, Shade(kBlue, 0.45f));
  icon.Fill(Outline(Circle(c, 7.6f), 1.4f), Solid(kWhite), 0.35f);
  icon.Fill(Outline(Circle(c, 4.6f), 1.0f), Shade(kBlue, 0.45f));
  return {632, Format::kIcon, "program and logon settings: blue gear", std::move(icon)};
}

// The delay: an hourglass running.
Picture Hourglass() {
  Canvas icon(kSize, kSize);
  const Shape glass = Polygon({{9, 5},
                               {23, 5},
                               {23, 8},
                               {17.2f, 15.3f},
                               {17.2f, 16.7f},
                               {23, 24},
                               {23, 27},
                               {9, 27},
                               {9, 24},
                               {14.8f, 16.7f},
                               {14.8f, 15.3f},
                               {9, 8}});
  Shadow(icon, glass, 0.2f);
  icon.Fill(glass, Linear({9, 0}, Hex(0xEAF7FF), {23, 0}, Hex(0xBFE3F5)));
  const Shape sandTop = Polygon({{11.2f, 10.5f}, {20.8f, 10.5f}, {16, 15.5f}});
  const Shape sandBottom = Polygon({{16, 19.5f}, {22.2f, 25.5f}, {9.8f, 25.5f}});
  icon.Fill(Union(sandTop, sandBottom), Linear({0, 10}, kAqua, {0, 26}, kTeal));
  icon.Fill(Stroke({{16, 15.5f}, {16, 22}}, 1.0f), kTeal);
  icon.Fill(Outline(glass, 1.0f), Shade(kBlue, 0.4f));
  for (float y : {2.0f, 27.0f}) {
    Plate(icon, RoundRect(6, y, 26, y + 3.5f, 1.5f), kSky, kBlue, Shade(kBlue, 0.45f));
  }
  return {636, Format::kIcon, "false-logon delay: hourglass with teal sand", std::move(icon)};
}

// Owner information: a contact card.
Picture ContactCard() {
  Canvas icon(kSize, kSize);
  const Shape card = RoundRect(2, 6, 30, 27, 2.5f);
  Shadow(icon, card);
  Plate(icon, card, kWhite, Hex(0xE6EEF7), Shade(kSlate, 0.1f));
  icon.Fill(Intersect(card, Rect(2, 6, 30, 10.5f)), Linear({2, 0}, kBlue, {30, 0}, kTeal));
  const Shape photo = RoundRect(5.5f, 13, 14.5f, 24, 1.0f);
  icon.Fill(photo, kMist);
  icon.Fill(Intersect(photo, Union(Circle({10, 16.8f}, 2.4f), Ellipse({10, 24.5f}, 4.4f, 4.4f))),
            Linear({0, 14}, kTeal, {0, 24}, Shade(kTeal, 0.3f)));
  for (int i = 0; i < 3; ++i) {
    const float y = 14.5f + 3.8f * static_cast<float>(i);
    icon.Fill(Stroke({{17.5f, y}, {i == 2 ? 23.5f : 26.5f, y}}, 1.6f), Hex(0x9FB2C8));
  }
  return {659, Format::kIcon, "owner information: contact card with portrait", std::move(icon)};
}

// Passwords: a key.
Picture Key() {
  Canvas icon(kSize, kSize);
  const Vec bow{10, 11};
  Shape key = Circle(bow, 7.5f);
  // The shaft runs down to the right at 45 degrees, with two bits.
  auto along = [&](float t, float side) {
    const float d = 0.7071f;
    return Vec{bow.x + t * d - side * d, bow.y + t * d + side * d};
  };
  key = Union(key, Polygon({along(4, -1.8f), along(24, -1.8f), along(24, 1.8f), along(4, 1.8f)}));
  key = Union(key, Polygon({along(16, 1), along(19, 1), along(19, 5.2f), along(16, 5.2f)}));
  key = Union(key,
              Polygon({along(20.5f, 1), along(23.5f, 1), along(23.5f, 4.2f), along(20.5f, 4.2f)}));
  key = Subtract(key, Circle({bow.x - 1.8f, bow.y - 1.8f}, 2.4f));
  Shadow(icon, key);
  Plate(icon, key, Hex(0x3FD0C8), Shade(kTeal, 0.2f), Shade(kTeal, 0.5f));
  icon.Fill(Outline(Circle(bow, 5.2f), 1.0f), Solid(kWhite), 0.25f);
  return {661, Format::kIcon, "passwords: teal key", std::move(icon)};
}

// The false-logon limit: an alarm bell with a warning badge.
Picture Bell() {
  Canvas icon(kSize, kSize);
  std::vector<Vec> outline;
  Append(outline, Bezier({4.5f, 24}, {8, 21}, {8, 16}, {8.5f, 13}, 8));
  Append(outline, Bezier({8.5f, 13}, {9, 7}, {12, 4.5f}, {15, 4.5f}, 8));
  Append(outline, Bezier({15, 4.5f}, {18, 4.5f}, {21, 7}, {21.5f, 13}, 8));
  Append(outline, Bezier({21.5f, 13}, {22, 16}, {22, 21}, {25.5f, 24}, 8));
  const Shape bell = Union(Polygon(outline), RoundRect(4, 23, 26, 26, 1.5f));
  icon.Fill(Circle({15, 27}, 2.6f), Shade(kAmber, 0.35f));
  Shadow(icon, bell);
  Plate(icon, bell, Hex(0xFFD66B), kAmber, Shade(kAmber, 0.45f));
  icon.Fill(Stroke({{11.5f, 10.5f}, {10.8f, 18}}, 1.6f), Solid(kWhite), 0.55f);
  const Shape badge = Circle({24.5f, 8.5f}, 6.0f);
  Plate(icon, badge, Hex(0xFF7B6E), kCoral, Shade(kCoral, 0.4f));
  icon.Fill(Stroke({{24.5f, 5.2f}, {24.5f, 9.3f}}, 1.8f), kWhite);
  icon.Fill(Circle({24.5f, 12}, 1.0f), kWhite);
  return {663, Format::kIcon, "false-logon limit: amber alarm bell with a warning badge",
          std::move(icon)};
}

// Securing the device: a padlock.
Picture Padlock() {
  Canvas icon(kSize, kSize);
  const Shape shackle = Stroke(
      Joined(Joined({{9.5f, 15}}, Arc({16, 10.5f}, 6.5f, 6.5f, 180, 360, 20)), {{22.5f, 15}}),
      3.2f);
  Plate(icon, shackle, Hex(0xC9D4E2), Hex(0x8B9CB3), Hex(0x4D5E78));
  const Shape body = RoundRect(5, 14, 27, 30, 3.0f);
  Shadow(icon, body);
  Plate(icon, body, kSky, kBlue, Shade(kBlue, 0.45f));
  icon.Fill(Stroke({{8, 16.8f}, {24, 16.8f}}, 1.0f), Solid(kWhite), 0.35f);
  icon.Fill(Union(Circle({16, 21}, 2.5f),
                  Polygon({{14.9f, 21}, {17.1f, 21}, {17.8f, 26.5f}, {14.2f, 26.5f}})),
            kNavy);
  return {665, Format::kIcon, "securing the device: blue padlock", std::move(icon)};
}

// The logon methods: a keypad and a stylus.
Picture KeypadAndStylus() {
  Canvas icon(kSize, kSize);
  const Shape pad = RoundRect(2, 3, 24, 27, 3.0f);
  Shadow(icon, pad);
  Plate(icon, pad, Hex(0x33507A), kNavy, Hex(0x06142B));
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const float x = 5 + 6.3f * static_cast<float>(column);
      const float y = 6 + 6.8f * static_cast<float>(row);
      const bool lit = row == 1 && column == 1;
      icon.Fill(RoundRect(x, y, x + 4.6f, y + 4.8f, 1.2f),
                Linear({0, y}, lit ? kAqua : Hex(0xE9F1FA), {0, y + 5}, lit ? kTeal : kKeyBottom));
    }
  }
  // The stylus lies across the lower right corner, tip down-left.
  const Vec tip{17, 29}, end{30.5f, 9};
  const Vec d{(end.x - tip.x) / 24.2f, (end.y - tip.y) / 24.2f};
  const Vec n{-d.y, d.x};
  auto at = [&](float t, float side) { return tip + d * t + n * side; };
  const Shape barrel = Polygon({at(4, -1.9f), at(24, -1.9f), at(24, 1.9f), at(4, 1.9f)});
  const Shape point = Polygon({at(0, 0), at(4, -1.9f), at(4, 1.9f)});
  Shadow(icon, Union(barrel, point), 0.35f);
  icon.Fill(point, Hex(0x3B4A5E));
  Plate(icon, barrel, kAqua, kTeal, Shade(kTeal, 0.5f));
  icon.Fill(Polygon({at(4, -1.9f), at(7, -1.9f), at(7, 1.9f), at(4, 1.9f)}), Hex(0xC9D4E2));
  return {667, Format::kIcon, "logon methods: keypad with a stylus", std::move(icon)};
}

// Installation: a magic wand with sparkles.
Picture Wand() {
  Canvas icon(kSize, kSize);
  const Shape stick = Stroke({{5, 28}, {20, 13}}, 3.6f);
  Shadow(icon, stick);
  icon.Fill(stick, Linear({5, 28}, Hex(0x33507A), {20, 13}, kNavy));
  icon.Fill(Stroke({{17.2f, 15.8f}, {20, 13}}, 3.6f), kWhite);
  icon.Fill(Outline(Stroke({{5, 28}, {20, 13}}, 3.6f), 0.8f), Hex(0x06142B));
  auto sparkle = [&](Vec c, float r, Rgba inner, Rgba outer) {
    std::vector<Vec> points;
    for (int i = 0; i < 8; ++i) {
      points.push_back(Polar(c, i % 2 == 0 ? r : r * 0.3f, 45.0f * static_cast<float>(i) - 90));
    }
    const Shape star = Polygon(points);
    icon.Fill(star, Radial(c, r, inner, outer));
    icon.Fill(Outline(star, 0.8f), Shade(outer, 0.3f));
  };
  sparkle({23.5f, 8.5f}, 8.0f, Hex(0xFFF6D8), kAmber);
  sparkle({11, 6.5f}, 4.6f, kWhite, kTeal);
  sparkle({27.5f, 20}, 4.2f, kWhite, kSky);
  return {795, Format::kIcon, "installation wizard: magic wand with sparkles", std::move(icon)};
}

}  // namespace

std::vector<Picture> DrawIcons() {
  std::vector<Picture> icons;
  icons.push_back(Applet());
  icons.push_back(Gear());
  icons.push_back(Hourglass());
  icons.push_back(ContactCard());
  icons.push_back(Key());
  icons.push_back(Bell());
  icons.push_back(Padlock());
  icons.push_back(KeypadAndStylus());
  icons.push_back(Wand());
  return icons;
}

}  // namespace art
