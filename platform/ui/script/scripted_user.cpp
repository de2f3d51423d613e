// The scripted user: looking at the screen, acting through the device's
// input, and the run that plays the actions at idle moments.
#include "platform/ui/script/scripted_user.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/signature_file.h"
#include "platform/ui/afx/afx_module_state.h"
#include "platform/ui/controls/controls_internal.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/shell/soft_keyboard.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "platform/wstring.h"

namespace platform::ui {

ScriptStopped::ScriptStopped(Reason reason, const std::string& message)
    : std::runtime_error(message), reason_(reason) {}

int ScriptStopped::ExitStatus() const {
  switch (reason_) {
    case Reason::kUnexpectedScreen:
      return kExitUnexpectedScreen;
    case Reason::kRanOut:
      return kExitScriptRanOut;
    case Reason::kError:
      break;
  }
  return 1;
}

namespace scripted_user {
namespace {

bool Before(DWORD a, DWORD b) {
  return static_cast<std::int32_t>(a - b) < 0;
}

DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
}

HWND TopLevelOf(HWND window) {
  HWND current = window;
  while (current && (StyleOf(current) & WS_CHILD)) {
    HWND parent = GetParent(current);
    if (!parent) break;
    current = parent;
  }
  return current;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool IsEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

POINT Centre(const RECT& r) {
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Message-box texts in one line, short enough for a failure message.
std::string OneLine(std::u16string_view text) {
  constexpr std::size_t kLongest = 80;
  std::u16string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    line.push_back(text[i] == u'\r' || text[i] == u'\n' ? u' ' : text[i]);
  }
  if (line.size() > kLongest) {
    line.resize(kLongest - 1);
    line += u"\u2026";
  }
  return ToUtf8(line);
}

HWND FindControlIn(HWND window, int id, bool visibleOnly) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (visibleOnly && !IsWindowVisible(child)) continue;
    if (GetDlgCtrlID(child) == id) return child;
  }
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (visibleOnly && !IsWindowVisible(child)) continue;
    if (HWND found = FindControlIn(child, id, visibleOnly)) return found;
  }
  return nullptr;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool IsHexDigit(char16_t c) {
  return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Backtracking match of `text` from `j` against `format` from `i`.
bool MatchFrom(std::u16string_view format, std::size_t i, std::u16string_view text, std::size_t j) {
  while (i < format.size()) {
    if (format[i] != u'%' || i + 1 >= format.size()) {
      if (j >= text.size() || text[j] != format[i]) return false;
      ++i;
      ++j;
      continue;
    }
    std::size_t k = i + 1;
    if (format[k] == u'%') {
      if (j >= text.size() || text[j] != u'%') return false;
      i = k + 1;
      ++j;
      continue;
    }
    while (k < format.size() &&
           std::u16string_view(u"-+ 0#").find(format[k]) != std::u16string_view::npos)
      ++k;
    while (k < format.size() && IsDigit(format[k])) ++k;
    while (k < format.size() && (format[k] == u'l' || format[k] == u'h')) ++k;
    if (k >= format.size()) return false;
    const char16_t conversion = format[k];
    const std::size_t rest = k + 1;
    // The ends the conversion's text may have, longest first.
    std::vector<std::size_t> ends;
    switch (conversion) {
      case u'd':
      case u'i':
      case u'u':
      case u'x':
      case u'X': {
        std::size_t p = j;
        while (p < text.size() && text[p] == u' ') ++p;  // width padding
        if ((conversion == u'd' || conversion == u'i') && p < text.size() && text[p] == u'-') ++p;
        const bool hex = conversion == u'x' || conversion == u'X';
        const std::size_t first = p;
        while (p < text.size() && (hex ? IsHexDigit(text[p]) : IsDigit(text[p]))) ++p;
        for (std::size_t e = p; e > first; --e) ends.push_back(e);
        break;
      }
      case u'c':
        if (j < text.size()) ends.push_back(j + 1);
        break;
      case u's':
        for (std::size_t e = text.size() + 1; e-- > j;) ends.push_back(e);
        break;
      default:
        // Not a conversion the platform formats: the text stands as it is.
        if (text.substr(j, rest - i) != format.substr(i, rest - i)) return false;
        ends.push_back(j + (rest - i));
        break;
    }
    for (std::size_t end : ends) {
      if (MatchFrom(format, rest, text, end)) return true;
    }
    return false;
  }
  return j == text.size();
}

struct NamedKey {
  std::string_view name;
  UINT key;
};

constexpr NamedKey kNamedKeys[] = {
    {"Enter", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Backspace", VK_BACK},
    {"Tab", VK_TAB},      {"Delete", VK_DELETE}, {"Left", VK_LEFT},
    {"Right", VK_RIGHT},  {"Up", VK_UP},         {"Down", VK_DOWN},
};

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string KeyName(UINT key) {
  for (const NamedKey& k : kNamedKeys) {
    if (k.key == key) return std::string(k.name);
  }
  for (int n = 1; n <= kApplicationButtonCount; ++n) {
    if (ApplicationButtonKey(n) == key) return "F" + std::to_string(n);
  }
  return "0x" + [key] {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string{kHex[(key >> 4) & 0xF], kHex[key & 0xF]};
  }();
}

}  // namespace

bool IsShellWindow(HWND window) {
  if (!window || !shell::IsStarted()) return false;
  return window == shell::TaskbarWindow() || window == shell::MenuBarWindow() ||
         window == shell::InputPanelWindow();
}

HWND TopmostWindow() {
  HWND any = GetTopWindow(nullptr);
  if (!any) return nullptr;
  for (HWND w = GetWindow(any, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!IsWindowVisible(w) || IsShellWindow(w)) continue;
    // Popups that never take activation (the open list of a combo box)
    // belong to the screen below them.
    if (GetWindowLong(w, GWL_EXSTYLE) & WS_EX_NOACTIVATE) continue;
    return w;
  }
  return nullptr;
}

std::u16string ClassOf(HWND window) {
  WCHAR name[128] = {};
  const int length = GetClassName(window, name, 128);
  return std::u16string(name, static_cast<std::size_t>(std::max(length, 0)));
}

std::u16string TitleOf(HWND window) {
  const int length = GetWindowTextLength(window);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowText(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

UINT TemplateIdOf(HWND window) {
  return window ? GetDialogTemplateId(window) : 0;
}

bool IsMessageBox(HWND window, std::u16string* text) {
  message_box::Record record;
  if (!window || !message_box::IsMessageBoxWindow(window, &record)) return false;
  if (text) *text = record.text;
  return true;
}

std::string Describe(HWND window) {
  if (!window) return "no window";
  std::u16string text;
  if (IsMessageBox(window, &text)) return "message box \"" + OneLine(text) + "\"";
  const std::string title = OneLine(TitleOf(window));
  if (const UINT id = TemplateIdOf(window)) {
    return "dialog " + std::to_string(id) + (title.empty() ? "" : " '" + title + "'");
  }
  return "window '" + title + "' (class " + ToUtf8(ClassOf(window)) + ")";
}

HWND SymbolKey(HWND window, char16_t digit) {
  if (!window) return nullptr;
  const char16_t name[2] = {digit, 0};
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const auto style = static_cast<DWORD>(GetWindowLong(child, GWL_STYLE));
    if ((style & BS_TYPEMASK) == BS_OWNERDRAW && IsWindowVisible(child) &&
        EqualsNoCase(ClassOf(child), u"BUTTON") && TitleOf(child) == name)
      return child;
  }
  return nullptr;
}

HWND FindControl(HWND window, int id) {
  if (!window) return nullptr;
  // Hidden controls count only when no shown one has the id (a property
  // sheet's pages may share ids; the page in front is meant).
  if (HWND shown = FindControlIn(window, id, true)) return shown;
  return FindControlIn(window, id, false);
}

HWND FindDescendantOfClass(HWND window, LPCWSTR className) {
  if (!window) return nullptr;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == className) return child;
    if (HWND found = FindDescendantOfClass(child, className)) return found;
  }
  return nullptr;
}

bool ParseProperty(std::string_view name, Property* property) {
  for (Property p : {Property::kText, Property::kEnabled, Property::kChecked, Property::kVisible}) {
    if (name == PropertyName(p)) {
      *property = p;
      return true;
    }
  }
  return false;
}

std::string_view PropertyName(Property property) {
  switch (property) {
    case Property::kText:
      return "text";
    case Property::kEnabled:
      return "enabled";
    case Property::kChecked:
      return "checked";
    case Property::kVisible:
      return "visible";
  }
  return "";
}

std::string ReadProperty(HWND control, Property property) {
  switch (property) {
    case Property::kText:
      return ToUtf8(TitleOf(control));
    case Property::kEnabled:
      return IsWindowEnabled(control) ? "1" : "0";
    case Property::kVisible:
      return IsWindowVisible(control) ? "1" : "0";
    case Property::kChecked:
      return std::to_string(SendMessage(control, BM_GETCHECK, 0, 0));
  }
  return "";
}

bool TapPoint(HWND control, POINT* point, std::string* why) {
  if (!IsWindow(control)) {
    *why = "it no longer exists";
    return false;
  }
  if (!IsWindowVisible(control)) {
    *why = "it is hidden";
    return false;
  }
  RECT r{};
  GetWindowRect(control, &r);
  // Only the part inside every parent's client area is on the screen.
  for (HWND current = control; StyleOf(current) & WS_CHILD;) {
    HWND parent = GetParent(current);
    if (!parent) break;
    RECT client{};
    GetClientRect(parent, &client);
    POINT origin{0, 0};
    ClientToScreen(parent, &origin);
    r = Intersect(r, RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
    current = parent;
  }
  r = Intersect(r, RECT{0, 0, screen::kWidth, screen::kHeight});
  if (IsEmpty(r)) {
    *why = "it is off the screen";
    return false;
  }
  // Other top-level windows may lie over it (the input panel, a list);
  // within its own window the controls pass taps on as they should.
  const HWND top = TopLevelOf(control);
  auto reaches = [top](POINT p) {
    HWND hit = WindowFromPoint(p);
    return hit && TopLevelOf(hit) == top;
  };
  const POINT centre = Centre(r);
  if (reaches(centre)) {
    *point = centre;
    return true;
  }
  bool found = false;
  long best = std::numeric_limits<long>::max();
  for (LONG y = r.top; y < r.bottom; y += 2) {
    for (LONG x = r.left; x < r.right; x += 2) {
      const long distance = (x - centre.x) * (x - centre.x) + (y - centre.y) * (y - centre.y);
      if (distance >= best || !reaches(POINT{x, y})) continue;
      best = distance;
      *point = POINT{x, y};
      found = true;
    }
  }
  if (!found) *why = "it is covered by " + Describe(TopLevelOf(WindowFromPoint(centre)));
  return found;
}

bool MatchesFormat(std::u16string_view format, std::u16string_view text) {
  return MatchFrom(format, 0, text, 0);
}

UINT KeyByName(std::string_view name) {
  for (const NamedKey& k : kNamedKeys) {
    if (EqualsAsciiNoCase(name, k.name)) return k.key;
  }
  if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
    int number = 0;
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') return 0;
      number = number * 10 + (c - '0');
    }
    if (name[1] == '0') return 0;
    return ApplicationButtonKey(number);
  }
  return 0;
}

}  // namespace scripted_user

