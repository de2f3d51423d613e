// The input panel: raised and lowered by preference, info record and the
// menu bar's button; its input methods (the soft keyboard and a writing
// pad); the panel window that shows the current one.
#include <algorithm>
#include <iterator>

#include "platform/faults.h"
#include "platform/kernel.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/shell/soft_keyboard.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/window_dc.h"

namespace platform::ui::shell {
namespace {

constexpr LPCWSTR kPanelClass = u"ShellInputPanel";
constexpr DWORD kStoredFlags = SIPF_DOCKED | SIPF_LOCKED | SIPF_DISABLECOMPLETION;

struct InputMethod {
  const char16_t* name;
  CLSID clsid;
};
constexpr InputMethod kMethods[] = {{kKeyboardName, kKeyboardClsid},
                                    {kHandwritingPadName, kHandwritingPadClsid}};
constexpr int kMethodCount = static_cast<int>(std::size(kMethods));

struct Panel {
  bool up = false;
  // SIPF_DOCKED, SIPF_LOCKED and SIPF_DISABLECOMPLETION as last set.
  DWORD flags = SIPF_DOCKED;
  int method = 0;
  HWND window = nullptr;
  // The key under the stylus while it is down.
  const soft_keyboard::Key* pressed = nullptr;
  // The writing pad's ink: the strokes since the pen last came down after
  // a pause.
  std::vector<std::vector<POINT>> strokes;
  bool inking = false;
};

Panel& P() {
  static Panel panel;
  return panel;
}

void SetUp(bool up) {
  Panel& p = P();
  if (p.up == up) return;
  p.up = up;
  p.pressed = nullptr;
  if (p.window != nullptr) ShowWindow(p.window, up ? SW_SHOWNA : SW_HIDE);
  if (HWND menuBar = MenuBarWindow()) InvalidateRect(menuBar, nullptr, FALSE);
  // Windows lay themselves out again for the new visible desktop.
  if (HWND fg = detail::ShellForeground()) PostMessage(fg, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
}

void SetMethod(int method) {
  Panel& p = P();
  if (p.method == method) return;
  p.method = method;
  p.pressed = nullptr;
  p.strokes.clear();
  if (p.window != nullptr) InvalidateRect(p.window, nullptr, FALSE);
  if (HWND menuBar = MenuBarWindow()) InvalidateRect(menuBar, nullptr, FALSE);
}

int MethodOf(const CLSID& clsid) {
  for (int i = 0; i < kMethodCount; ++i) {
    if (kMethods[i].clsid == clsid) return i;
  }
  return -1;
}

bool KeyboardShown() {
  return kMethods[P().method].clsid == kKeyboardClsid;
}

void PaintWritingPad(HDC dc) {
  const RECT all = {0, 0, kScreenWidth, kPanelHeight};
  HBRUSH frame = CreateSolidBrush(RGB(156, 160, 168));
  HBRUSH paper = CreateSolidBrush(RGB(255, 255, 250));
  FillRect(dc, &all, frame);
  const RECT area = {4, 4, kScreenWidth - 4, kPanelHeight - 4};
  FillRect(dc, &area, paper);
  HPEN guide = CreatePen(PS_DASH, 1, RGB(150, 170, 200));
  HGDIOBJ oldPen = SelectObject(dc, reinterpret_cast<HGDIOBJ>(guide));
  MoveToEx(dc, area.left + 6, area.bottom - 18, nullptr);
  LineTo(dc, area.right - 6, area.bottom - 18);
  SelectObject(dc, oldPen);
  DeleteObject(reinterpret_cast<HGDIOBJ>(guide));
  if (P().strokes.empty()) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(150, 150, 150));
    RECT text = area;
    DrawText(dc, u"Write here", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  HPEN ink = CreatePen(PS_SOLID, 2, RGB(0, 0, 96));
  oldPen = SelectObject(dc, reinterpret_cast<HGDIOBJ>(ink));
  for (const auto& stroke : P().strokes) {
    if (stroke.size() == 1) {
      SetPixel(dc, stroke[0].x, stroke[0].y, RGB(0, 0, 96));
    } else {
      Polyline(dc, stroke.data(), static_cast<int>(stroke.size()));
    }
  }
  SelectObject(dc, oldPen);
  DeleteObject(reinterpret_cast<HGDIOBJ>(ink));
  for (HBRUSH b : {frame, paper}) DeleteObject(reinterpret_cast<HGDIOBJ>(b));
}

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(static_cast<DWORD>(lParam))),
          static_cast<short>(HIWORD(static_cast<DWORD>(lParam)))};
}

