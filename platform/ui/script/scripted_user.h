// The scripted user: a person at the device, played by a test or by a
// script file (`pda --script`, see script.h). It looks at the screen as a
// person would (the topmost window, its controls) and acts only through
// platform/ui/window/input.h, so a disabled control ignores its taps and every
// action takes the same road as a real tap or key press.
//
// Actions are queued on a ScriptedUser and played one at a time whenever
// the device is idle (no message waiting, no timer due now): PlayScript
// makes the user the thread's idle hook. A failed expectation stops the run
// with a ScriptStopped exception that unwinds every message loop.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/signature_file.h"
#include "platform/ui/window/window.h"
#include "platform/windef.h"

namespace platform::ui {

// Why a scripted run stopped before its end. Thrown out of the idle hook;
// message loops and modal runs let it through and clean up behind them.
class ScriptStopped : public std::runtime_error {
 public:
  enum class Reason {
    kUnexpectedScreen,  // an expectation failed or an action was impossible
    kRanOut,            // the script ended while the program still waits for input
    kError,             // the run itself failed (e.g. a screenshot can't be written)
  };
  ScriptStopped(Reason reason, const std::string& message);
  Reason reason() const { return reason_; }
  // The exit status pda gives for it: 3, 4 or 1.
  int ExitStatus() const;

 private:
  Reason reason_;
};

inline constexpr int kExitUnexpectedScreen = 3;
inline constexpr int kExitScriptRanOut = 4;

namespace scripted_user {

// The device's hardware application buttons as the host keyboard and the
// scripts name them: F1 is VK_APP1 (0xC1), F2 VK_APP2, ... F12 0xCC. The
// one place this mapping is made.
inline constexpr int kApplicationButtonCount = 12;
constexpr UINT ApplicationButtonKey(int number) {
  return number >= 1 && number <= kApplicationButtonCount ? VK_APP1 + UINT(number - 1) : 0;
}

// Looking at the screen ---------------------------------------------------

// The topmost visible top-level window that is not one of the shell's own
// (taskbar, menu bar, input panel); null when there is none.
HWND TopmostWindow();
bool IsShellWindow(HWND window);
std::u16string ClassOf(HWND window);
std::u16string TitleOf(HWND window);
// The dialog template id (0 for a window that is no template dialog).
UINT TemplateIdOf(HWND window);
// True when `window` is a message box on the screen; its text into *text.
bool IsMessageBox(HWND window, std::u16string* text);
// One line for failure messages: `dialog 628`, `dialog 778 'Welcome'`,
// `message box "Wrong User Password entered!"`, `window 'Help' (class
// HelpViewer)`, or `no window`.
std::string Describe(HWND window);

// A control of `window` by id: a child, else the first descendant with that
// id (controls of property pages sit in child dialogs). Null when missing.
HWND FindControl(HWND window, int id);
// The first descendant of `window` (depth first) of the window class
// `className`; null when there is none.
HWND FindDescendantOfClass(HWND window, LPCWSTR className);

// The key of a symbol pad in `window` that shows symbol `digit` ('0'..'9'):
// an owner-drawn button whose text is the digit. Null when there is none.
HWND SymbolKey(HWND window, char16_t digit);

enum class Property { kText, kEnabled, kChecked, kVisible };
// Property names as scripts write them ("text", ...); false for others.
bool ParseProperty(std::string_view name, Property* property);
std::string_view PropertyName(Property property);
// A control's property as scripts compare it: the text as UTF-8 (the real
// text of a masked field), "1"/"0" for enabled and visible, and the
// BM_GETCHECK state (0, 1, 2) for checked.
std::string ReadProperty(HWND control, Property property);

// The screen point a person taps to hit `control`: the centre of the part
// of it that is on screen and not covered by another window. False (with
// the reason in *why) when the control is hidden or covered completely.
bool TapPoint(HWND control, POINT* point, std::string* why);

// Whether `text` is `format` with each conversion filled in: %d, %i, %u,
// %ld, %lu stand for an integer, %x for hex digits, %s and %ls for any text,
// %% for a percent sign. Other text must match exactly.
bool MatchesFormat(std::u16string_view format, std::u16string_view text);

// Key names of `key`: Enter, Escape, Backspace, Tab, Delete, Left, Right,
// Up, Down and F1..F12 (the application buttons). Case-insensitive; 0 for
// anything else.
UINT KeyByName(std::string_view name);

}  // namespace scripted_user

using platform::SignaturePoint;
using platform::SignatureStroke;
using platform::SignatureStrokes;

class ScriptedUser {
 public:
  using Property = scripted_user::Property;

  // What the host does while the user acts: `poll` runs at every idle
  // moment before an action (the host's window events); `sleep` passes
  // real time during a `wait` on the real clock (default: a plain sleep).
  struct Host {
    std::function<void()> poll;
    std::function<void(DWORD milliseconds)> sleep;
  };

