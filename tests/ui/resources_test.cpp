// Dialog templates, bitmaps and icons: found through the module handle,
// entered as designed, and drawn as real artwork.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/errors.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/resources.h"
#include "platform/ui/messages.h"
#include "res/artwork/artwork.h"
#include "res/dialog_templates.h"
#include "res/resource_ids.h"
#include "tests/support/temp_device.h"

namespace {

HINSTANCE Self() {
  return GetModuleHandle(nullptr);
}

const DialogItemTemplate* ItemById(const DialogTemplate& dialog, int id) {
  for (std::size_t i = 0; i < dialog.itemCount; ++i) {
    if (dialog.items[i].id == id) return &dialog.items[i];
  }
  return nullptr;
}

// One control as the dialog's design gives it.
struct Expected {
  int id;
  std::u16string className;
  short x, y, cx, cy;
  std::u16string text;  // empty for none
  UINT image = 0;
};

void ExpectItems(UINT templateId, const std::vector<Expected>& expected) {
  SCOPED_TRACE("template " + std::to_string(templateId));
  const DialogTemplate* dialog = FindDialogTemplate(Self(), templateId);
  ASSERT_NE(dialog, nullptr);
  ASSERT_EQ(dialog->itemCount, expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const DialogItemTemplate& item = dialog->items[i];
    const Expected& want = expected[i];
    SCOPED_TRACE("item " + std::to_string(i) + ", id " + std::to_string(want.id));
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(std::u16string(item.className), want.className);
    EXPECT_EQ(item.x, want.x);
    EXPECT_EQ(item.y, want.y);
    EXPECT_EQ(item.cx, want.cx);
    EXPECT_EQ(item.cy, want.cy);
    EXPECT_EQ(item.text ? std::u16string(item.text) : std::u16string(), want.text);
    EXPECT_EQ(item.imageId, want.image);
  }
}

bool Has(DWORD style, DWORD bits) {
  return (style & bits) == bits;
}

// Colour of a bitmap pixel as 0xRRGGBB.
DWORD PixelOf(const BitmapResource& bitmap, LONG x, LONG y) {
  const LONG stride = (bitmap.width * (bitmap.bitsPerPixel / 8) + 3) / 4 * 4;
  const BYTE* row = bitmap.bits + y * stride;
  if (bitmap.bitsPerPixel == 8) return bitmap.palette[row[x]] & 0xFFFFFF;
  const BYTE* p = row + x * 3;
  return static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[0];
}

// How many pixels show each colour (every byte of the bits is read, so a
// table shorter than its size says shows up under the address sanitizer).
std::map<DWORD, int> ColoursOf(const BitmapResource& bitmap) {
  std::map<DWORD, int> colours;
  for (LONG y = 0; y < bitmap.height; ++y) {
    for (LONG x = 0; x < bitmap.width; ++x) ++colours[PixelOf(bitmap, x, y)];
  }
  return colours;
}

std::vector<DWORD> PixelsOf(const BitmapResource& bitmap) {
  std::vector<DWORD> pixels;
  for (LONG y = 0; y < bitmap.height; ++y) {
    for (LONG x = 0; x < bitmap.width; ++x) pixels.push_back(PixelOf(bitmap, x, y));
  }
  return pixels;
}

std::vector<UINT> SymbolIds() {
  std::vector<UINT> ids;
  for (UINT n = 0; n < 10; ++n) ids.push_back(IDB_SYMBOL_SET0 + n);
  for (UINT n = 0; n < 10; ++n) ids.push_back(IDB_SYMBOL_SET1 + n);
  return ids;
}

const std::vector<UINT> kIconIds = {IDI_APPLET,        IDI_PROGRAM_SETTINGS, IDI_DELAY,
                                    IDI_OWNER,         IDI_PASSWORD,         IDI_FALSE_LOGON,
                                    IDI_SECURE_DEVICE, IDI_LOGON_METHODS,    IDI_WIZARD};

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
  const std::filesystem::path target = platform::device::MapPath(u"\\Windows\\Fixture.dll");
  std::filesystem::create_directories(target.parent_path());
  std::filesystem::copy_file(std::filesystem::path(VEYR_FIXTURE_DIR) / "fixture_module.dll",
                             target);
  HMODULE fixture = LoadLibrary(u"Fixture.dll");
  ASSERT_NE(fixture, nullptr);
  // It has a string table but no templates or images: the program's own
  // must not show through.
  WCHAR text[8] = {};
  EXPECT_EQ(LoadString(fixture, 1, text, 8), 3);
  EXPECT_EQ(FindDialogTemplate(fixture, IDD_DELAY), nullptr);
  EXPECT_EQ(FindBitmapResource(fixture, IDB_LOGO), nullptr);
  EXPECT_EQ(FindIconResource(fixture, IDI_APPLET), nullptr);
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

TEST(DialogTemplates, PasswordLogonIsAPopupWithMaskedEntryAndLogo) {
  const DialogTemplate* dialog = FindDialogTemplate(Self(), IDD_PASSWORD_LOGON);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->cx, 162);
  EXPECT_EQ(dialog->cy, 110);
  EXPECT_EQ(std::u16string(dialog->fontFace), u"Tahoma");
  EXPECT_EQ(dialog->style & WS_CAPTION, 0u);
  ExpectItems(IDD_PASSWORD_LOGON, {
                                      {721, u"STATIC", 5, 45, 147, 16, u"Owner information"},
                                      {679, u"EDIT", 5, 66, 151, 12, u""},
                                      {1, u"BUTTON", 5, 85, 46, 14, u"OK"},
                                      {724, u"BUTTON", 59, 85, 46, 14, u"Help"},
                                      {747, u"STATIC", 111, 85, 43, 13, u"", IDB_LOGO},
                                  });
  EXPECT_TRUE(
      Has(ItemById(*dialog, 679)->style, WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP));
  EXPECT_EQ(ItemById(*dialog, 1)->style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(ItemById(*dialog, 724)->style & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(ItemById(*dialog, 747)->style & SS_TYPEMASK, SS_BITMAP);
}

TEST(DialogTemplates, DelayDialogHasProgressTextAndIconButNoButtons) {
  const DialogTemplate* dialog = FindDialogTemplate(Self(), IDD_DELAY);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->cx, 154);
  EXPECT_EQ(dialog->cy, 34);
  EXPECT_EQ(std::u16string(dialog->fontFace), u"MS Sans Serif");
  EXPECT_TRUE(Has(dialog->style, WS_POPUP | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND));
  ExpectItems(IDD_DELAY, {
                             {689, u"msctls_progress32", 30, 14, 118, 14, u""},
                             {688, u"STATIC", 30, 3, 120, 8, u"Next attempt delayed"},
                             {IDC_STATIC, u"STATIC", 3, 10, 20, 20, u"", IDI_DELAY},
                         });
  EXPECT_TRUE(Has(ItemById(*dialog, 689)->style, PBS_SMOOTH | WS_BORDER));
  for (std::size_t i = 0; i < dialog->itemCount; ++i) {
    EXPECT_NE(std::u16string(dialog->items[i].className), u"BUTTON");
  }
}

TEST(DialogTemplates, InstallWizardHasTitleInfoBoxAndTwoMaskedFields) {
  const DialogTemplate* dialog = FindDialogTemplate(Self(), IDD_INSTALL_WIZARD);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->cx, 162);
  EXPECT_EQ(dialog->cy, 154);
  EXPECT_EQ(std::u16string(dialog->fontFace), u"Tahoma");
  EXPECT_TRUE(Has(dialog->style, WS_CAPTION));
  ASSERT_NE(dialog->title, nullptr);
  EXPECT_EQ(std::u16string(dialog->title), u"Welcome");
  ExpectItems(IDD_INSTALL_WIZARD,
              {
                  {IDC_STATIC, u"BUTTON", 7, 3, 148, 117, u"Installation Wizard"},
                  {IDC_STATIC, u"STATIC", 13, 14, 20, 20, u"", IDI_WIZARD},
                  {719, u"EDIT", 38, 14, 109, 46, u""},
                  {732, u"STATIC", 38, 64, 110, 8, u"New Password:"},
                  {684, u"EDIT", 38, 73, 110, 12, u""},
                  {734, u"STATIC", 38, 91, 109, 8, u"Confirm New Password:"},
                  {685, u"EDIT", 38, 100, 110, 12, u""},
                  {717, u"BUTTON", 58, 126, 46, 14, u"Next >>"},
                  {2, u"BUTTON", 109, 126, 46, 14, u"Cancel"},
              });
  EXPECT_EQ(dialog->items[0].style & BS_TYPEMASK, BS_GROUPBOX);
  const DialogItemTemplate* info = ItemById(*dialog, 719);
  EXPECT_TRUE(Has(info->style, ES_MULTILINE | WS_VSCROLL));
  EXPECT_TRUE(Has(info->exStyle, WS_EX_STATICEDGE));
  // The wizard undoes edits itself; the box stays writable.
  EXPECT_EQ(info->style & ES_READONLY, 0u);
  EXPECT_TRUE(Has(ItemById(*dialog, 684)->style, WS_BORDER | ES_PASSWORD | ES_AUTOHSCROLL));
  EXPECT_TRUE(Has(ItemById(*dialog, 685)->style, WS_BORDER | ES_PASSWORD));
  EXPECT_EQ(ItemById(*dialog, 717)->style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST(DialogTemplates, CurrentPasswordPromptIsABorderedCentredPopup) {
  const DialogTemplate* dialog = FindDialogTemplate(Self(), IDD_CURRENT_PASSWORD);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->cx, 144);
  EXPECT_EQ(dialog->cy, 59);
  EXPECT_EQ(std::u16string(dialog->fontFace), u"MS Sans Serif");
  EXPECT_TRUE(Has(dialog->style, WS_POPUP | WS_BORDER | DS_CENTER | DS_SETFOREGROUND));
  EXPECT_NE(dialog->style & WS_CAPTION, WS_CAPTION);
  ExpectItems(IDD_CURRENT_PASSWORD, {
                                        {IDC_STATIC, u"STATIC", 3, 6, 20, 20, u"", IDI_PASSWORD},
                                        {738, u"BUTTON", 27, 5, 112, 29, u"Current Password:"},
                                        {777, u"EDIT", 34, 15, 100, 12, u""},
                                        {1, u"BUTTON", 55, 38, 40, 14, u"OK"},
                                        {2, u"BUTTON", 99, 38, 40, 14, u"Cancel"},
                                    });
  EXPECT_EQ(ItemById(*dialog, 738)->style & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_TRUE(Has(ItemById(*dialog, 777)->style, WS_BORDER | ES_PASSWORD | WS_TABSTOP));
}

TEST(Artwork, TablesAreSortedAndHoldEveryPictureAtItsSize) {
  for (std::size_t i = 1; i < kArtworkBitmapCount; ++i) {
    EXPECT_LT(kArtworkBitmaps[i - 1].id, kArtworkBitmaps[i].id);
  }
  for (std::size_t i = 1; i < kArtworkIconCount; ++i) {
    EXPECT_LT(kArtworkIcons[i - 1].id, kArtworkIcons[i].id);
  }
  struct Size {
    UINT id;
    LONG width, height;
  };
  std::vector<Size> sizes = {{IDB_KEY_BACKSPACE, 32, 28},  {IDB_KEY_CLEAR, 32, 28},
                             {IDB_ALARM_PLAY, 20, 20},     {IDB_ALARM_STOP, 20, 20},
                             {IDB_SWITCH_SET, 24, 24},     {IDB_LOGO, 72, 22},
                             {IDB_SIGNATURE_CLEAR, 54, 14}};
  for (UINT id : SymbolIds()) sizes.push_back({id, 32, 32});
  for (UINT id : {IDB_BANNER_PASSWORD, IDB_BANNER_SYMBOLS, IDB_BANNER_SIGNATURE}) {
    sizes.push_back({id, 227, 60});
  }
  EXPECT_EQ(kArtworkBitmapCount, sizes.size());
  for (const Size& size : sizes) {
    const BitmapResource* bitmap = FindBitmapResource(Self(), size.id);
    ASSERT_NE(bitmap, nullptr) << size.id;
    EXPECT_EQ(bitmap->width, size.width) << size.id;
    EXPECT_EQ(bitmap->height, size.height) << size.id;
    ASSERT_NE(bitmap->bits, nullptr);
  }
  for (UINT id : {IDB_BANNER_PASSWORD, IDB_BANNER_SYMBOLS, IDB_BANNER_SIGNATURE}) {
    const BitmapResource* banner = FindBitmapResource(Self(), id);
    EXPECT_EQ(banner->bitsPerPixel, 8);
    ASSERT_NE(banner->palette, nullptr);
    EXPECT_EQ(banner->paletteSize, 256u);
  }
  EXPECT_EQ(kArtworkIconCount, kIconIds.size());
  for (UINT id : kIconIds) {
    const IconResource* icon = FindIconResource(Self(), id);
    ASSERT_NE(icon, nullptr) << id;
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
  }
}

TEST(Artwork, EveryBitmapIsAPictureNotAFill) {
  for (std::size_t i = 0; i < kArtworkBitmapCount; ++i) {
    const BitmapResource& bitmap = kArtworkBitmaps[i];
    ASSERT_TRUE(bitmap.bitsPerPixel == 8 || bitmap.bitsPerPixel == 24) << bitmap.id;
    if (bitmap.bitsPerPixel == 8) {
      const LONG stride = (bitmap.width + 3) / 4 * 4;
      for (LONG k = 0; k < stride * bitmap.height; ++k) {
        ASSERT_LT(bitmap.bits[k], bitmap.paletteSize) << bitmap.id;
      }
    }
    const std::map<DWORD, int> colours = ColoursOf(bitmap);
    const int pixels = bitmap.width * bitmap.height;
    int commonest = 0;
    for (const auto& entry : colours) commonest = std::max(commonest, entry.second);
    EXPECT_GE(colours.size(), 12u) << bitmap.id;
    EXPECT_LT(commonest, pixels * 7 / 10) << bitmap.id;
  }
  // The banners are full of gradients: they use the palette they carry.
  for (UINT id : {IDB_BANNER_PASSWORD, IDB_BANNER_SYMBOLS, IDB_BANNER_SIGNATURE}) {
    EXPECT_GE(ColoursOf(*FindBitmapResource(Self(), id)).size(), 128u) << id;
  }
}

TEST(Artwork, PicturesThatMeanDifferentThingsLookDifferent) {
  std::vector<UINT> ids = SymbolIds();
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

TEST(Artwork, IconsAreShapesOnATransparentGround) {
  for (std::size_t i = 0; i < kArtworkIconCount; ++i) {
    const IconResource& icon = kArtworkIcons[i];
    SCOPED_TRACE("icon " + std::to_string(icon.id));
    int transparent = 0, opaque = 0;
    std::set<DWORD> colours;
    for (LONG k = 0; k < icon.width * icon.height; ++k) {
      const DWORD alpha = icon.pixels[k] >> 24;
      if (alpha == 0) ++transparent;
      if (alpha == 0xFF) {
        ++opaque;
        colours.insert(icon.pixels[k] & 0xFFFFFF);
      }
    }
    // Corners see through; the shape itself is solid and shaded.
    EXPECT_EQ(icon.pixels[0] >> 24, 0u);
    EXPECT_GT(transparent, 32);
    EXPECT_GT(opaque, 80);
    EXPECT_GE(colours.size(), 8u);
  }
}
