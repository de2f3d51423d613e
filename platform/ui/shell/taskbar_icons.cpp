// The programs' icons on the taskbar (Shell_NotifyIcon) and where the
// taskbar shows them.
#include <algorithm>
#include <vector>

#include "platform/faults.h"
#include "platform/ui/shell/shell_internal.h"

namespace platform::ui::shell {
namespace {

struct Entry {
  HWND window;
  UINT id;
  UINT callbackMessage;
  HICON icon;
  std::u16string tip;
};

std::vector<Entry>& Entries() {
  static auto* entries = new std::vector<Entry>();
  return *entries;
}

// Icons whose window is gone go with it, as the program that owned them.
void DropDeadWindows() {
  std::erase_if(Entries(), [](const Entry& e) { return !IsWindow(e.window); });
}

std::vector<Entry>::iterator FindEntry(HWND window, UINT id) {
  return std::find_if(Entries().begin(), Entries().end(),
                      [&](const Entry& e) { return e.window == window && e.id == id; });
}

void Apply(const NOTIFYICONDATA& data, Entry* entry) {
  if (data.uFlags & NIF_MESSAGE) entry->callbackMessage = data.uCallbackMessage;
  if (data.uFlags & NIF_ICON) entry->icon = data.hIcon;
  if (data.uFlags & NIF_TIP) {
    const WCHAR* end = std::find(std::begin(data.szTip), std::end(data.szTip), u'\0');
    entry->tip.assign(data.szTip, end);
  }
}

void RepaintTaskbar() {
  if (HWND bar = TaskbarWindow()) InvalidateRect(bar, nullptr, FALSE);
}

}  // namespace

std::vector<TaskbarIcon> TaskbarIcons() {
  DropDeadWindows();
  std::vector<TaskbarIcon> icons;
  const bool shown = TaskbarVisible();
  LONG right = shown ? detail::TaskbarIconsRight() : 0;
  for (const Entry& e : Entries()) {
    TaskbarIcon icon{e.window, e.id, e.callbackMessage, e.icon, e.tip, {}};
    if (shown) {
      const LONG top = (kTaskbarHeight - 1 - kTaskbarIconSize) / 2;
      icon.rect = {right - kTaskbarIconSize, top, right, top + kTaskbarIconSize};
      right -= kTaskbarIconSize + 4;
    }
    icons.push_back(std::move(icon));
  }
  return icons;
}

namespace detail {

void ResetTaskbarIcons() {
  Entries().clear();
}

}  // namespace detail

}  // namespace platform::ui::shell

using namespace platform::ui::shell;

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data) {
  if (platform::faults::CheckAndSetLastError("Shell_NotifyIcon")) return FALSE;
  if (data == nullptr || data->cbSize != sizeof(NOTIFYICONDATA) || !IsWindow(data->hWnd)) {
    return FALSE;
  }
  DropDeadWindows();
  auto found = FindEntry(data->hWnd, data->uID);
  switch (message) {
    case NIM_ADD: {
      if (found != Entries().end() || !(data->uFlags & NIF_ICON) || data->hIcon == nullptr) {
        return FALSE;
      }
      Entry entry{data->hWnd, data->uID, 0, nullptr, {}};
      Apply(*data, &entry);
      Entries().push_back(std::move(entry));
      break;
    }
    case NIM_DELETE:
      if (found == Entries().end()) return FALSE;
      Entries().erase(found);
      break;
    default:
      return FALSE;
  }
  RepaintTaskbar();
  return TRUE;
}