  ScriptedUser();
  ~ScriptedUser();
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // Each appends one action (a script line) and returns *this.
  //
  // The topmost window is dialog `templateId`.
  ScriptedUser& ExpectDialog(UINT templateId);
  // The topmost window is a message box whose text is string `stringId`,
  // or that string used as a format (MatchesFormat).
  ScriptedUser& ExpectBox(UINT stringId);
  // Stylus down and up at the control's TapPoint.
  ScriptedUser& Tap(int controlId);
  // An item of a control: for a combo box the list item with this text
  // (the drop button is tapped, then the item); for a tab control the tab
  // with this index (0 = the first).
  ScriptedUser& TapItem(int controlId, std::string_view item);
  ScriptedUser& TapXY(int x, int y);
  // Taps the control, selects all its text and types `utf8` character by
  // character (an empty text: Backspace, so the field ends empty).
  ScriptedUser& Type(int controlId, std::string_view utf8);
  // A key pressed and released (VK_ code; see KeyByName).
  ScriptedUser& Key(UINT virtualKey);
  // Types by tapping the soft keyboard's keys, raising the panel first.
  ScriptedUser& Sip(std::string_view utf8);
  // Taps, for each digit, the symbol pad's key that shows that symbol
  // (SymbolKey), wherever the pad has put it.
  ScriptedUser& Symbols(std::string_view digits);
  // One stroke: down at the first point, moves through the others, up at
  // the last.
  ScriptedUser& Pen(std::vector<POINT> points);
  // Lets `milliseconds` pass. Virtual clock: the clock moves to each due
  // timer in turn, the loop runs what it causes, then on to the end; no
  // real time passes. Real clock: waits while the loop runs.
  ScriptedUser& Wait(DWORD milliseconds);
  // Writes `strokes` on the signature pad of the window on top, as a
  // stylus would: each point at its place in the pad and at its time (ms
  // from the start of the action) on the device clock. The run stops when
  // no pad is on top. `name` is for listings.
  ScriptedUser& Sign(std::string name, SignatureStrokes strokes);
  ScriptedUser& Check(int controlId, Property property, std::string_view value);
  // The screen as a PNG file (folders are made as needed).
  ScriptedUser& Shot(std::filesystem::path file);
  // A step of the caller's own, at an idle moment like the others. It may
  // stop the run by throwing ScriptStopped (see Fail).
  ScriptedUser& Then(std::function<void()> step);
  // Names the source line of the actions appended since the last call,
  // for messages.
  ScriptedUser& AtLine(int line);

  // Where `expect box` reads its strings: this module; null (the default)
  // means the resource module current when the line runs
  // (AfxGetResourceHandle: the module whose code is running the loop).
  void SetStringModule(HINSTANCE module);
  void SetHost(Host host);

  // Plays the next action, or the next part of one. Does nothing but
  // return true while the device is not idle. False when every action has
  // been played. Throws ScriptStopped.
  bool Step();
  bool Finished() const;
  std::size_t ActionCount() const;
  // Actions played completely so far.
  std::size_t ActionsDone() const;
  // One line per action as a script writes it, with its source line when
  // it has one ("line 3: tap 1").
  std::vector<std::string> Listing() const;

 private:
  struct Action;
  void Append(std::string text, std::function<bool(Action&)> step);
  // An action whose text ends in what the person types (see TypedText).
  void AppendTyped(std::string_view command, std::string_view utf8,
                   std::function<bool(Action&)> step);
  [[noreturn]] void Fail(const std::string& message) const;
  HWND ControlOrFail(int controlId) const;
  HINSTANCE StringModule() const;
  // Lets time pass toward `target` (to the next due timer at most); true
  // once the clock has reached it.
  bool MoveClockToward(DWORD target) const;

  std::vector<std::unique_ptr<Action>> actions_;
  std::size_t next_ = 0;
  std::size_t tagged_ = 0;
  HINSTANCE stringModule_ = nullptr;
  Host host_;
};

// Stops the run from a Then step: an unexpected screen, with `message`.
[[noreturn]] void FailScript(const std::string& message);

// Runs `job` (which may be empty) with `user` as the thread's idle hook and
// real message boxes; when the job returns, plays the actions left in a
// loop of its own (filtering each message through `preTranslate` first,
// e.g. IsDialogMessage of a modeless window) until they are done and the
// device is idle. Throws ScriptStopped: an expectation failed, or the
// script ran out while a modal loop still waits (kRanOut). Returns false
// when WM_QUIT ended the loop before the actions did. Hooks, handlers and
// the message-box mode are put back as they were, also when it throws.
bool PlayScript(ScriptedUser& user, const std::function<void()>& job,
                const std::function<bool(MSG*)>& preTranslate = {});

}  // namespace platform::ui
