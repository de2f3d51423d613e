// Dialog templates, bitmaps and icons: found through the module handle,
// entered as designed, and drawn as real artwork.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/errors.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/resources.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/messages.h"
#include "res/artwork/artwork.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

HINSTANCE Self() {
  return GetModuleHandle(nullptr);
}

bool Has(DWORD style, DWORD bits) {
  return (style & bits) == bits;
}

// The pixels as 0xRRGGBB. Every byte of the bits is read, so a table
// shorter than its size says shows up under the address sanitizer.
std::vector<DWORD> PixelsOf(const BitmapResource& bitmap) {
  const LONG stride = (bitmap.width * (bitmap.bitsPerPixel / 8) + 3) / 4 * 4;
  std::vector<DWORD> pixels;
  for (LONG y = 0; y < bitmap.height; ++y) {
    const BYTE* row = bitmap.bits + y * stride;
    for (LONG x = 0; x < bitmap.width; ++x) {
      pixels.push_back(bitmap.bitsPerPixel == 8
                           ? bitmap.palette[row[x]] & 0xFFFFFF
                           : DWORD(row[3 * x + 2]) << 16 | DWORD(row[3 * x + 1]) << 8 | row[3 * x]);
    }
  }
  return pixels;
}

}  // namespace

TEST(ResourceLookup, FindsEveryResourceOfTheProgramThroughItsHandle) {
  for (UINT id : {IDD_PASSWORD_LOGON, IDD_DELAY, IDD_INSTALL_WIZARD, IDD_CURRENT_PASSWORD}) {
    const DialogTemplate* found = FindDialogTemplate(Self(), id);
    ASSERT_NE(found, nullptr) << id;
    EXPECT_EQ(found->id, id);
    // A null instance means the program itself, as for LoadString.
    EXPECT_EQ(FindDialogTemplate(nullptr, id), found);
  }
  for (std::size_t i = 0; i < kArtworkBitmapCount; ++i) {
    EXPECT_EQ(FindBitmapResource(Self(), kArtworkBitmaps[i].id), &kArtworkBitmaps[i]);
  }
  for (std::size_t i = 0; i < kArtworkIconCount; ++i) {
    EXPECT_EQ(FindIconResource(nullptr, kArtworkIcons[i].id), &kArtworkIcons[i]);
  }
}

TEST(ResourceLookup, UnknownIdsAndHandlesGiveNullAndSuccessKeepsTheLastError) {
  SetLastError(1234);
  EXPECT_NE(FindBitmapResource(Self(), IDB_LOGO), nullptr);
  EXPECT_EQ(GetLastError(), 1234u);

  // Ids of the other kinds, and ids between and beyond the table's.
  EXPECT_EQ(FindDialogTemplate(Self(), IDB_LOGO), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindBitmapResource(Self(), IDI_APPLET), nullptr);
  EXPECT_EQ(FindBitmapResource(Self(), 560), nullptr);  // between the two symbol sets
  EXPECT_EQ(FindIconResource(Self(), IDD_DELAY), nullptr);
  EXPECT_EQ(FindIconResource(Self(), 0), nullptr);
  EXPECT_EQ(FindDialogTemplate(Self(), 0xFFFFFFFFu), nullptr);

  int notAModule = 0;
  auto bogus = reinterpret_cast<HINSTANCE>(&notAModule);
  EXPECT_EQ(FindDialogTemplate(bogus, IDD_DELAY), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ResourceLookup, ALoadedModuleShowsOnlyItsOwnResources) {
  testing_support::TempDevice device(false);
  testing_support::InstallFixture("fixture_module.dll", u"\\Windows\\Fixture.dll");
  HMODULE fixture = LoadLibrary(u"Fixture.dll");
  ASSERT_NE(fixture, nullptr);
  // It has a string table and one icon but no templates or bitmaps: the
  // program's own must not show through.
  WCHAR text[8] = {};
  EXPECT_EQ(LoadString(fixture, 1, text, 8), 3);
  EXPECT_EQ(FindDialogTemplate(fixture, IDD_DELAY), nullptr);
  EXPECT_EQ(FindBitmapResource(fixture, IDB_LOGO), nullptr);
  EXPECT_EQ(FindIconResource(fixture, IDI_APPLET), nullptr);
  EXPECT_TRUE(FreeLibrary(fixture));
}

// A module's icon is shared while its picture stays; when another picture
// takes its place (a module loaded where an unloaded one was), LoadIcon
// shows the new one and lets the old one go.
TEST(ModuleIcons, AreSharedUntilTheModuleHoldsAnotherPicture) {
  testing_support::TempDevice device(false);
  testing_support::InstallFixture("fixture_module.dll", u"\\Windows\\Fixture.dll");
  HMODULE fixture = LoadLibrary(u"Fixture.dll");
  ASSERT_NE(fixture, nullptr);
  using PaintProc = void (*)(int, DWORD);
  auto paint = reinterpret_cast<PaintProc>(GetProcAddress(fixture, "FixturePaintIcon"));
  ASSERT_NE(paint, nullptr);

  paint(2, 0xFFFF0000);
  const HICON red = LoadIcon(fixture, 1);
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(LoadIcon(fixture, 1), red);
  EXPECT_TRUE(DestroyIcon(red));  // shared: it stays
  SIZE size{};
  ASSERT_TRUE(GetIconSize(red, &size));
  EXPECT_EQ(size.cx, 2);

  paint(3, 0xFF0000FF);
  const HICON blue = LoadIcon(fixture, 1);
  ASSERT_TRUE(GetIconSize(blue, &size));
  EXPECT_EQ(size.cx, 3);
  EXPECT_FALSE(GetIconSize(red, &size));

  // Same size, other colour: the pixels count too.
  paint(3, 0xFF00FF00);
  const HICON green = LoadIcon(fixture, 1);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP canvas = CreateCompatibleBitmap(dc, 4, 4);
  HGDIOBJ old = SelectObject(dc, canvas);
  ASSERT_TRUE(DrawIcon(dc, 0, 0, green));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0xFF, 0));
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  EXPECT_TRUE(FreeLibrary(fixture));
}

