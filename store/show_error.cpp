#include "store/show_error.h"

#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/wstring.h"
#include "res/resource_module.h"
#include "res/string_ids.h"

namespace {
constexpr int kTextCapacity = 1024;
}  // namespace

void ShowError(HWND owner, UINT stringId, int code, UINT flags) {
  // Take the last error before any other call can overwrite it.
  if (code == -1) code = static_cast<int>(GetLastError());

  WCHAR text[kTextCapacity] = {};
  LoadString(g_hResourceModule, stringId, text, kTextCapacity);
  WCHAR caption[64] = {};
  LoadString(g_hResourceModule, IDS_ERROR_CAPTION, caption, 64);

  if (code != 0) {
    WCHAR formatted[kTextCapacity] = {};
    wsprintf(formatted, kTextCapacity, text, code);
    MessageBox(owner, formatted, caption, flags | MB_SETFOREGROUND);
    return;
  }
  MessageBox(owner, text, caption, flags | MB_SETFOREGROUND);
}
