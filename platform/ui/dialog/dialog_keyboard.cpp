// The keyboard interface of dialogs: Tab through the tab stops, arrows in
// a group, Enter for the default button, Escape for Cancel.
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ui/dialog/dialog.h"
#include "platform/ui/dialog/dialog_internal.h"

namespace platform::ui::dialog_detail {
namespace {

// Shift is seen as it passes through the dialogs' message loops; Shift+Tab
// is the only chord the dialogs need.
thread_local bool t_shiftDown = false;

bool IsControlParent(HWND window) {
  return (GetWindowLong(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
}

// The controls of a dialog in tab order, with the controls of child
// dialogs (pages) in place of the child dialog.
void CollectControls(HWND parent, std::vector<HWND>& out) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsControlParent(child)) {
      if (CanTakeFocus(parent, child)) CollectControls(child, out);
    } else {
      out.push_back(child);
    }
  }
}

std::vector<HWND> Siblings(HWND parent) {
  std::vector<HWND> out;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    out.push_back(child);
  }
  return out;
}

DWORD StyleOf(HWND window) {
  return static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
}

// Index of `control` in `list`, or of its ancestor there (the edit inside
// a combo box stands for the combo box); -1 when neither is.
int IndexOf(const std::vector<HWND>& list, HWND control, HWND dialog) {
  for (HWND current = control; current && current != dialog; current = GetParent(current)) {
    auto it = std::find(list.begin(), list.end(), current);
    if (it != list.end()) return static_cast<int>(it - list.begin());
  }
  return -1;
}

LRESULT DialogCode(HWND control, const MSG& msg) {
  return SendMessage(control, WM_GETDLGCODE, msg.wParam,
                     reinterpret_cast<LPARAM>(const_cast<MSG*>(&msg)));
}

void SendClicked(HWND dialog, int id, HWND button) {
  HWND target = button && GetParent(button) ? GetParent(button) : dialog;
  SendMessage(target, WM_COMMAND, MAKELONG(static_cast<WORD>(id), BN_CLICKED),
              reinterpret_cast<LPARAM>(button));
}

// The group of siblings[index]: from a WS_GROUP control (or the first
// control) to the control before the next WS_GROUP one.
std::pair<int, int> GroupRange(const std::vector<HWND>& siblings, int index) {
  const int count = static_cast<int>(siblings.size());
  int first = index;
  while (first > 0 && !(StyleOf(siblings[static_cast<std::size_t>(first)]) & WS_GROUP)) --first;
  int last = index;
  while (last + 1 < count && !(StyleOf(siblings[static_cast<std::size_t>(last + 1)]) & WS_GROUP)) {
    ++last;
  }
  return {first, last};
}