void InvalidateKey(HWND window, const soft_keyboard::Key* key) {
  if (key != nullptr) InvalidateRect(window, &key->rect, FALSE);
}

LRESULT KeyboardMouse(HWND window, UINT message, POINT pt) {
  Panel& p = P();
  soft_keyboard::State state = soft_keyboard::CurrentState();
  const soft_keyboard::Key* key = soft_keyboard::KeyAt(state.page, pt.x, pt.y);
  if (message == WM_LBUTTONDOWN) {
    p.pressed = key;
    InvalidateKey(window, key);
    SetCapture(window);
    return 0;
  }
  if (message != WM_LBUTTONUP) return 0;
  const soft_keyboard::Key* pressed = p.pressed;
  p.pressed = nullptr;
  if (GetCapture() == window) ReleaseCapture();
  InvalidateKey(window, pressed);
  // A key types when the stylus is lifted on it (sliding off cancels).
  if (pressed == nullptr || pressed != key) return 0;
  const soft_keyboard::State before = state;
  const soft_keyboard::Output out = soft_keyboard::Press(&state, *key);
  soft_keyboard::SetCurrentState(state);
  if (!(state == before)) InvalidateRect(window, nullptr, FALSE);
  if (out.kind == soft_keyboard::Output::Kind::kChar) input::Char(out.character);
  if (out.kind == soft_keyboard::Output::Kind::kKey) input::Key(out.virtualKey);
  return 0;
}

LRESULT WritingPadMouse(HWND window, UINT message, WPARAM wParam, POINT pt) {
  Panel& p = P();
  switch (message) {
    case WM_LBUTTONDOWN:
      // A new word starts when the pen comes down left of the last ink.
      if (!p.strokes.empty() && pt.x < p.strokes.back().front().x - 40) p.strokes.clear();
      if (p.strokes.size() >= 64) p.strokes.clear();
      p.strokes.push_back({pt});
      p.inking = true;
      SetCapture(window);
      break;
    case WM_MOUSEMOVE:
      if (!p.inking || !(wParam & MK_LBUTTON)) return 0;
      if (p.strokes.back().size() < 4096) p.strokes.back().push_back(pt);
      break;
    case WM_LBUTTONUP:
      if (!p.inking) return 0;
      p.strokes.back().push_back(pt);
      p.inking = false;
      if (GetCapture() == window) ReleaseCapture();
      break;
    default:
      return 0;
  }
  InvalidateRect(window, nullptr, FALSE);
  return 0;
}

