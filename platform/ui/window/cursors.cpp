// Cursors: the arrow and the wait cursor. The handles are the ids
// themselves, stable for the life of the process; the shell draws the wait
// cursor while it is set.
#include <atomic>

#include "platform/kernel.h"
#include "platform/ui/window/window.h"

namespace {

HCURSOR CursorHandle(std::uintptr_t id) {
  return reinterpret_cast<HCURSOR>(id);
}

std::atomic<HCURSOR> g_cursor{CursorHandle(IDC_ARROW)};

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, std::uintptr_t id) {
  if (instance || (id != IDC_ARROW && id != IDC_WAIT)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return CursorHandle(id);
}

HCURSOR SetCursor(HCURSOR cursor) {
  return g_cursor.exchange(cursor);
}

HCURSOR GetCursor() {
  return g_cursor.load();
}