using namespace scripted_user;

namespace {

// What a person types may be a password: it is held once, wiped as soon as
// it has been typed, and never copied on the way (a copy freed unwiped
// would stay in the heap).
class TypedText {
 public:
  explicit TypedText(std::string_view utf8) : text_(FromUtf8(utf8)) {}
  ~TypedText() { Wipe(); }
  TypedText(const TypedText&) = delete;
  TypedText& operator=(const TypedText&) = delete;
  const std::u16string& Get() const { return text_; }
  void Wipe() {
    OPENSSL_cleanse(text_.data(), text_.capacity() * sizeof(char16_t));
    text_.clear();
  }

 private:
  std::u16string text_;
};

// "`command` `utf8`" built in one block, so no temporary holds the text.
std::string ActionText(std::string_view command, std::string_view utf8, std::size_t* typedAt) {
  std::string text;
  text.reserve(command.size() + 1 + utf8.size());
  text.append(command);
  if (!utf8.empty()) text.append(1, ' ');
  *typedAt = text.size();
  text.append(utf8);
  return text;
}

// The typed part of an action's text after it has been played: stars of
// the same length keep listings readable.
void WipeTyped(std::string& text, std::size_t typedAt) {
  if (typedAt >= text.size()) return;
  OPENSSL_cleanse(text.data() + typedAt, text.size() - typedAt);
  std::fill(text.begin() + static_cast<std::ptrdiff_t>(typedAt), text.end(), '*');
}

}  // namespace

