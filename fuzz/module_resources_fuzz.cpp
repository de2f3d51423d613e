// A module's resources are whatever the library that publishes them holds:
// string tables and dialog templates with any ids, texts, classes, styles
// and positions, and the bitmaps and icons the items name. This program
// publishes a directory made from the input as its own module's, then loads
// its strings and runs its dialogs as the class library would.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_device.h"
#include "fuzz/support/fuzz_input.h"
#include "platform/kernel.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"

namespace {

constexpr LPCWSTR kClasses[] = {
    u"BUTTON",          u"STATIC",  u"EDIT",  u"COMBOBOX", u"msctls_progress32",
    u"SysTabControl32", u"LISTBOX", u"Dialog"};

// Owns everything the directory points into for one input.
struct Resources {
  std::deque<std::u16string> texts;
  std::vector<StringResource> strings;
  std::vector<std::vector<DialogItemTemplate>> items;
  std::vector<DialogTemplate> dialogs;
  std::deque<std::vector<DWORD>> palettes;
  std::deque<std::vector<BYTE>> bits;
  std::vector<BitmapResource> bitmaps;
  std::deque<std::vector<DWORD>> pixels;
  std::vector<IconResource> icons;
  ResourceDirectory directory;
};
Resources* g_resources = nullptr;

// A text, or null when the flag bit says so.
LPCWSTR Text(fuzz::Input& in, Resources& r, bool allowNull) {
  std::u16string text = in.Text16();
  if (allowNull && text.empty()) return nullptr;
  r.texts.push_back(std::move(text));
  return r.texts.back().c_str();
}

short Short(fuzz::Input& in) {
  return static_cast<short>(in.U16());
}

void Build(fuzz::Input& in, Resources& r) {
  const int strings = in.U8() % 24;
  for (int i = 0; i < strings; ++i) {
    const UINT id = in.U16();
    r.strings.push_back({id, Text(in, r, true)});
  }
  const int dialogs = in.U8() % 3;
  r.items.resize(dialogs);
  for (int d = 0; d < dialogs; ++d) {
    DialogTemplate t{};
    t.id = in.U16();
    t.style = in.U32();
    t.exStyle = in.U32();
    t.x = Short(in), t.y = Short(in), t.cx = Short(in), t.cy = Short(in);
    t.title = Text(in, r, true);
    t.fontFace = Text(in, r, true);
    t.fontPointSize = in.U8();
    const int count = in.U8() % 16;
    for (int i = 0; i < count; ++i) {
      DialogItemTemplate item{};
      item.id = Short(in);
      const std::uint8_t kind = in.U8();
      item.className = kind < 0xF0 ? kClasses[kind % std::size(kClasses)] : Text(in, r, false);
      item.style = in.U32();
      item.exStyle = in.U32();
      item.x = Short(in), item.y = Short(in), item.cx = Short(in), item.cy = Short(in);
      item.text = Text(in, r, true);
      item.imageId = in.U16();
      r.items[d].push_back(item);
    }
    t.items = r.items[d].data();
    t.itemCount = r.items[d].size();
    r.dialogs.push_back(t);
  }
  const int bitmaps = in.U8() % 3;
  for (int b = 0; b < bitmaps; ++b) {
    BitmapResource bitmap{};
    bitmap.id = in.U16();
    bitmap.width = in.U8() % 64;
    bitmap.height = in.U8() % 64;
    bitmap.bitsPerPixel = in.U8() & 1 ? 24 : 8;
    // The palette may be shorter than the pixels' indexes reach.
    auto& palette = r.palettes.emplace_back(in.U8());
    for (DWORD& entry : palette) entry = in.U32();
    const std::size_t stride = ((bitmap.width * bitmap.bitsPerPixel / 8) + 3) / 4 * 4;
    auto& bits = r.bits.emplace_back(stride * bitmap.height);
    const std::string_view given = in.Chunk();
    if (!bits.empty() && !given.empty())
      std::memcpy(bits.data(), given.data(), std::min(given.size(), bits.size()));
    bitmap.palette = palette.empty() ? nullptr : palette.data();
    bitmap.paletteSize = palette.size();
    bitmap.bits = bits.data();
    r.bitmaps.push_back(bitmap);
  }
  const int icons = in.U8() % 3;
  for (int i = 0; i < icons; ++i) {
    IconResource icon{};
    icon.id = in.U16();
    icon.width = in.U8() % 48;
    icon.height = in.U8() % 48;
    auto& pixels = r.pixels.emplace_back(std::size_t(icon.width) * icon.height);
    const std::string_view given = in.Chunk();
    if (!pixels.empty() && !given.empty())
      std::memcpy(pixels.data(), given.data(), std::min(given.size(), pixels.size() * 4));
    icon.pixels = pixels.data();
    r.icons.push_back(icon);
  }
  r.directory = {r.strings.data(), r.strings.size(), r.dialogs.data(), r.dialogs.size(),
                 r.bitmaps.data(), r.bitmaps.size(), r.icons.data(),   r.icons.size()};
}

// The dialog of the modal run: a template may make one that never becomes
// the active window (disabled, a child without a parent), so the end step
// ends it by its handle.
HWND g_dialog = nullptr;

LONG_PTR DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    g_dialog = dialog;
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// A modal run with a few taps and keys, then the dialog is ended.
void RunDialog(const DialogTemplate& t, fuzz::Input& in) {
  std::deque<std::function<void()>> steps;
  for (int i = 0; i < 4; ++i) {
    const int x = in.U8(), y = in.U8() + in.U8() / 2;
    steps.push_back([x, y] { platform::ui::input::Tap(x, y); });
    steps.push_back([key = in.U8()] {
      constexpr UINT kKeys[] = {VK_TAB, VK_RETURN, VK_ESCAPE, VK_DOWN, VK_LEFT, 'A'};
      platform::ui::input::Key(kKeys[key % std::size(kKeys)]);
    });
  }
  auto end = [] {
    if (HWND active = GetActiveWindow()) EndDialog(active, IDCANCEL);
    if (g_dialog) EndDialog(g_dialog, IDCANCEL);
  };
  auto hook = platform::ui::SetIdleHook([&] {
    if (steps.empty()) {
      end();
      return true;
    }
    auto step = std::move(steps.front());
    steps.pop_front();
    step();
    return true;
  });
  // Direct, and by id through the module's table.
  if (in.U8() & 1)
    DialogBoxParam(nullptr, t.id, nullptr, DialogProc, 0);
  else
    DialogBoxIndirectParam(nullptr, &t, nullptr, DialogProc, 0);
  platform::ui::SetIdleHook(std::move(hook));
  g_dialog = nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const ResourceDirectory* ModuleResources() {
  static const ResourceDirectory none{};
  return g_resources ? &g_resources->directory : &none;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  platform::ui::SetIdleExhaustedHandler([] {
    if (HWND active = GetActiveWindow()) EndDialog(active, IDCANCEL);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  Resources resources;
  Build(in, resources);
  g_resources = &resources;

  for (const StringResource& s : resources.strings) {
    const int capacity = in.U8() % 40;
    if (capacity == 0) {
      const WCHAR* text = nullptr;
      const int length = LoadString(nullptr, s.id, reinterpret_cast<LPWSTR>(&text), 0);
      if (length > 0 && (text == nullptr || text[length] != 0)) fuzz::Broken("a string's pointer");
      continue;
    }
    std::vector<WCHAR> buffer(capacity + 1, u'#');
    const int copied = LoadString(nullptr, s.id, buffer.data(), capacity);
    if (copied < 0 || copied >= capacity || (copied > 0 && buffer[copied] != 0) ||
        buffer[capacity] != u'#')
      fuzz::Broken("a copied string overran its buffer");
  }
  for (const DialogTemplate& t : resources.dialogs) RunDialog(t, in);

  g_resources = nullptr;
  return 0;
}