TEST(DialogTemplates, AreSortedByIdAndEveryItemIsComplete) {
  ASSERT_GE(kDialogTemplateCount, 4u);
  // The signature pad is named by the component's class id.
  const std::set<std::u16string> classes = {
      u"STATIC", u"BUTTON", u"EDIT", u"COMBOBOX", u"msctls_progress32", kSignaturePadClassId};
  for (std::size_t i = 0; i < kDialogTemplateCount; ++i) {
    const DialogTemplate& dialog = kDialogTemplates[i];
    SCOPED_TRACE("template " + std::to_string(dialog.id));
    if (i > 0) {
      EXPECT_LT(kDialogTemplates[i - 1].id, dialog.id);
    }
    EXPECT_TRUE(Has(dialog.style, WS_POPUP | DS_SETFONT));
    ASSERT_NE(dialog.fontFace, nullptr);
    EXPECT_EQ(dialog.fontPointSize, 8);
    std::set<int> ids;
    for (std::size_t k = 0; k < dialog.itemCount; ++k) {
      const DialogItemTemplate& item = dialog.items[k];
      ASSERT_NE(item.className, nullptr);
      EXPECT_TRUE(classes.count(item.className)) << "item " << item.id;
      EXPECT_TRUE(item.id == IDC_STATIC || ids.insert(item.id).second) << "twice: " << item.id;
      // Every item fits inside its dialog.
      EXPECT_LE(item.x + item.cx, dialog.cx) << "item " << item.id;
      EXPECT_LE(item.y + item.cy, dialog.cy) << "item " << item.id;
      // Pictures named by a template exist in the kind it shows.
      const DWORD kind = item.style & SS_TYPEMASK;
      if (std::u16string(item.className) == u"STATIC" && kind == SS_ICON) {
        EXPECT_NE(FindIconResource(Self(), item.imageId), nullptr) << item.imageId;
      }
      if (std::u16string(item.className) == u"STATIC" && kind == SS_BITMAP) {
        EXPECT_NE(FindBitmapResource(Self(), item.imageId), nullptr) << item.imageId;
      }
    }
  }
}

// Every field that takes a password hides what is typed.
TEST(DialogTemplates, PasswordFieldsAreMasked) {
  const struct {
    UINT dialog;
    int field;
  } secrets[] = {{IDD_PASSWORD_LOGON, 679},
                 {IDD_INSTALL_WIZARD, 684},
                 {IDD_INSTALL_WIZARD, 685},
                 {IDD_CURRENT_PASSWORD, 777}};
  for (const auto& secret : secrets) {
    const DialogTemplate* dialog = FindDialogTemplate(Self(), secret.dialog);
    ASSERT_NE(dialog, nullptr);
    const DialogItemTemplate* end = dialog->items + dialog->itemCount;
    const DialogItemTemplate* item = std::find_if(
        dialog->items, end, [&](const DialogItemTemplate& i) { return i.id == secret.field; });
    ASSERT_NE(item, end) << secret.field;
    EXPECT_EQ(std::u16string(item->className), u"EDIT");
    EXPECT_TRUE(Has(item->style, ES_PASSWORD)) << secret.field;
  }
}

TEST(Artwork, PicturesThatMeanDifferentThingsLookDifferent) {
  std::vector<UINT> ids;
  for (UINT n = 0; n < 10; ++n) ids.insert(ids.end(), {IDB_SYMBOL_SET0 + n, IDB_SYMBOL_SET1 + n});
  for (UINT id : {IDB_BANNER_PASSWORD, IDB_BANNER_SYMBOLS, IDB_BANNER_SIGNATURE, IDB_ALARM_PLAY,
                  IDB_ALARM_STOP, IDB_KEY_BACKSPACE, IDB_KEY_CLEAR}) {
    ids.push_back(id);
  }
  std::map<std::vector<DWORD>, UINT> seen;
  for (UINT id : ids) {
    const auto [it, fresh] = seen.emplace(PixelsOf(*FindBitmapResource(Self(), id)), id);
    EXPECT_TRUE(fresh) << id << " looks exactly like " << it->second;
  }
  std::set<std::vector<DWORD>> icons;
  for (std::size_t i = 0; i < kArtworkIconCount; ++i) {
    const IconResource& icon = kArtworkIcons[i];
    icons.emplace(icon.pixels, icon.pixels + icon.width * icon.height);
  }
  EXPECT_EQ(icons.size(), kArtworkIconCount);
}