LRESULT PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (KeyboardShown()) {
        soft_keyboard::Paint(dc, soft_keyboard::CurrentState(), P().pressed);
      } else {
        PaintWritingPad(dc);
      }
      EndPaint(window, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE:
      if (KeyboardShown()) return KeyboardMouse(window, message, PointOf(lParam));
      return WritingPadMouse(window, message, wParam, PointOf(lParam));
    case WM_DESTROY:
      if (P().window == window) P().window = nullptr;
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace

bool PanelUp() {
  return P().up;
}

CLSID CurrentIM() {
  return kMethods[P().method].clsid;
}

std::u16string CurrentIMName() {
  return kMethods[P().method].name;
}

bool KeyboardIsCurrent() {
  return KeyboardShown();
}

void NextIM() {
  SetMethod((P().method + 1) % kMethodCount);
  SetUp(true);
}

int ImSwitchesToKeyboard() {
  const int keyboard = MethodOf(kKeyboardClsid);
  return (keyboard - P().method + kMethodCount) % kMethodCount;
}

namespace detail {

HWND CreateInputPanel() {
  WNDCLASS wc{};
  wc.lpfnWndProc = PanelProc;
  wc.lpszClassName = kPanelClass;
  RegisterClass(&wc);  // fails harmlessly when a previous start registered it
  Panel& p = P();
  p.window = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kPanelClass, u"Input Panel",
                            WS_POPUP | (p.up ? WS_VISIBLE : 0), 0, kPanelTop, kScreenWidth,
                            kPanelHeight, nullptr, 0, nullptr, nullptr);
  return p.window;
}

void ResetInputPanel() {
  Panel& p = P();
  p = Panel{};
  soft_keyboard::SetCurrentState({});
}

void LowerPanel(bool force) {
  // A locked panel keeps itself up against a mere preference.
  if (force || !(P().flags & SIPF_LOCKED)) SetUp(false);
}

void TogglePanel() {
  Panel& p = P();
  // A locked panel stays as it is for the user.
  if (p.flags & SIPF_LOCKED) return;
  SetUp(!p.up);
}

}  // namespace detail

}  // namespace platform::ui::shell

using namespace platform::ui::shell;

BOOL SHSipPreference(HWND window, SIPSTATE state) {
  if (platform::faults::CheckAndSetLastError("SHSipPreference")) return FALSE;
  if (window != nullptr && !IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  switch (state) {
    case SIP_UP:
    case SIP_INPUTDIALOG:
      SetUp(true);
      return TRUE;
    case SIP_DOWN:
    case SIP_FORCEDOWN:
      detail::LowerPanel(state == SIP_FORCEDOWN);
      return TRUE;
    case SIP_UNCHANGED:
      return TRUE;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL SHSipInfo(UINT action, UINT, void* info, UINT) {
  if (platform::faults::CheckAndSetLastError("SHSipInfo")) return FALSE;
  auto* sip = static_cast<SIPINFO*>(info);
  if (sip == nullptr || sip->cbSize != sizeof(SIPINFO) ||
      (action != SPI_GETSIPINFO && action != SPI_SETSIPINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Panel& p = P();
  if (action == SPI_SETSIPINFO) {
    p.flags = sip->fdwFlags & kStoredFlags;
    SetUp((sip->fdwFlags & SIPF_ON) != 0);
    return TRUE;
  }
  sip->fdwFlags = p.flags | (p.up ? SIPF_ON : 0);
  // Without a running shell the screen is laid out as the shell would
  // start: taskbar and menu bar shown.
  const bool started = IsStarted();
  const LONG top = (!started || TaskbarVisible()) ? kTaskbarHeight : 0;
  LONG bottom = (!started || MenuBarVisible()) ? kMenuBarTop : kScreenHeight;
  if (p.up) bottom = kPanelTop;
  sip->rcVisibleDesktop = {0, top, kScreenWidth, bottom};
  sip->rcSipRect = {0, kPanelTop, kScreenWidth, kMenuBarTop};
  sip->dwImDataSize = 0;
  sip->pvImData = 0;
  return TRUE;
}

int SipEnumIM(IMENUMPROC proc) {
  if (platform::faults::CheckAndSetLastError("SipEnumIM")) return 0;
  if (proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  int count = 0;
  for (const InputMethod& method : kMethods) {
    IMENUMINFO info{};
    std::u16string_view name = method.name;
    std::copy(name.begin(), name.end(), info.szName);
    info.clsid = method.clsid;
    ++count;
    if (proc(&info) == 0) break;
  }
  return count;
}

BOOL SipGetCurrentIM(CLSID* clsid) {
  if (platform::faults::CheckAndSetLastError("SipGetCurrentIM")) return FALSE;
  if (clsid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *clsid = CurrentIM();
  return TRUE;
}

BOOL SipSetCurrentIM(CLSID* clsid) {
  if (platform::faults::CheckAndSetLastError("SipSetCurrentIM")) return FALSE;
  const int method = clsid ? MethodOf(*clsid) : -1;
  if (method < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  SetMethod(method);
  return TRUE;
}
