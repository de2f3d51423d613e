// The shell's own windows (taskbar, menu bar, input panel, help viewer)
// and their state, for the host, the scripted user and tests. Not for
// module code, which reaches the shell through shell.h only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/shell/shell.h"
#include "platform/ui/window/window.h"

namespace platform::ui::shell {

// Geometry of the shell on the 240 x 320 screen.
inline constexpr int kScreenWidth = 240;
inline constexpr int kScreenHeight = 320;
inline constexpr int kTaskbarHeight = 26;
inline constexpr int kMenuBarHeight = 26;
inline constexpr int kPanelHeight = 80;
inline constexpr int kMenuBarTop = kScreenHeight - kMenuBarHeight;  // 294
inline constexpr int kPanelTop = kMenuBarTop - kPanelHeight;        // 214

// Creates the taskbar, the menu bar and the (hidden) input panel on the
// calling thread, which must be the UI thread. Called by the host and the
// UI tests after the device is open; a second call does nothing.
void Start();
// Destroys the shell's windows and help viewers and forgets all shell
// state (full-screen states, panel flags, current input method, process
// records): a fresh shell for the next test.
void Stop();
bool IsStarted();

// Makes the shell follow the foreground window now: shows or hides the
// taskbar and menu bar and repaints them. The shell does this on its own
// before every composed frame and in every query below; the window manager
// may also call it when the foreground changes.
void Refresh();

HWND TaskbarWindow();
HWND MenuBarWindow();
HWND InputPanelWindow();

// What the shell shows for the current foreground window.
bool TaskbarVisible();
bool StartIconVisible();
bool SipButtonVisible();
bool DoneButtonVisible();
bool MenuBarVisible();
// The input panel is up (its window shown).
bool PanelUp();

// Screen rectangles of the taskbar's parts and the menu bar's buttons
// (empty when not shown).
RECT StartIconRect();
RECT DoneButtonRect();
RECT SipButtonRect();
// The small arrow beside the input-panel button that switches to the next
// input method.
RECT ImSwitchRect();

// The taskbar icons of Shell_NotifyIcon, in the order they were added,
// with where the taskbar shows them (right to left from the clock; empty
// rectangles while the taskbar is hidden).
inline constexpr int kTaskbarIconSize = 16;
struct TaskbarIcon {
  HWND window = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::u16string tip;
  RECT rect{};
};
std::vector<TaskbarIcon> TaskbarIcons();

// The taskbar clock: minutes since midnight for a tick count. On the real
// clock the tick at Start() is mapped to the host's local time of day; on
// the virtual clock tick 0 is midnight, so tests and scripted runs draw
// the same time for the same tick.
int MinutesOfDay(DWORD tick);
std::u16string ClockText(DWORD tick);
// Milliseconds from `tick` to the next full minute of the clock.
DWORD MsToNextMinute(DWORD tick);

// Input methods, in enumeration order.
inline constexpr CLSID kKeyboardClsid = {
    0x6d1e3c40, 0x5a21, 0x4c9e, {0x8b, 0x17, 0x2e, 0x61, 0x0a, 0x93, 0xc4, 0x51}};
inline constexpr CLSID kHandwritingPadClsid = {
    0x6d1e3c41, 0x5a21, 0x4c9e, {0x8b, 0x17, 0x2e, 0x61, 0x0a, 0x93, 0xc4, 0x51}};
inline constexpr char16_t kKeyboardName[] = u"Keyboard";
inline constexpr char16_t kHandwritingPadName[] = u"Handwriting Pad";
CLSID CurrentIM();
std::u16string CurrentIMName();
bool KeyboardIsCurrent();
// Hands the panel to the next input method and raises it (what the IM
// arrow does).
void NextIM();
// Taps on the IM arrow that make the keyboard current.
int ImSwitchesToKeyboard();

// Help viewer and processes.
struct ProcessStart {
  std::u16string application;
  std::u16string commandLine;
  DWORD processId = 0;
  HWND window = nullptr;  // the viewer window
};
// Every successful CreateProcess since the last Stop, in order.
const std::vector<ProcessStart>& ProcessStarts();

// One block of the help text: a paragraph or a heading.
struct HelpParagraph {
  std::u16string text;
  bool heading = false;
};
// The visible text of an HTML page: tags stripped, the usual entities
// decoded, white space collapsed, a block per <p>, <br>, <h1>-<h6>, <li>,
// <div> and <tr>; <head>, <script> and <style> contents dropped.
std::vector<HelpParagraph> ParseHelp(std::string_view html);
// The paragraphs a help viewer window shows, joined by blank lines.
std::u16string HelpViewerText(HWND viewer);
// First line shown and number of lines of a help viewer (scroll state).
int HelpViewerTopLine(HWND viewer);
int HelpViewerLineCount(HWND viewer);

namespace detail {

// Per-file parts of the shell, called by shell.cpp.
HWND CreateTaskbar();
HWND CreateMenuBar();
HWND CreateInputPanel();
void DestroyHelpViewers();
void ResetInputPanel();
// Lowers the panel; unless forced, not while it is locked.
void LowerPanel(bool force);
// The menu bar's input-panel button: raises or lowers the panel unless it
// is locked.
void TogglePanel();
HWND OpenHelpViewer(std::u16string_view file);
// The foreground window the shell follows (null: none, or a shell window).
HWND ShellForeground();
// Taps the Done button: WM_COMMAND IDOK to the foreground window.
void PressDone();
// A help viewer closed: its process ends.
void ViewerClosed(HWND viewer);
// Forgets every taskbar icon.
void ResetTaskbarIcons();
// Where the taskbar's icons end on the right: just left of the clock.
LONG TaskbarIconsRight();

}  // namespace detail

}  // namespace platform::ui::shell
