// The soft keyboard of the input panel: its two pages of keys, the shift
// and caps state, drawing, and what a tap on a key types. Also the planner
// the scripted user types with: which keys to tap, in order, for a text.
#pragma once

#include <string_view>
#include <vector>

#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window.h"

namespace platform::ui::soft_keyboard {

// The panel area the keyboard fills, in panel client coordinates.
inline constexpr int kWidth = 240;
inline constexpr int kHeight = 80;
inline constexpr int kRowHeight = 16;

enum class Page { kLetters, kSymbols };

enum class Action {
  kChar,       // types `normal`, or `shifted` with shift (letters: with shift xor caps)
  kBackspace,  // VK_BACK
  kEnter,      // VK_RETURN
  kTab,        // VK_TAB
  kLeft,       // VK_LEFT
  kRight,      // VK_RIGHT
  kShift,      // shift for the next character; tapped again, off
  kCaps,       // caps lock on letters, until tapped again
  kPage,       // to the other page
};

struct Key {
  RECT rect;  // panel client coordinates
  Action action;
  char16_t normal;   // kChar only
  char16_t shifted;  // kChar only; equal to `normal` where shift changes nothing
};

struct State {
  Page page = Page::kLetters;
  bool shift = false;
  bool caps = false;
  bool operator==(const State&) const = default;
};

const std::vector<Key>& Keys(Page page);
// The key at a point of the panel, or null.
const Key* KeyAt(Page page, int x, int y);

// What a tap on a key produces.
struct Output {
  enum class Kind { kNone, kChar, kKey } kind = Kind::kNone;
  char16_t character = 0;
  UINT virtualKey = 0;
};
// Applies a tap to the state and says what to type.
Output Press(State* state, const Key& key);
// The label drawn on a key in a state.
std::u16string Label(const State& state, const Key& key);

// The keys to tap, in order, to type `c` from `*state`, appended to
// `keys`; the state is moved on as the taps would. Characters: printable
// ASCII, '\b' (Backspace), '\r' and '\n' (Enter), '\t' (Tab). False (and
// nothing appended) for anything else. Prefers the page shown; switches
// pages only when that saves taps or the page lacks the character.
bool Plan(State* state, char16_t c, std::vector<const Key*>* keys);

// Draws the keyboard into a panel DC whose origin is the panel's top-left.
void Paint(HDC dc, const State& state, const Key* pressed);

// For the scripted user and tests: the screen rectangles to tap, in order,
// to type `c` (or all of `text`) from the panel's current state. Includes
// the taps that bring the keyboard up first: the input-method arrow when
// another input method is current, the input-panel button when the panel
// is down. False when it can't be typed this way (no such key, or the
// panel is down and its button hidden); then `taps` is left unchanged.
bool KeyFor(char16_t c, std::vector<RECT>* taps);
bool KeysFor(std::u16string_view text, std::vector<RECT>* taps);

// The keyboard state of the input panel (shift, caps, page); kept for the
// process, across raising and lowering the panel.
State CurrentState();
void SetCurrentState(const State& state);

}  // namespace platform::ui::soft_keyboard
