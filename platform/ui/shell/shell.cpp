// The shell calls that shape a window's screen (SHInitDialog, SHFullScreen,
// SHDoneButton), the shell's start and its following of the foreground
// window, and CreateProcess for the help viewer.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>

#include "platform/clock.h"
#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/screen.h"
#include "platform/wstring.h"

namespace platform::ui::shell {
namespace {

// What a window asked the shell to show while it is in front. Parts it
// never set come from its owner, and then from the defaults (all shown).
struct WindowState {
  std::optional<bool> taskbar;
  std::optional<bool> sipButton;
  std::optional<bool> startIcon;
  std::optional<bool> done;
  bool noMenuBar = false;
};

// What the shell windows show at the moment (to repaint on change only).
struct Shown {
  HWND foreground = nullptr;
  std::u16string title;
  bool taskbar = true;
  bool startIcon = true;
  bool done = false;
  bool menuBar = true;
  bool sipButton = true;
  bool operator==(const Shown&) const = default;
};

struct Shell {
  bool started = false;
  HWND taskbar = nullptr;
  HWND menuBar = nullptr;
  HWND panel = nullptr;
  std::map<HWND, WindowState> windows;
  Composer previousComposer;
  bool refreshing = false;
  std::optional<Shown> shown;
  std::vector<ProcessStart> processes;
  DWORD nextProcessId = 0x2A10;
};

Shell& S() {
  static Shell shell;
  return shell;
}

bool IsShellWindow(HWND window) {
  const Shell& s = S();
  return window != nullptr && (window == s.taskbar || window == s.menuBar || window == s.panel);
}

// The top-level window a window belongs to.
HWND TopLevel(HWND window) {
  for (int depth = 0; window != nullptr && depth < 64; ++depth) {
    if ((static_cast<DWORD>(GetWindowLong(window, GWL_STYLE)) & WS_CHILD) == 0) return window;
    window = GetParent(window);
  }
  return window;
}

// Resolves one part of the state along the foreground window's owners.
template <typename Part>
std::optional<bool> Resolve(HWND window, Part part) {
  Shell& s = S();
  for (int depth = 0; window != nullptr && depth < 64; ++depth) {
    auto it = s.windows.find(window);
    if (it != s.windows.end() && (it->second.*part).has_value()) return it->second.*part;
    window = GetWindow(window, GW_OWNER);
  }
  return std::nullopt;
}

bool ResolveNoMenuBar(HWND window) {
  Shell& s = S();
  for (int depth = 0; window != nullptr && depth < 64; ++depth) {
    auto it = s.windows.find(window);
    if (it != s.windows.end() && it->second.noMenuBar) return true;
    window = GetWindow(window, GW_OWNER);
  }
  return false;
}

Shown Compute() {
  Shown now;
  const HWND fg = detail::ShellForeground();
  now.foreground = fg;
  now.taskbar = Resolve(fg, &WindowState::taskbar).value_or(true);
  now.startIcon = now.taskbar && Resolve(fg, &WindowState::startIcon).value_or(true);
  now.sipButton = Resolve(fg, &WindowState::sipButton).value_or(true);
  now.menuBar = now.sipButton || !ResolveNoMenuBar(fg);
  now.sipButton = now.sipButton && now.menuBar;
  bool done = false;
  if (fg != nullptr) {
    const auto exStyle = static_cast<DWORD>(GetWindowLong(fg, GWL_EXSTYLE));
    const auto style = static_cast<DWORD>(GetWindowLong(fg, GWL_STYLE));
    done = Resolve(fg, &WindowState::done).value_or((exStyle & WS_EX_CAPTIONOKBTN) != 0);
    // The lock-screen style bit keeps the Done button away whatever was asked.
    if (style & WS_NONAVDONEBUTTON) done = false;
    const int length = GetWindowTextLength(fg);
    if (length > 0) {
      now.title.resize(static_cast<std::size_t>(length) + 1);
      now.title.resize(static_cast<std::size_t>(GetWindowText(fg, now.title.data(), length + 1)));
    }
  }
  now.done = now.taskbar && done;
  return now;
}

void ForgetDeadWindows() {
  Shell& s = S();
  for (auto it = s.windows.begin(); it != s.windows.end();) {
    it = IsWindow(it->first) ? std::next(it) : s.windows.erase(it);
  }
}

// Stores a change to a window's state and lets the shell follow it. False
// with ERROR_INVALID_WINDOW_HANDLE for windows that don't exist.
template <typename F>
BOOL Change(HWND window, F&& change) {
  if (window == nullptr || !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ForgetDeadWindows();
  change(S().windows[TopLevel(window)]);
  Refresh();
  return TRUE;
}

std::int64_t MsOfDayAtTickZero() {
  if (platform::clock::IsVirtual()) return 0;
  static const std::int64_t base = [] {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::int64_t ofDay =
        ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL + ms;
    constexpr std::int64_t kDay = 86'400'000;
    return ((ofDay - static_cast<std::int64_t>(GetTickCount())) % kDay + kDay) % kDay;
  }();
  return base;
}

// The help viewer's process: a named event that is set when the viewer
// closes, so a caller's handle can wait for it and close it independently.
struct ProcessHandles {
  HANDLE own = nullptr;
  HANDLE process = nullptr;
  HANDLE thread = nullptr;
};

ProcessHandles MakeProcessHandles(DWORD processId) {
  WCHAR name[64];
  wsprintf(name, 64, u"PegHelp.exe.%u.%u", static_cast<unsigned>(getpid()),
           static_cast<unsigned>(processId));
  ProcessHandles h;
  h.own = CreateEvent(nullptr, TRUE, FALSE, name);
  if (h.own != nullptr) {
    h.process = CreateEvent(nullptr, TRUE, FALSE, name);
    h.thread = CreateEvent(nullptr, TRUE, FALSE, name);
  } else {
    // Without a device there are no named objects: the handles are events
    // of their own that stay unset.
    h.process = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    h.thread = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  }
  return h;
}

// Each start of the viewer is a process that ends when the viewer closes.
std::multimap<HWND, HANDLE>& ViewerEvents() {
  static std::multimap<HWND, HANDLE> events;
  return events;
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

void Start() {
  Shell& s = S();
  if (s.started) return;
  s.started = true;
  s.taskbar = detail::CreateTaskbar();
  s.menuBar = detail::CreateMenuBar();
  s.panel = detail::CreateInputPanel();
  // Follow the foreground before every frame, so each frame shows the bars
  // of the window in front (the loop composes again after the changes).
  s.previousComposer = SetComposer([] {
    Refresh();
    const Composer& previous = S().previousComposer;
    if (previous) {
      previous();
    } else {
      screen::Compose();
    }
  });
  s.shown.reset();
  Refresh();
}

void Stop() {
  Shell& s = S();
  detail::DestroyHelpViewers();
  if (s.started) {
    SetComposer(s.previousComposer);
    s.previousComposer = nullptr;
    for (HWND w : {s.panel, s.menuBar, s.taskbar}) {
      if (w != nullptr && IsWindow(w)) DestroyWindow(w);
    }
  }
  s.started = false;
  s.taskbar = s.menuBar = s.panel = nullptr;
  s.windows.clear();
  s.shown.reset();
  s.processes.clear();
  detail::ResetInputPanel();
  detail::ResetTaskbarIcons();
}

bool IsStarted() {
  return S().started;
}

void Refresh() {
  Shell& s = S();
  if (!s.started || s.refreshing) return;
  s.refreshing = true;
  const Shown now = Compute();
  if (!s.shown || now.taskbar != s.shown->taskbar) {
    ShowWindow(s.taskbar, now.taskbar ? SW_SHOWNA : SW_HIDE);
  }
  if (!s.shown || now.menuBar != s.shown->menuBar) {
    ShowWindow(s.menuBar, now.menuBar ? SW_SHOWNA : SW_HIDE);
  }
  if (!s.shown || !(now == *s.shown)) {
    InvalidateRect(s.taskbar, nullptr, FALSE);
    InvalidateRect(s.menuBar, nullptr, FALSE);
  }
  s.shown = now;
  s.refreshing = false;
}

HWND TaskbarWindow() {
  return S().taskbar;
}
HWND MenuBarWindow() {
  return S().menuBar;
}
HWND InputPanelWindow() {
  return S().panel;
}

bool TaskbarVisible() {
  Refresh();
  return S().started && S().shown->taskbar;
}
bool StartIconVisible() {
  Refresh();
  return S().started && S().shown->startIcon;
}
bool DoneButtonVisible() {
  Refresh();
  return S().started && S().shown->done;
}
bool MenuBarVisible() {
  Refresh();
  return S().started && S().shown->menuBar;
}
bool SipButtonVisible() {
  Refresh();
  return S().started && S().shown->sipButton;
}

RECT StartIconRect() {
  if (!StartIconVisible()) return {};
  return {0, 0, kTaskbarHeight, kTaskbarHeight};
}
RECT DoneButtonRect() {
  if (!DoneButtonVisible()) return {};
  return {kScreenWidth - 34, 3, kScreenWidth - 3, kTaskbarHeight - 3};
}
RECT SipButtonRect() {
  if (!SipButtonVisible()) return {};
  return {kScreenWidth - 42, kMenuBarTop + 3, kScreenWidth - 14, kScreenHeight - 3};
}
RECT ImSwitchRect() {
  if (!SipButtonVisible()) return {};
  return {kScreenWidth - 14, kMenuBarTop + 3, kScreenWidth - 2, kScreenHeight - 3};
}

int MinutesOfDay(DWORD tick) {
  constexpr std::int64_t kDay = 86'400'000;
  return static_cast<int>(((MsOfDayAtTickZero() + tick) % kDay) / 60'000);
}

std::u16string ClockText(DWORD tick) {
  const int minutes = MinutesOfDay(tick);
  WCHAR text[8];
  wsprintf(text, 8, u"%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

DWORD MsToNextMinute(DWORD tick) {
  return static_cast<DWORD>(60'000 - (MsOfDayAtTickZero() + tick) % 60'000);
}

const std::vector<ProcessStart>& ProcessStarts() {
  return S().processes;
}

namespace detail {

HWND ShellForeground() {
  const HWND fg = GetForegroundWindow();
  return IsShellWindow(fg) ? nullptr : fg;
}

void PressDone() {
  if (!DoneButtonVisible()) return;
  const HWND fg = ShellForeground();
  if (fg != nullptr) PostMessage(fg, WM_COMMAND, MAKELONG(IDOK, BN_CLICKED), 0);
}

void ViewerClosed(HWND viewer) {
  auto& events = ViewerEvents();
  auto [first, last] = events.equal_range(viewer);
  for (auto it = first; it != last; ++it) {
    if (it->second != nullptr) {
      SetEvent(it->second);
      CloseHandle(it->second);
    }
  }
  events.erase(first, last);
}

}  // namespace detail

}  // namespace platform::ui::shell

using namespace platform::ui::shell;

BOOL SHInitDialog(SHINITDLGINFO* info) {
  if (platform::faults::CheckAndSetLastError("SHInitDialog")) return FALSE;
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD flags = (info->dwMask & SHIDIM_FLAGS) ? info->dwFlags : 0;
  const HWND dialog = info->hDlg;
  const BOOL ok = Change(dialog, [flags](WindowState& state) {
    if (flags & SHIDIF_DONEBUTTON) state.done = true;
    if (flags & SHIDIF_FULLSCREENNOMENUBAR) state.noMenuBar = true;
  });
  if (!ok) return FALSE;
  if (flags & SHIDIF_SIPDOWN) detail::LowerPanel(false);
  // The work area below the taskbar: to the bottom of the screen without a
  // menu bar, else to the menu bar, or (SIZEDLG) to the input panel when up.
  int bottom = 0;
  if (flags & SHIDIF_FULLSCREENNOMENUBAR) {
    bottom = kScreenHeight;
  } else if (flags & SHIDIF_SIZEDLGFULLSCREEN) {
    bottom = kMenuBarTop;
  } else if (flags & SHIDIF_SIZEDLG) {
    bottom = PanelUp() ? kPanelTop : kMenuBarTop;
  }
  if (bottom != 0) {
    MoveWindow(dialog, 0, kTaskbarHeight, kScreenWidth, bottom - kTaskbarHeight, TRUE);
  }
  return TRUE;
}

BOOL SHFullScreen(HWND window, DWORD state) {
  if (platform::faults::CheckAndSetLastError("SHFullScreen")) return FALSE;
  const DWORD pairs[3][2] = {{SHFS_SHOWTASKBAR, SHFS_HIDETASKBAR},
                             {SHFS_SHOWSIPBUTTON, SHFS_HIDESIPBUTTON},
                             {SHFS_SHOWSTARTICON, SHFS_HIDESTARTICON}};
  for (const auto& pair : pairs) {
    if ((state & pair[0]) && (state & pair[1])) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
  }
  return Change(window, [state](WindowState& s) {
    auto set = [state](std::optional<bool>& part, DWORD show, DWORD hide) {
      if (state & show) part = true;
      if (state & hide) part = false;
    };
    set(s.taskbar, SHFS_SHOWTASKBAR, SHFS_HIDETASKBAR);
    set(s.sipButton, SHFS_SHOWSIPBUTTON, SHFS_HIDESIPBUTTON);
    set(s.startIcon, SHFS_SHOWSTARTICON, SHFS_HIDESTARTICON);
  });
}

BOOL SHDoneButton(HWND window, DWORD state) {
  if (platform::faults::CheckAndSetLastError("SHDoneButton")) return FALSE;
  if (state != SHDB_SHOW && state != SHDB_HIDE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Change(window, [state](WindowState& s) { s.done = state == SHDB_SHOW; });
}

BOOL CreateProcess(LPCWSTR application, LPCWSTR commandLine, void*, void*, BOOL, DWORD, LPVOID,
                   LPCWSTR, void*, PROCESS_INFORMATION* processInfo) {
  if (platform::faults::CheckAndSetLastError("CreateProcess")) return FALSE;
  std::u16string_view app = application ? std::u16string_view(application) : u"";
  std::u16string_view args = commandLine ? std::u16string_view(commandLine) : u"";
  if (app.empty()) {
    // No application name: it is the command line's first word.
    args = Trim(args);
    const std::size_t space = args.find(u' ');
    app = args.substr(0, space);
    args = space == std::u16string_view::npos ? u"" : args.substr(space + 1);
  }
  std::u16string_view name = FileNameOf(Trim(app));
  if (!platform::EqualsNoCase(name, u"PegHelp.exe") && !platform::EqualsNoCase(name, u"PegHelp")) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // The viewer's argument: a help file, quoted or not, maybe with an anchor.
  std::u16string file(Trim(args));
  if (file.size() >= 2 && file.front() == u'"' && file.back() == u'"') {
    file = file.substr(1, file.size() - 2);
  }
  if (const std::size_t hash = file.find(u'#'); hash != std::u16string::npos) file.resize(hash);
  if (!file.empty() && file.find(u'\\') == std::u16string::npos) file = u"\\Windows\\" + file;

  const HWND viewer = detail::OpenHelpViewer(file);
  if (viewer == nullptr) return FALSE;
  Shell& s = S();
  const DWORD processId = s.nextProcessId;
  s.nextProcessId += 4;
  ProcessHandles handles = MakeProcessHandles(processId);
  ViewerEvents().emplace(viewer, handles.own);
  s.processes.push_back(
      {std::u16string(app), commandLine ? std::u16string(commandLine) : u"", processId, viewer});
  if (processInfo != nullptr) {
    processInfo->hProcess = handles.process;
    processInfo->hThread = handles.thread;
    processInfo->dwProcessId = processId;
    processInfo->dwThreadId = processId + 2;
  } else {
    if (handles.process) CloseHandle(handles.process);
    if (handles.thread) CloseHandle(handles.thread);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
