#include "platform/ui/shell/soft_keyboard.h"

#include <algorithm>
#include <string>

#include "platform/ui/shell/shell_internal.h"

namespace platform::ui::soft_keyboard {
namespace {

// One row of keys given as (label/character, width) cells laid out left to
// right; every row fills the 240-pixel width.
struct Cell {
  Action action;
  char16_t normal;
  char16_t shifted;
  int width;
};

Cell C(char16_t normal, char16_t shifted, int width = 16) {
  return {Action::kChar, normal, shifted, width};
}
Cell A(Action action, int width) {
  return {action, 0, 0, width};
}

std::vector<Key> Build(const std::vector<std::vector<Cell>>& rows) {
  std::vector<Key> keys;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    const LONG top = static_cast<LONG>(row) * kRowHeight;
    LONG x = 0;
    for (const Cell& cell : rows[row]) {
      keys.push_back(
          {{x, top, x + cell.width, top + kRowHeight}, cell.action, cell.normal, cell.shifted});
      x += cell.width;
    }
  }
  return keys;
}

// The letters page: a full US layout, so every printable character is on
// it (the shifted symbols with Shift).
std::vector<Key> LettersPage() {
  std::vector<std::vector<Cell>> rows(5);
  const std::u16string digits = u"`1234567890-=", digitsShifted = u"~!@#$%^&*()_+";
  for (std::size_t i = 0; i < digits.size(); ++i) rows[0].push_back(C(digits[i], digitsShifted[i]));
  rows[0].push_back(A(Action::kBackspace, 32));

  rows[1].push_back(A(Action::kTab, 24));
  for (char16_t c : std::u16string(u"qwertyuiop")) rows[1].push_back(C(c, c - 32));
  rows[1].push_back(C(u'[', u'{'));
  rows[1].push_back(C(u']', u'}'));
  rows[1].push_back(C(u'\\', u'|', 24));

  rows[2].push_back(A(Action::kCaps, 28));
  for (char16_t c : std::u16string(u"asdfghjkl")) rows[2].push_back(C(c, c - 32));
  rows[2].push_back(C(u';', u':'));
  rows[2].push_back(C(u'\'', u'"'));
  rows[2].push_back(A(Action::kEnter, 36));

  rows[3].push_back(A(Action::kShift, 36));
  for (char16_t c : std::u16string(u"zxcvbnm")) rows[3].push_back(C(c, c - 32));
  rows[3].push_back(C(u',', u'<'));
  rows[3].push_back(C(u'.', u'>'));
  rows[3].push_back(C(u'/', u'?'));
  rows[3].push_back(A(Action::kShift, 44));

  rows[4].push_back(A(Action::kPage, 32));
  rows[4].push_back(C(u' ', u' ', 144));
  rows[4].push_back(A(Action::kLeft, 32));
  rows[4].push_back(A(Action::kRight, 32));
  return Build(rows);
}

// The "123" page: digits and all symbols on wider keys, no shift needed.
std::vector<Key> SymbolsPage() {
  std::vector<std::vector<Cell>> rows(5);
  const std::u16string lines[4] = {u"1234567890", u"!@#$%^&*()", u"-_=+[]{}\\|", u";:'\",.<>/?"};
  for (int row = 0; row < 4; ++row) {
    for (char16_t c : lines[row]) rows[row].push_back(C(c, c, 24));
  }
  rows[4].push_back(A(Action::kPage, 36));
  rows[4].push_back(C(u'`', u'`', 24));
  rows[4].push_back(C(u'~', u'~', 24));
  rows[4].push_back(C(u' ', u' ', 96));
  rows[4].push_back(A(Action::kBackspace, 32));
  rows[4].push_back(A(Action::kEnter, 28));
  return Build(rows);
}

bool IsLetter(char16_t c) {
  return c >= u'a' && c <= u'z';
}

// Taps needed to type `c` on the page of `state` (without changing page),
// or -1 when the page has no key for it; the keys are appended to `keys`.
int CostOnPage(const State& state, char16_t c, std::vector<const Key*>* keys) {
  const std::vector<Key>& page = Keys(state.page);
  const Key* shiftKey = nullptr;
  for (const Key& key : page) {
    if (key.action == Action::kShift) {
      shiftKey = &key;
      break;
    }
  }
  auto find = [&page](Action action) -> const Key* {
    for (const Key& key : page) {
      if (key.action == action) return &key;
    }
    return nullptr;
  };
  Action control = Action::kChar;
  if (c == u'\b') control = Action::kBackspace;
  if (c == u'\r' || c == u'\n') control = Action::kEnter;
  if (c == u'\t') control = Action::kTab;
  if (control != Action::kChar) {
    const Key* key = find(control);
    if (key == nullptr) return -1;
    keys->push_back(key);
    return 1;
  }
  for (const Key& key : page) {
    if (key.action != Action::kChar) continue;
    bool needShift;
    if (IsLetter(key.normal) && (c == key.normal || c == key.shifted)) {
      // Shift toggles, so one tap on it flips the case the key types.
      needShift = (c == key.shifted) != (state.shift != state.caps);
    } else if (c == key.normal) {
      needShift = state.shift && key.shifted != key.normal;
    } else if (c == key.shifted) {
      needShift = !state.shift;
    } else {
      continue;
    }
    if (needShift) {
      if (shiftKey == nullptr) continue;
      keys->push_back(shiftKey);
    }
    keys->push_back(&key);
    return needShift ? 2 : 1;
  }
  return -1;
}

State& PanelState() {
  static State state;
  return state;
}

RECT ToScreen(const RECT& r) {
  return {r.left, r.top + shell::kPanelTop, r.right, r.bottom + shell::kPanelTop};
}

HFONT KeyFont(bool bold) {
  static HFONT normal = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  static HFONT heavy = CreateFont(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  return bold ? heavy : normal;
}

}  // namespace

const std::vector<Key>& Keys(Page page) {
  static const std::vector<Key> letters = LettersPage();
  static const std::vector<Key> symbols = SymbolsPage();
  return page == Page::kLetters ? letters : symbols;
}

const Key* KeyAt(Page page, int x, int y) {
  for (const Key& key : Keys(page)) {
    if (x >= key.rect.left && x < key.rect.right && y >= key.rect.top && y < key.rect.bottom) {
      return &key;
    }
  }
  return nullptr;
}

Output Press(State* state, const Key& key) {
  Output out;
  switch (key.action) {
    case Action::kChar: {
      bool shifted = state->shift;
      if (IsLetter(key.normal)) shifted = state->shift != state->caps;
      out.kind = Output::Kind::kChar;
      out.character = shifted ? key.shifted : key.normal;
      state->shift = false;
      break;
    }
    case Action::kBackspace:
      out = {Output::Kind::kKey, 0, VK_BACK};
      break;
    case Action::kEnter:
      out = {Output::Kind::kKey, 0, VK_RETURN};
      break;
    case Action::kTab:
      out = {Output::Kind::kKey, 0, VK_TAB};
      break;
    case Action::kLeft:
      out = {Output::Kind::kKey, 0, VK_LEFT};
      break;
    case Action::kRight:
      out = {Output::Kind::kKey, 0, VK_RIGHT};
      break;
    case Action::kShift:
      state->shift = !state->shift;
      break;
    case Action::kCaps:
      state->caps = !state->caps;
      break;
    case Action::kPage:
      state->page = state->page == Page::kLetters ? Page::kSymbols : Page::kLetters;
      state->shift = false;
      break;
  }
  return out;
}

std::u16string Label(const State& state, const Key& key) {
  switch (key.action) {
    case Action::kChar: {
      if (key.normal == u' ') return u"";
      bool shifted = state.shift;
      if (IsLetter(key.normal)) shifted = state.shift != state.caps;
      return std::u16string(1, shifted ? key.shifted : key.normal);
    }
    case Action::kBackspace:
      return u"\u232B";
    case Action::kEnter:
      return u"\u21B5";
    case Action::kTab:
      return u"Tab";
    case Action::kLeft:
      return u"\u2190";
    case Action::kRight:
      return u"\u2192";
    case Action::kShift:
      return u"\u21E7";
    case Action::kCaps:
      return u"Caps";
    case Action::kPage:
      return state.page == Page::kLetters ? u"123" : u"abc";
  }
  return u"";
}

bool Plan(State* state, char16_t c, std::vector<const Key*>* keys) {
  const bool known =
      (c >= 0x20 && c <= 0x7E) || c == u'\b' || c == u'\r' || c == u'\n' || c == u'\t';
  if (!known) return false;
  std::vector<const Key*> here;
  const int costHere = CostOnPage(*state, c, &here);

  State other = *state;
  other.page = state->page == Page::kLetters ? Page::kSymbols : Page::kLetters;
  other.shift = false;
  std::vector<const Key*> there;
  int costThere = CostOnPage(other, c, &there);
  if (costThere >= 0) {
    ++costThere;
    const Key* pageKey = nullptr;
    for (const Key& key : Keys(state->page)) {
      if (key.action == Action::kPage) pageKey = &key;
    }
    there.insert(there.begin(), pageKey);
  }
  if (costHere < 0 && costThere < 0) return false;
  const std::vector<const Key*>& chosen =
      (costHere >= 0 && (costThere < 0 || costHere <= costThere)) ? here : there;
  for (const Key* key : chosen) Press(state, *key);
  keys->insert(keys->end(), chosen.begin(), chosen.end());
  return true;
}

void Paint(HDC dc, const State& state, const Key* pressed) {
  const RECT all = {0, 0, kWidth, kHeight};
  HBRUSH background = CreateSolidBrush(RGB(156, 160, 168));
  HBRUSH face = CreateSolidBrush(RGB(250, 250, 250));
  HBRUSH special = CreateSolidBrush(RGB(222, 224, 228));
  HBRUSH dark = CreateSolidBrush(RGB(40, 44, 52));
  HBRUSH border = CreateSolidBrush(RGB(88, 92, 100));
  FillRect(dc, &all, background);
  SetBkMode(dc, TRANSPARENT);
  for (const Key& key : Keys(state.page)) {
    const RECT cell = {key.rect.left + 1, key.rect.top + 1, key.rect.right - 1, key.rect.bottom};
    const bool latched = (key.action == Action::kShift && state.shift) ||
                         (key.action == Action::kCaps && state.caps);
    const bool down = &key == pressed || latched;
    FillRect(dc, &cell, down ? dark : (key.action == Action::kChar ? face : special));
    FrameRect(dc, &cell, border);
    const std::u16string label = Label(state, key);
    if (label.empty()) continue;
    // Words in the plain face, glyphs and the page key in bold.
    const bool bold =
        key.action != Action::kChar && key.action != Action::kTab && key.action != Action::kCaps;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(KeyFont(bold)));
    SetTextColor(dc, down ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT text = cell;
    DrawText(dc, label.c_str(), static_cast<int>(label.size()), &text,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    SelectObject(dc, old);
  }
  for (HBRUSH b : {background, face, special, dark, border}) {
    DeleteObject(reinterpret_cast<HGDIOBJ>(b));
  }
}

State CurrentState() {
  return PanelState();
}

void SetCurrentState(const State& state) {
  PanelState() = state;
}

bool KeysFor(std::u16string_view text, std::vector<RECT>* taps) {
  std::vector<RECT> planned;
  if (!shell::KeyboardIsCurrent() || !shell::PanelUp()) {
    if (!shell::SipButtonVisible()) return false;
    if (!shell::KeyboardIsCurrent()) {
      // The arrow hands the panel to the next method and raises it.
      for (int i = shell::ImSwitchesToKeyboard(); i > 0; --i) {
        planned.push_back(shell::ImSwitchRect());
      }
    } else {
      planned.push_back(shell::SipButtonRect());
    }
  }
  State state = PanelState();
  std::vector<const Key*> keys;
  for (char16_t c : text) {
    if (!Plan(&state, c, &keys)) return false;
  }
  for (const Key* key : keys) planned.push_back(ToScreen(key->rect));
  taps->insert(taps->end(), planned.begin(), planned.end());
  return true;
}

bool KeyFor(char16_t c, std::vector<RECT>* taps) {
  return KeysFor(std::u16string_view(&c, 1), taps);
}

}  // namespace platform::ui::soft_keyboard