// Moves within the group and checks an automatic radio button reached
// this way, as a tap on it would.
void MoveInGroup(HWND dialog, HWND focus, bool previous) {
  HWND next = GetNextDlgGroupItem(dialog, focus, previous ? TRUE : FALSE);
  if (!next || next == focus) return;
  FocusControl(dialog, next);
  if (!IsAutoRadioButton(next)) return;
  const std::vector<HWND> siblings = Siblings(GetParent(next));
  const int index =
      static_cast<int>(std::find(siblings.begin(), siblings.end(), next) - siblings.begin());
  const auto [first, last] = GroupRange(siblings, index);
  for (int i = first; i <= last; ++i) {
    HWND other = siblings[static_cast<std::size_t>(i)];
    if (other != next && IsAutoRadioButton(other)) {
      SendMessage(other, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessage(next, BM_SETCHECK, BST_CHECKED, 0);
  SendClicked(dialog, GetDlgCtrlID(next), next);
}

bool HandleKeyDown(HWND dialog, const MSG& msg) {
  HWND focus = msg.hwnd;
  const LRESULT code = focus != dialog ? DialogCode(focus, msg) : 0;
  if (code & DLGC_WANTALLKEYS) return false;
  switch (msg.wParam) {
    case VK_TAB:
      if (code & DLGC_WANTTAB) return false;
      SendMessage(dialog, WM_NEXTDLGCTL, t_shiftDown ? 1 : 0, FALSE);
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if ((code & DLGC_WANTARROWS) || focus == dialog) return false;
      MoveInGroup(dialog, focus, msg.wParam == VK_LEFT || msg.wParam == VK_UP);
      return true;
    case VK_RETURN: {
      if (focus != dialog && IsPushButton(focus) && IsWindowEnabled(focus)) {
        SendClicked(dialog, GetDlgCtrlID(focus), focus);
        return true;
      }
      const LRESULT defId = SendMessage(dialog, DM_GETDEFID, 0, 0);
      const int id = HIWORD(static_cast<DWORD>(defId)) == DC_HASDEFID
                         ? LOWORD(static_cast<DWORD>(defId))
                         : IDOK;
      HWND button = GetDlgItem(dialog, id);
      if (button && !IsWindowEnabled(button)) return true;
      SendClicked(dialog, id, button);
      return true;
    }
    case VK_ESCAPE: {
      HWND button = GetDlgItem(dialog, IDCANCEL);
      if (button && !IsWindowEnabled(button)) return true;
      SendClicked(dialog, IDCANCEL, button);
      return true;
    }
    default:
      return false;
  }
}

// The characters of the navigation keys are not typed into controls that
// don't ask for them.
bool SwallowChar(HWND dialog, const MSG& msg) {
  const WPARAM ch = msg.wParam;
  if (ch != u'\t' && ch != u'\r' && ch != u'\n' && ch != 0x1B) return false;
  HWND focus = msg.hwnd;
  const LRESULT code = focus != dialog ? DialogCode(focus, msg) : 0;
  if (code & DLGC_WANTALLKEYS) return false;
  if (ch == u'\t' && (code & DLGC_WANTTAB)) return false;
  return true;
}

}  // namespace
}  // namespace platform::ui::dialog_detail

using namespace platform::ui::dialog_detail;

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
  if (!dialog || !msg) return FALSE;
  if (msg->wParam == VK_SHIFT) {
    if (msg->message == WM_KEYDOWN) t_shiftDown = true;
    if (msg->message == WM_KEYUP) t_shiftDown = false;
  }
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN && HandleKeyDown(dialog, *msg)) return TRUE;
  if (msg->message == WM_CHAR && SwallowChar(dialog, *msg)) return TRUE;
  TranslateMessage(msg);
  DispatchMessage(msg);
  return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> controls;
  CollectControls(dialog, controls);
  auto isStop = [dialog](HWND c) { return (StyleOf(c) & WS_TABSTOP) && CanTakeFocus(dialog, c); };
  const int count = static_cast<int>(controls.size());
  if (count == 0) return nullptr;
  int start = control ? IndexOf(controls, control, dialog) : -1;
  if (start < 0) start = previous ? 0 : count - 1;
  for (int step = 1; step <= count; ++step) {
    const int i = ((previous ? start - step : start + step) % count + count) % count;
    if (isStop(controls[static_cast<std::size_t>(i)])) return controls[static_cast<std::size_t>(i)];
  }
  return nullptr;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  HWND parent = control ? GetParent(control) : dialog;
  if (!parent) return nullptr;
  const std::vector<HWND> siblings = Siblings(parent);
  const int count = static_cast<int>(siblings.size());
  if (count == 0) return nullptr;
  int index = 0;
  if (control) {
    auto it = std::find(siblings.begin(), siblings.end(), control);
    if (it == siblings.end()) return nullptr;
    index = static_cast<int>(it - siblings.begin());
  }
  const auto [first, last] = GroupRange(siblings, index);
  const int size = last - first + 1;
  for (int step = 1; step <= size; ++step) {
    const int offset = index - first + (previous ? -step : step);
    const int i = first + (offset % size + size) % size;
    if (CanTakeFocus(parent, siblings[static_cast<std::size_t>(i)])) {
      return siblings[static_cast<std::size_t>(i)];
    }
  }
  return control;
}