// One action: its text as a script writes it, where it came from, and the
// step that plays it (true once the action is complete).
struct ScriptedUser::Action {
  std::string text;
  // Where typed text starts in `text`; it is wiped there once typed.
  std::size_t typedAt = std::string::npos;
  int line = 0;
  std::function<bool(Action&)> step;
  // Progress of an action that takes several idle moments.
  int phase = 0;
  HWND control = nullptr;
  DWORD target = 0;
};

ScriptedUser::ScriptedUser() = default;
ScriptedUser::~ScriptedUser() {
  // Text of actions never played (a stopped run) goes the same way.
  for (const auto& action : actions_) WipeTyped(action->text, action->typedAt);
}

void ScriptedUser::Append(std::string text, std::function<bool(Action&)> step) {
  auto action = std::make_unique<Action>();
  action->text = std::move(text);
  action->step = std::move(step);
  actions_.push_back(std::move(action));
}

void ScriptedUser::AppendTyped(std::string_view command, std::string_view utf8,
                               std::function<bool(Action&)> step) {
  std::size_t typedAt = 0;
  Append(ActionText(command, utf8, &typedAt), std::move(step));
  actions_.back()->typedAt = typedAt;
}

void ScriptedUser::Fail(const std::string& message) const {
  throw ScriptStopped(ScriptStopped::Reason::kUnexpectedScreen, message);
}

