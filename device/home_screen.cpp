#include "device/home_screen.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <iterator>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/system_names.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/screen.h"
#include "platform/wstring.h"

namespace pda {
namespace {

constexpr UINT_PTR kClockTimer = 1;

// Layout in client pixels of the 240 x 268 work area.
constexpr int kMargin = 10;
constexpr int kBandHeight = 68;
constexpr int kOwnerHeadingTop = 78;
constexpr int kOwnerTop = 94;
constexpr int kEntriesTop = 124;
constexpr int kEntryHeight = 24;
constexpr int kEntryGap = 6;
constexpr int kIconRowHeight = 32;

constexpr COLORREF kBand = RGB(219, 231, 248);
constexpr COLORREF kNavy = RGB(0, 40, 120);

// The owner record of the system: five UTF-16 fields in 768 bytes, the
// name first with room for 36 characters.
constexpr DWORD kOwnerRecordSize = 768;
constexpr std::size_t kOwnerNameLength = 36;

constexpr std::array<const char16_t*, 7> kWeekdays = {
    u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<const char16_t*, 12> kMonths = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};

std::u16string Number(int n) {
  return platform::FromUtf8(std::to_string(n));
}

HFONT MakeFont(int pixels, LONG weight) {
  return CreateFont(-pixels, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
}

}  // namespace

HomeScreen::HomeScreen() = default;

HomeScreen::~HomeScreen() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  for (HFONT font : {dateFont_, timeFont_, headingFont_}) {
    if (font) DeleteObject(font);
  }
}

std::u16string HomeScreen::OwnerName() {
  CRegistryKey key;
  if (OpenRegistryKey(key, HKEY_CURRENT_USER, kOwnerKeyPath, KEY_QUERY_VALUE) != ERROR_SUCCESS)
    return {};
  std::array<BYTE, kOwnerRecordSize> record{};
  DWORD size = kOwnerRecordSize;
  DWORD type = 0;
  const LONG status = RegQueryValueEx(key.Get(), u"Owner", nullptr, &type, record.data(), &size);
  if (status != ERROR_SUCCESS) return {};
  // Read through the zeroed buffer, not only the bytes returned, as the
  // lock screen reads the record: an odd last byte is a character too.
  std::u16string name;
  for (std::size_t i = 0; i < kOwnerNameLength; ++i) {
    const auto c = static_cast<char16_t>(record[2 * i] | (record[2 * i + 1] << 8));
    if (c == 0) break;
    name.push_back(c);
  }
  return name;
}

std::u16string HomeScreen::DateText(DWORD tick) {
  using namespace std::chrono;
  sys_days day;
  if (platform::clock::IsVirtual()) {
    day = sys_days{year{2001} / January / 1} + days{tick / 86'400'000u};
  } else {
    const time_t now = ::time(nullptr);
    tm local{};
    ::localtime_r(&now, &local);
    day = sys_days{year{local.tm_year + 1900} / month{unsigned(local.tm_mon + 1)} /
                   std::chrono::day{unsigned(local.tm_mday)}};
  }
  const year_month_day date{day};
  const weekday wd{day};
  return std::u16string(kWeekdays[wd.c_encoding()]) + u", " + Number(int(unsigned(date.day()))) +
         u" " + kMonths[unsigned(date.month()) - 1] + u" " + Number(int(date.year()));
}

bool HomeScreen::Show() {
  if (window_) {
    SetForegroundWindow(window_);
    return true;
  }
  static const DialogTemplate kTemplate{
      kHomeScreenId, WS_POPUP | DS_SETFONT, 0, 0, 0, 0, 0, u"Today", u"Tahoma", 8, nullptr, 0};
  window_ = CreateDialogIndirectParam(nullptr, &kTemplate, nullptr, &HomeScreen::Proc,
                                      reinterpret_cast<LPARAM>(this));
  if (!window_) return false;
  namespace screen = platform::ui::screen;
  MoveWindow(window_, 0, screen::kTitleBarHeight, screen::kWidth,
             screen::kHeight - screen::kTitleBarHeight - screen::kMenuBarHeight, FALSE);
  dateFont_ = MakeFont(12, FW_BOLD);
  timeFont_ = MakeFont(30, FW_BOLD);
  headingFont_ = MakeFont(11, FW_BOLD);
  const int width = screen::kWidth - 2 * kMargin;
  AddStatic(kHomeDateId, kMargin, 8, width, 16, dateFont_);
  AddStatic(kHomeTimeId, kMargin, 26, width, 36, timeFont_);
  AddStatic(kHomeOwnerId, kMargin, kOwnerTop, width, 16, nullptr);
  Refresh();
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  ArmClock();
  return true;
}

HWND HomeScreen::AddStatic(int id, int x, int y, int width, int height, HFONT font) {
  HWND control =
      CreateWindowEx(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, width,
                     height, window_, static_cast<std::uintptr_t>(id), nullptr, nullptr);
  if (!control) return nullptr;
  if (!font) font = reinterpret_cast<HFONT>(SendMessage(window_, WM_GETFONT, 0, 0));
  SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

bool HomeScreen::AddEntry(int id, std::u16string_view label, std::function<void()> action,
                          HICON icon) {
  if (!window_ || GetDlgItem(window_, id)) return false;
  const int fullWidth = platform::ui::screen::kWidth - 2 * kMargin;
  const int halfWidth = (fullWidth - kEntryGap) / 2;
  if (nextTop_ == 0) nextTop_ = kEntriesTop;
  if (icon && rightHalf_) {
    nextTop_ += kEntryHeight + kEntryGap;
    rightHalf_ = false;
  }
  int x = kMargin;
  int top = nextTop_;
  int width = rightHalf_ ? halfWidth : fullWidth;
  POINT iconAt{};
  if (icon) {
    // The icon left of the button, the button centred on the icon's row.
    iconAt = {kMargin, nextTop_};
    x += kIconRowHeight + kEntryGap;
    width = fullWidth - kIconRowHeight - kEntryGap;
    top += (kIconRowHeight - kEntryHeight) / 2;
    nextTop_ += kIconRowHeight + kEntryGap;
  } else if (rightHalf_) {
    x += halfWidth + kEntryGap;
    nextTop_ += kEntryHeight + kEntryGap;
    rightHalf_ = false;
  } else {
    width = halfWidth;
    rightHalf_ = true;
  }
  const std::u16string text(label);
  HWND button = CreateWindowEx(
      0, u"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, top, width,
      kEntryHeight, window_, static_cast<std::uintptr_t>(id), nullptr, nullptr);
  if (!button) return false;
  SendMessage(button, WM_SETFONT, static_cast<WPARAM>(SendMessage(window_, WM_GETFONT, 0, 0)),
              FALSE);
  entries_.push_back(Entry{id, std::move(action), button, icon, iconAt});
  if (icon) InvalidateRect(window_, nullptr, TRUE);
  return true;
}

void HomeScreen::SetText(int id, const std::u16string& text) {
  HWND control = GetDlgItem(window_, id);
  if (!control) return;
  // Only a change repaints: an unchanged screen makes no new frame.
  WCHAR current[128] = {};
  GetWindowText(control, current, 128);
  if (text != current) SetWindowText(control, text.c_str());
}

void HomeScreen::Refresh() {
  if (!window_) return;
  const DWORD now = platform::clock::Now();
  SetText(kHomeDateId, DateText(now));
  SetText(kHomeTimeId, platform::ui::shell::ClockText(now));
  SetText(kHomeOwnerId, OwnerName());
}

void HomeScreen::ArmClock() {
  const DWORD wait = platform::ui::shell::MsToNextMinute(platform::clock::Now());
  SetTimer(window_, kClockTimer, std::max<DWORD>(wait, 1), nullptr);
}

bool HomeScreen::PreTranslate(MSG* msg) {
  return window_ && IsWindow(window_) && IsDialogMessage(window_, msg);
}

void HomeScreen::Paint(HDC dc) const {
  RECT client{};
  GetClientRect(window_, &client);
  FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBRUSH band = CreateSolidBrush(kBand);
  HBRUSH navy = CreateSolidBrush(kNavy);
  const RECT bandRect{0, 0, client.right, kBandHeight};
  FillRect(dc, &bandRect, band);
  const RECT line{0, kBandHeight, client.right, kBandHeight + 2};
  FillRect(dc, &line, navy);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kNavy);
  const HGDIOBJ previous = SelectObject(dc, headingFont_);
  TextOut(dc, kMargin, kOwnerHeadingTop, u"Owner", 5);
  // A hint in the empty field; the field's own text stays empty.
  HWND owner = GetDlgItem(window_, kHomeOwnerId);
  if (owner && GetWindowTextLength(owner) == 0) {
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessage(window_, WM_GETFONT, 0, 0)));
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    constexpr char16_t kHint[] = u"No owner information";
    TextOut(dc, kMargin, kOwnerTop, kHint, static_cast<int>(std::size(kHint) - 1));
  }
  SelectObject(dc, previous);
  for (const Entry& entry : entries_) {
    if (entry.icon) DrawIcon(dc, entry.iconAt.x, entry.iconAt.y, entry.icon);
  }
  DeleteObject(band);
  DeleteObject(navy);
}

LONG_PTR HomeScreen::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLong(window, DWL_USER, lParam);
    return FALSE;  // no focus: the screen has no field to type into
  }
  auto* self = reinterpret_cast<HomeScreen*>(GetWindowLong(window, DWL_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_ERASEBKGND:
      self->Paint(reinterpret_cast<HDC>(wParam));
      SetWindowLong(window, DWL_MSGRESULT, 1);
      return TRUE;
    case WM_TIMER:
      if (wParam != kClockTimer) return FALSE;
      self->Refresh();
      self->ArmClock();
      return TRUE;
    case WM_ACTIVATE:
      // Back in front: the owner may have been edited meanwhile.
      if (LOWORD(static_cast<DWORD>(wParam)) != WA_INACTIVE) self->Refresh();
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(static_cast<DWORD>(wParam));
      for (const Entry& entry : self->entries_) {
        if (entry.id == id && HIWORD(static_cast<DWORD>(wParam)) == BN_CLICKED) {
          // A copy: the action may add entries.
          const std::function<void()> action = entry.action;
          if (action) action();
          return TRUE;
        }
      }
      // Enter, Escape and closing do nothing: the home screen stays.
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace pda
