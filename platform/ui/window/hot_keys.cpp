// Hot keys: a registered key goes to its window as WM_HOTKEY and nowhere
// else (see the input routing in message_queue.cpp).
#include <algorithm>

#include "platform/ui/window/window_manager_state.h"

namespace platform::ui::wm {

const HotKey* MatchHotKeyLocked(UINT modifiers, UINT key) {
  for (const HotKey& hot : S().hotKeys) {
    if (hot.modifiers == modifiers && hot.key == key) return &hot;
  }
  return nullptr;
}

void UnregisterHotKeysLocked(HWND hwnd) {
  std::erase_if(S().hotKeys, [&](const HotKey& hot) { return hot.hwnd == hwnd; });
}

}  // namespace platform::ui::wm

using namespace platform::ui::wm;

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
  Lock lock(S().mutex);
  auto& hotKeys = S().hotKeys;
  const Window* w = FindOrFail(window);
  if (!w || w->destroying) return FALSE;
  for (const HotKey& hot : hotKeys) {
    const bool same = hot.hwnd == window && hot.id == id;
    if (!same && hot.modifiers == modifiers && hot.key == virtualKey) {
      Fail(ERROR_HOTKEY_ALREADY_REGISTERED);
      return FALSE;
    }
  }
  for (HotKey& hot : hotKeys) {
    if (hot.hwnd == window && hot.id == id) {
      // The same id again names a new key.
      hot.modifiers = modifiers;
      hot.key = virtualKey;
      return TRUE;
    }
  }
  hotKeys.push_back({window, id, modifiers, virtualKey});
  return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id) {
  Lock lock(S().mutex);
  auto& hotKeys = S().hotKeys;
  const auto it = std::find_if(hotKeys.begin(), hotKeys.end(), [&](const HotKey& hot) {
    return hot.hwnd == window && hot.id == id;
  });
  if (it == hotKeys.end()) {
    Fail(ERROR_HOTKEY_NOT_REGISTERED);
    return FALSE;
  }
  hotKeys.erase(it);
  return TRUE;
}