HWND ScriptedUser::ControlOrFail(int controlId) const {
  const HWND top = TopmostWindow();
  const HWND control = FindControl(top, controlId);
  if (!control) {
    Fail("the screen shows " + Describe(top) + ", which has no control " +
         std::to_string(controlId));
  }
  return control;
}

HINSTANCE ScriptedUser::StringModule() const {
  return stringModule_ ? stringModule_ : AfxGetResourceHandle();
}

ScriptedUser& ScriptedUser::ExpectDialog(UINT templateId) {
  Append("expect dialog " + std::to_string(templateId), [this, templateId](Action&) {
    const HWND top = TopmostWindow();
    if (!top || TemplateIdOf(top) != templateId || IsMessageBox(top, nullptr)) {
      Fail("expected dialog " + std::to_string(templateId) + ", but the screen shows " +
           Describe(top));
    }
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::ExpectBox(UINT stringId) {
  Append("expect box " + std::to_string(stringId), [this, stringId](Action&) {
    LPCWSTR pointer = nullptr;
    const int length = LoadString(StringModule(), stringId, reinterpret_cast<LPWSTR>(&pointer), 0);
    if (length <= 0 || !pointer) {
      Fail("string " + std::to_string(stringId) + " is not in the string table");
    }
    const std::u16string_view expected(pointer, static_cast<std::size_t>(length));
    const HWND top = TopmostWindow();
    std::u16string shown;
    if (!IsMessageBox(top, &shown) || (shown != expected && !MatchesFormat(expected, shown))) {
      Fail("expected message box \"" + OneLine(expected) + "\", but the screen shows " +
           Describe(top));
    }
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Tap(int controlId) {
  Append("tap " + std::to_string(controlId), [this, controlId](Action&) {
    const HWND control = ControlOrFail(controlId);
    POINT p{};
    std::string why;
    if (!TapPoint(control, &p, &why)) {
      Fail("control " + std::to_string(controlId) + " of " + Describe(TopmostWindow()) +
           " can't be tapped: " + why);
    }
    input::Tap(p.x, p.y);
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::TapItem(int controlId, std::string_view item) {
  const std::u16string wanted = FromUtf8(item);
  const std::string name = "control " + std::to_string(controlId);
  Append("tap " + std::to_string(controlId) + " " + std::string(item), [this, controlId, wanted,
                                                                        name](Action& a) {
    if (a.phase == 0) {
      const HWND control = ControlOrFail(controlId);
      const std::u16string cls = ClassOf(control);
      if (EqualsNoCase(cls, u"SysTabControl32")) {
        int index = 0;
        for (char16_t c : wanted) {
          if (!(c >= u'0' && c <= u'9') || index > 9999) {
            Fail(name + " is a tab control: give the tab's index, not \"" + ToUtf8(wanted) + "\"");
          }
          index = index * 10 + (c - u'0');
        }
        RECT r{};
        if (wanted.empty() || !controls::TabItemScreenRect(control, index, &r)) {
          Fail(name + " has no tab " + ToUtf8(wanted));
        }
        input::Tap(Centre(r).x, Centre(r).y);
        return true;
      }
      if (!EqualsNoCase(cls, u"COMBOBOX")) {
        Fail(name + " of " + Describe(TopmostWindow()) +
             " is neither a combo box nor a tab control");
      }
      a.control = control;
      a.phase = 1;
      if (!controls::ComboListWindow(control)) {
        RECT r{};
        if (!IsWindowVisible(control) || !controls::ComboDropButtonRect(control, &r)) {
          Fail("the drop button of combo box " + std::to_string(controlId) + " can't be tapped");
        }
        input::Tap(Centre(r).x, Centre(r).y);
        return false;
      }
    }
    const HWND combo = a.control;
    if (!IsWindow(combo) || !controls::ComboListWindow(combo)) {
      Fail("the list of combo box " + std::to_string(controlId) + " did not open" +
           (IsWindow(combo) && !IsWindowEnabled(combo) ? " (it is disabled)" : ""));
    }
    const int count = static_cast<int>(SendMessage(combo, CB_GETCOUNT, 0, 0));
    int index = -1;
    for (int pass = 0; pass < 2 && index < 0; ++pass) {
      for (int i = 0; i < count && index < 0; ++i) {
        const auto length = SendMessage(combo, CB_GETLBTEXTLEN, WPARAM(i), 0);
        if (length < 0) continue;
        std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
        SendMessage(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        if (pass == 0 ? text == wanted : EqualsNoCase(text, wanted)) index = i;
      }
    }
    if (index < 0) {
      Fail("combo box " + std::to_string(controlId) + " has no item \"" + ToUtf8(wanted) + "\"");
    }
    RECT r{};
    if (!controls::ComboListScrollTo(combo, index) ||
        !controls::ComboListItemRect(combo, index, &r)) {
      Fail("item \"" + ToUtf8(wanted) + "\" of combo box " + std::to_string(controlId) +
           " can't be shown");
    }
    input::Tap(Centre(r).x, Centre(r).y);
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::TapXY(int x, int y) {
  Append("tapxy " + std::to_string(x) + " " + std::to_string(y), [x, y](Action&) {
    input::Tap(x, y);
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Type(int controlId, std::string_view utf8) {
  auto typed = std::make_shared<TypedText>(utf8);
  AppendTyped("type " + std::to_string(controlId), utf8, [this, controlId, typed](Action& a) {
    const std::u16string& text = typed->Get();
    if (a.phase == 0) {
      // As a person does: tap into the field first, then type once it
      // has the focus.
      a.control = ControlOrFail(controlId);
      POINT p{};
      std::string why;
      if (!TapPoint(a.control, &p, &why)) {
        Fail("control " + std::to_string(controlId) + " of " + Describe(TopmostWindow()) +
             " can't be tapped: " + why);
      }
      input::Tap(p.x, p.y);
      a.phase = 1;
      return false;
    }
    const HWND focus = GetFocus();
    if (!IsWindow(a.control) || !focus || (focus != a.control && !IsChild(a.control, focus))) {
      const bool disabled = IsWindow(a.control) && !IsWindowEnabled(a.control);
      Fail("control " + std::to_string(controlId) + " did not take the focus" +
           (disabled ? " (it is disabled)" : "") + "; the screen shows " +
           Describe(TopmostWindow()));
    }
    SendMessage(focus, EM_SETSEL, 0, -1);
    if (text.empty()) {
      input::Key(VK_BACK);
    } else {
      for (char16_t c : text) input::Char(c);
    }
    typed->Wipe();
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Key(UINT virtualKey) {
  Append("key " + KeyName(virtualKey), [virtualKey](Action&) {
    input::Key(virtualKey);
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Symbols(std::string_view digits) {
  const std::string symbols(digits);
  Append("symbols " + symbols, [this, symbols](Action& a) {
    const char digit = symbols[static_cast<std::size_t>(a.phase)];
    if (digit < '0' || digit > '9') {
      Fail(std::string("a symbol is a digit 0..9, not '") + digit + "'");
    }
    const HWND top = TopmostWindow();
    const HWND key = SymbolKey(top, static_cast<char16_t>(digit));
    if (!key) {
      Fail("the screen shows " + Describe(top) + ", which has no symbol key " +
           std::string(1, digit));
    }
    POINT p{};
    std::string why;
    if (!TapPoint(key, &p, &why))
      Fail(std::string("symbol key ") + digit + " can't be tapped: " + why);
    input::Tap(p.x, p.y);
    // One tap per idle moment: the pad takes each before the next.
    return ++a.phase == static_cast<int>(symbols.size());
  });
  return *this;
}

ScriptedUser& ScriptedUser::Sip(std::string_view utf8) {
  auto typed = std::make_shared<TypedText>(utf8);
  AppendTyped("sip", utf8, [this, typed](Action&) {
    const std::u16string& text = typed->Get();
    std::vector<RECT> taps;
    if (!soft_keyboard::KeysFor(text, &taps)) {
      std::string why = "a character is not on the keyboard";
      if (!shell::IsStarted()) {
        why = "the shell is not running";
      } else if (!shell::PanelUp() && !shell::SipButtonVisible()) {
        why = "the input panel is down and its button hidden";
      }
      Fail("can't type \"" + ToUtf8(text) + "\" on the soft keyboard: " + why);
    }
    for (const RECT& r : taps) input::Tap(Centre(r).x, Centre(r).y);
    typed->Wipe();
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Pen(std::vector<POINT> points) {
  std::string text = "pen";
  for (const POINT& p : points) text += " " + std::to_string(p.x) + "," + std::to_string(p.y);
  Append(std::move(text), [points = std::move(points)](Action&) {
    if (points.empty()) return true;
    input::StylusDown(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i) input::StylusMove(points[i].x, points[i].y);
    input::StylusUp(points.back().x, points.back().y);
    return true;
  });
  return *this;
}

bool ScriptedUser::MoveClockToward(DWORD target) const {
  const DWORD now = clock::Now();
  if (!Before(now, target)) return true;
  // Only as far as the next timer: the loop runs it (and whatever it
  // causes) before time moves on.
  DWORD next = target;
  DWORD due = 0;
  if (NextTimerDue(&due) && Before(now, due) && Before(due, next)) next = due;
  if (clock::IsVirtual()) {
    clock::Advance(next - now);
  } else if (host_.sleep) {
    host_.sleep(next - now);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(next - now));
  }
  return false;
}

ScriptedUser& ScriptedUser::Wait(DWORD milliseconds) {
  Append("wait " + std::to_string(milliseconds), [this, milliseconds](Action& a) {
    if (a.phase == 0) {
      a.target = clock::Now() + milliseconds;
      a.phase = 1;
    }
    return MoveClockToward(a.target);
  });
  return *this;
}

ScriptedUser& ScriptedUser::Sign(std::string name, SignatureStrokes strokes) {
  // The pen events in order: down at a stroke's first point, a move to
  // each further point, up at its last; each due at its time.
  struct PenEvent {
    enum Kind { kDown, kMove, kUp } kind;
    double x, y;
    std::uint32_t t;
  };
  std::vector<PenEvent> events;
  for (const SignatureStroke& stroke : strokes.strokes) {
    for (std::size_t i = 0; i < stroke.size(); ++i) {
      const SignaturePoint& p = stroke[i];
      events.push_back({i == 0 ? PenEvent::kDown : PenEvent::kMove, p.x, p.y, p.t});
    }
    if (!stroke.empty())
      events.push_back({PenEvent::kUp, stroke.back().x, stroke.back().y, stroke.back().t});
  }
  Append("sign " + name, [this, events = std::move(events)](Action& a) {
    if (a.phase == 0) {
      const HWND top = TopmostWindow();
      a.control = FindDescendantOfClass(top, kSignaturePadClass);
      if (a.control == nullptr) Fail("no signature pad on " + Describe(top));
      a.target = clock::Now();
      a.phase = 1;
    }
    const std::size_t index = static_cast<std::size_t>(a.phase - 1);
    if (index >= events.size()) return true;
    const PenEvent& event = events[index];
    if (!MoveClockToward(a.target + event.t)) return false;
    if (!IsWindow(a.control)) Fail("the signature pad went away while signing");
    POINT at{static_cast<LONG>(std::lround(event.x)), static_cast<LONG>(std::lround(event.y))};
    ClientToScreen(a.control, &at);
    at.x = std::clamp<LONG>(at.x, 0, screen::kWidth - 1);
    at.y = std::clamp<LONG>(at.y, 0, screen::kHeight - 1);
    switch (event.kind) {
      case PenEvent::kDown:
        input::StylusDown(at.x, at.y);
        break;
      case PenEvent::kMove:
        input::StylusMove(at.x, at.y);
        break;
      case PenEvent::kUp:
        input::StylusUp(at.x, at.y);
        break;
    }
    ++a.phase;
    return index + 1 >= events.size();
  });
  return *this;
}

ScriptedUser& ScriptedUser::Check(int controlId, Property property, std::string_view value) {
  const std::string expected(value);
  Append("check " + std::to_string(controlId) + " " + std::string(PropertyName(property)) + " " +
             expected,
         [this, controlId, property, expected](Action&) {
           const HWND control = ControlOrFail(controlId);
           const std::string actual = ReadProperty(control, property);
           if (actual != expected) {
             Fail("expected control " + std::to_string(controlId) + " to have " +
                  std::string(PropertyName(property)) + " \"" + expected + "\", but it has \"" +
                  actual + "\" on " + Describe(TopmostWindow()));
           }
           return true;
         });
  return *this;
}

ScriptedUser& ScriptedUser::Shot(std::filesystem::path file) {
  Append("shot " + file.string(), [file](Action&) {
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    std::string error;
    if (!screen::WritePng(file, 1, &error)) {
      throw ScriptStopped(ScriptStopped::Reason::kError,
                          "can't write the screenshot " + file.string() + ": " + error);
    }
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::Then(std::function<void()> step) {
  Append("step", [step = std::move(step)](Action&) {
    step();
    return true;
  });
  return *this;
}

ScriptedUser& ScriptedUser::AtLine(int line) {
  for (; tagged_ < actions_.size(); ++tagged_) actions_[tagged_]->line = line;
  return *this;
}

void ScriptedUser::SetStringModule(HINSTANCE module) {
  stringModule_ = module;
}

void ScriptedUser::SetHost(Host host) {
  host_ = std::move(host);
}

bool ScriptedUser::Step() {
  if (host_.poll) host_.poll();
  if (next_ >= actions_.size()) return false;
  if (!IsIdle()) return true;
  // Stable while the step runs, even if it appends actions.
  Action& action = *actions_[next_];
  bool done = false;
  try {
    done = action.step(action);
  } catch (const ScriptStopped& stop) {
    const std::string where = action.line > 0 ? "line " + std::to_string(action.line)
                                              : "action " + std::to_string(next_ + 1);
    throw ScriptStopped(stop.reason(), where + " (" + action.text + "): " + stop.what());
  }
  if (done) {
    WipeTyped(action.text, action.typedAt);
    ++next_;
  }
  return true;
}

bool ScriptedUser::Finished() const {
  return next_ >= actions_.size();
}

std::size_t ScriptedUser::ActionCount() const {
  return actions_.size();
}

std::size_t ScriptedUser::ActionsDone() const {
  return next_;
}

std::vector<std::string> ScriptedUser::Listing() const {
  std::vector<std::string> lines;
  for (const auto& action : actions_) {
    lines.push_back(action->line > 0 ? "line " + std::to_string(action->line) + ": " + action->text
                                     : action->text);
  }
  return lines;
}

void FailScript(const std::string& message) {
  throw ScriptStopped(ScriptStopped::Reason::kUnexpectedScreen, message);
}

namespace {

[[noreturn]] void RanOut() {
  throw ScriptStopped(ScriptStopped::Reason::kRanOut,
                      "the script ended while the program still waits for input; the screen "
                      "shows " +
                          Describe(TopmostWindow()));
}

// The run's hooks and message-box mode, put back however the run ends.
class Session {
 public:
  explicit Session(ScriptedUser& user) : autoAnswer_(message_box::AutoAnswering()) {
    previousHook_ = SetIdleHook([&user] {
      if (user.Step()) return true;
      // The real clock would block here for good: nothing is left to act.
      if (!clock::IsVirtual()) RanOut();
      return false;
    });
    previousExhausted_ = SetIdleExhaustedHandler([] { RanOut(); });
    message_box::ClearAnswer();
  }
  ~Session() {
    SetIdleHook(std::move(previousHook_));
    SetIdleExhaustedHandler(std::move(previousExhausted_));
    if (autoAnswer_) message_box::SetAnswer(IDOK);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  bool autoAnswer_;
  IdleHook previousHook_;
  IdleExhaustedHandler previousExhausted_;
};

}  // namespace

bool PlayScript(ScriptedUser& user, const std::function<void()>& job,
                const std::function<bool(MSG*)>& preTranslate) {
  Session session(user);
  if (job) job();
  // The job is over (or was only a start): what is left is played from a
  // loop of its own.
  for (;;) {
    MSG msg{};
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return false;
      if (preTranslate && preTranslate(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      continue;
    }
    if (!user.Step()) return true;
  }
}

}  // namespace platform::ui
