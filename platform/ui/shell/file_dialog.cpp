// The open-file dialog: a list of the folders and files of the device's
// file system filtered by a pattern, a ".." entry to go up, a name field
// and OK / Cancel.
#include "platform/ui/shell/file_dialog.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/dialog/dialog_internal.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"

namespace fs = std::filesystem;

namespace {

using platform::ui::dialog_detail::DialogFont;

constexpr LPCWSTR kListClass = u"FileDialogList";
constexpr int kFolderLabelId = IDC_FILEDIALOG_FOLDER;
constexpr int kListId = IDC_FILEDIALOG_LIST;
constexpr int kNameLabelId = 0x402;
constexpr int kNameId = IDC_FILEDIALOG_NAME;
constexpr int kTypeLabelId = 0x404;
constexpr int kTypeId = IDC_FILEDIALOG_TYPE;
// Notifications of the list to the dialog.
constexpr WORD kListSelChange = 1;
constexpr WORD kListOpen = 2;

thread_local DWORD t_lastError = 0;

struct Entry {
  std::u16string name;
  bool folder;
  bool up;  // the ".." entry
};

struct Session {
  OPENFILENAME* ofn = nullptr;
  std::u16string title;
  std::u16string typeText;
  std::vector<std::u16string> patterns;  // case-folded
  std::u16string folder;                 // device path: "\" or "\My Documents"
  std::vector<Entry> entries;
  int selection = -1;
  int top = 0;
  int dragY = -1;
  HWND dialog = nullptr;
  std::u16string chosen;
};

// --- device paths --------------------------------------------------------

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = path.size();
    std::u16string part(path.substr(start, end - start));
    start = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  return parts;
}

std::u16string JoinPath(const std::vector<std::u16string>& parts) {
  if (parts.empty()) return u"\\";
  std::u16string out;
  for (const auto& part : parts) out += u"\\" + part;
  return out;
}

// `name` taken in `folder`, or from the root when it starts with '\'.
std::u16string Resolve(const std::u16string& folder, const std::u16string& name) {
  if (!name.empty() && (name[0] == u'\\' || name[0] == u'/')) return JoinPath(SplitPath(name));
  return JoinPath(SplitPath(folder + u"\\" + name));
}

// The device path of an existing host path, with the spelling on disk.
std::u16string Spelled(const std::u16string& devicePath) {
  const fs::path root = platform::device::MapPath(u"\\");
  const fs::path host = platform::device::MapPath(devicePath);
  std::vector<std::u16string> parts;
  for (const auto& part : host.lexically_relative(root)) {
    const std::string text = part.string();
    if (!text.empty() && text != ".") parts.push_back(platform::FromUtf8(text));
  }
  return JoinPath(parts);
}

bool IsFolder(const std::u16string& devicePath) {
  std::error_code ec;
  return fs::is_directory(platform::device::MapPath(devicePath), ec);
}

bool IsFile(const std::u16string& devicePath) {
  std::error_code ec;
  return fs::is_regular_file(platform::device::MapPath(devicePath), ec);
}

std::u16string LeafOf(const std::u16string& path) {
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string ParentOf(const std::u16string& path) {
  std::vector<std::u16string> parts = SplitPath(path);
  if (!parts.empty()) parts.pop_back();
  return JoinPath(parts);
}

// --- filters -------------------------------------------------------------

bool Matches(std::u16string_view pattern, std::u16string_view name) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  // Iterative glob with one backtrack point for the last '*'.
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::vector<std::u16string> SplitPatterns(std::u16string_view text) {
  std::vector<std::u16string> out;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(u';', start);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string pattern(text.substr(start, end - start));
    pattern.erase(0, pattern.find_first_not_of(u' '));
    pattern.erase(pattern.find_last_not_of(u' ') + 1);
    if (!pattern.empty()) out.push_back(platform::FoldCase(pattern));
    start = end + 1;
  }
  return out;
}

// The pair `index` (1-based) of a double-zero filter list.
void ChooseFilter(LPCWSTR filter, DWORD index, Session& session) {
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  for (LPCWSTR p = filter; p && *p;) {
    std::u16string description(p);
    p += description.size() + 1;
    if (!*p) break;
    std::u16string pattern(p);
    p += pattern.size() + 1;
    pairs.emplace_back(std::move(description), std::move(pattern));
  }
  if (pairs.empty()) {
    session.typeText = u"All Files (*.*)";
    session.patterns = {u"*.*"};
    return;
  }
  const std::size_t chosen = index >= 1 && index <= pairs.size() ? index - 1 : 0;
  session.typeText = pairs[chosen].first;
  session.patterns = SplitPatterns(pairs[chosen].second);
  if (session.patterns.empty()) session.patterns = {u"*.*"};
}

// --- the list ------------------------------------------------------------

Session* SessionOf(HWND list) {
  return reinterpret_cast<Session*>(GetWindowLong(list, GWL_USERDATA));
}

DialogFont FontOf(HWND list) {
  if (auto state = platform::ui::dialog_detail::StateOf(GetParent(list))) return state->font;
  return platform::ui::dialog_detail::DefaultFont();
}

int RowHeight(HWND list) {
  return FontOf(list).baseY + 4;
}

int VisibleRows(HWND list) {
  RECT client{};
  GetClientRect(list, &client);
  return std::max<int>(1, (client.bottom - client.top) / RowHeight(list));
}

void Notify(HWND list, WORD code) {
  SendMessage(GetParent(list), WM_COMMAND, MAKELONG(static_cast<WORD>(kListId), code),
              reinterpret_cast<LPARAM>(list));
}

void Select(HWND list, Session& session, int row) {
  const int count = static_cast<int>(session.entries.size());
  if (count == 0) return;
  row = std::clamp(row, 0, count - 1);
  session.selection = row;
  const int visible = VisibleRows(list);
  if (row < session.top) session.top = row;
  if (row >= session.top + visible) session.top = row - visible + 1;
  InvalidateRect(list, nullptr, TRUE);
  Notify(list, kListSelChange);
}

void PaintList(HWND list, Session* session) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(list, &paint);
  if (!dc) return;
  RECT client{};
  GetClientRect(list, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  if (session) {
    const DialogFont font = FontOf(list);
    HGDIOBJ previousFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(font.font));
    SetBkMode(dc, TRANSPARENT);
    const int rowHeight = RowHeight(list);
    const int count = static_cast<int>(session->entries.size());
    for (int row = session->top, y = 0; row < count && y < client.bottom; ++row, y += rowHeight) {
      const Entry& entry = session->entries[static_cast<std::size_t>(row)];
      const bool selected = row == session->selection;
      RECT line{0, y, client.right, y + rowHeight};
      if (selected) FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
      // A small folder or page glyph before the name.
      const int gy = y + (rowHeight - 10) / 2;
      if (entry.folder) {
        HBRUSH folderBrush = CreateSolidBrush(RGB(236, 196, 72));
        RECT tab{3, gy, 8, gy + 2};
        RECT body{3, gy + 2, 15, gy + 10};
        FillRect(dc, &tab, folderBrush);
        FillRect(dc, &body, folderBrush);
        DeleteObject(reinterpret_cast<HGDIOBJ>(folderBrush));
      } else {
        HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        Rectangle(dc, 5, gy, 13, gy + 10);
        SelectObject(dc, previousBrush);
        SelectObject(dc, previousPen);
      }
      SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT text{19, y, client.right - 2, y + rowHeight};
      DrawText(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &text,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, previousFont);
  }
  // A thin frame, as the handheld draws list boxes.
  HGDIOBJ previousPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  EndPaint(list, &paint);
}

LRESULT ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  Session* session = SessionOf(list);
  switch (message) {
    case WM_PAINT:
      PaintList(list, session);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN: {
      SetFocus(list);
      if (!session) return 0;
      const int y = static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
      session->dragY = y;
      const int row = session->top + y / RowHeight(list);
      if (row >= static_cast<int>(session->entries.size())) return 0;
      // A tap on the entry already selected opens it.
      if (row == session->selection) {
        Notify(list, kListOpen);
      } else {
        Select(list, *session, row);
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!session || session->dragY < 0) return 0;
      // Dragging the pen scrolls by whole rows.
      const int y = static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
      const int rows = (session->dragY - y) / RowHeight(list);
      if (rows != 0) {
        const int maxTop =
            std::max(0, static_cast<int>(session->entries.size()) - VisibleRows(list));
        session->top = std::clamp(session->top + rows, 0, maxTop);
        session->dragY -= rows * RowHeight(list);
        InvalidateRect(list, nullptr, TRUE);
      }
      return 0;
    }
    case WM_LBUTTONUP:
      if (session) session->dragY = -1;
      return 0;
    case WM_KEYDOWN:
      if (!session) return 0;
      if (wParam == VK_UP) Select(list, *session, session->selection - 1);
      if (wParam == VK_DOWN) Select(list, *session, session->selection + 1);
      if (wParam == VK_HOME) Select(list, *session, 0);
      if (wParam == VK_END) Select(list, *session, static_cast<int>(session->entries.size()) - 1);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(list, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT:
      return session ? static_cast<LRESULT>(session->entries.size()) : 0;
    case LB_GETCURSEL:
      return session && session->selection >= 0 ? session->selection : LB_ERR;
    case LB_SETCURSEL:
      if (!session || wParam >= session->entries.size()) return LB_ERR;
      Select(list, *session, static_cast<int>(wParam));
      return static_cast<LRESULT>(wParam);
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
      if (!session || wParam >= session->entries.size()) return LB_ERR;
      const std::u16string& name = session->entries[wParam].name;
      if (message == LB_GETTEXT && lParam) {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        std::copy(name.begin(), name.end(), buffer);
        buffer[name.size()] = 0;
      }
      return static_cast<LRESULT>(name.size());
    }
    default:
      return DefWindowProc(list, message, wParam, lParam);
  }
}

void EnsureListClass() {
  WNDCLASS existing{};
  if (GetClassInfo(nullptr, kListClass, &existing)) return;
  WNDCLASS wc{};
  wc.lpfnWndProc = ListProc;
  wc.lpszClassName = kListClass;
  RegisterClass(&wc);
}

// --- the dialog ----------------------------------------------------------

void Refresh(Session& session) {
  session.entries.clear();
  if (session.folder != u"\\") session.entries.push_back(Entry{u"..", true, true});
  std::vector<Entry> folders, files;
  std::error_code ec;
  for (fs::directory_iterator it(platform::device::MapPath(session.folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    const std::u16string name = platform::FromUtf8(it->path().filename().string());
    if (name.empty() || name[0] == u'.') continue;
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      folders.push_back(Entry{name, true, false});
    } else if (it->is_regular_file(typeError)) {
      const std::u16string folded = platform::FoldCase(name);
      const bool shown = std::any_of(session.patterns.begin(), session.patterns.end(),
                                     [&](const std::u16string& p) { return Matches(p, folded); });
      if (shown) files.push_back(Entry{name, false, false});
    }
  }
  auto byName = [](const Entry& a, const Entry& b) {
    return platform::FoldCase(a.name) < platform::FoldCase(b.name);
  };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  session.entries.insert(session.entries.end(), folders.begin(), folders.end());
  session.entries.insert(session.entries.end(), files.begin(), files.end());
  session.selection = -1;
  session.top = 0;
  if (session.dialog) {
    SetDlgItemText(session.dialog, kFolderLabelId, session.folder.c_str());
    InvalidateRect(GetDlgItem(session.dialog, kListId), nullptr, TRUE);
  }
}

void OpenFolder(Session& session, const std::u16string& devicePath) {
  session.folder = Spelled(devicePath);
  Refresh(session);
}

std::u16string NameFieldText(HWND dialog) {
  WCHAR buffer[MAX_PATH] = {};
  GetDlgItemText(dialog, kNameId, buffer, MAX_PATH);
  std::u16string name(buffer);
  name.erase(0, name.find_first_not_of(u' '));
  name.erase(name.find_last_not_of(u' ') + 1);
  return name;
}

void Refuse(Session& session, const std::u16string& text) {
  MessageBox(session.dialog, text.c_str(), session.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void Accept(Session& session) {
  HWND dialog = session.dialog;
  std::u16string name = NameFieldText(dialog);
  if (name.empty()) {
    if (session.selection >= 0) {
      const Entry& entry = session.entries[static_cast<std::size_t>(session.selection)];
      if (entry.folder) {
        OpenFolder(session, Resolve(session.folder, entry.name));
        return;
      }
      name = entry.name;
    } else {
      return;
    }
  }
  // A pattern typed as the name filters the list.
  if (name.find_first_of(u"*?") != std::u16string::npos) {
    session.patterns = SplitPatterns(name);
    Refresh(session);
    return;
  }
  std::u16string path = Resolve(session.folder, name);
  if (IsFolder(path)) {
    SetDlgItemText(dialog, kNameId, u"");
    OpenFolder(session, path);
    return;
  }
  const std::u16string leaf = LeafOf(path);
  if (leaf.empty()) return;
  const OPENFILENAME& ofn = *session.ofn;
  if (ofn.lpstrDefExt && *ofn.lpstrDefExt && leaf.find(u'.') == std::u16string::npos) {
    path += u"." + std::u16string(ofn.lpstrDefExt);
  }
  const bool mustExist = (ofn.Flags & OFN_FILEMUSTEXIST) != 0;
  if ((mustExist || (ofn.Flags & OFN_PATHMUSTEXIST)) && !IsFolder(ParentOf(path))) {
    Refuse(session, path + u"\r\nThe path does not exist.\r\nCheck the path and try again.");
    return;
  }
  if (mustExist && !IsFile(path)) {
    Refuse(session, LeafOf(path) + u"\r\nFile not found.\r\nCheck the file name and try again.");
    return;
  }
  session.chosen = IsFile(path) ? Spelled(path) : path;
  EndDialog(dialog, IDOK);
}

LONG_PTR FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* session = reinterpret_cast<Session*>(GetWindowLong(dialog, DWL_USER));
  switch (message) {
    case WM_INITDIALOG: {
      session = reinterpret_cast<Session*>(lParam);
      SetWindowLong(dialog, DWL_USER, lParam);
      session->dialog = dialog;
      SetWindowLong(GetDlgItem(dialog, kListId), GWL_USERDATA, lParam);
      SetDlgItemText(dialog, kTypeId, session->typeText.c_str());
      const std::u16string initial =
          session->ofn->lpstrFile ? LeafOf(session->ofn->lpstrFile) : std::u16string();
      SetDlgItemText(dialog, kNameId, initial.c_str());
      Refresh(*session);
      if (HWND name = GetDlgItem(dialog, kNameId)) {
        SendMessage(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(name), TRUE);
        return FALSE;
      }
      return TRUE;
    }
    case WM_COMMAND: {
      if (!session) return FALSE;
      const WORD id = LOWORD(static_cast<DWORD>(wParam));
      const WORD code = HIWORD(static_cast<DWORD>(wParam));
      if (id == IDOK) {
        Accept(*session);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      } else if (id == kListId && session->selection >= 0) {
        const Entry& entry = session->entries[static_cast<std::size_t>(session->selection)];
        if (code == kListSelChange && !entry.folder) {
          SetDlgItemText(dialog, kNameId, entry.name.c_str());
        } else if (code == kListOpen) {
          if (entry.folder) {
            OpenFolder(*session, Resolve(session->folder, entry.name));
          } else {
            SetDlgItemText(dialog, kNameId, entry.name.c_str());
            Accept(*session);
          }
        }
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

std::u16string InitialFolder(const OPENFILENAME& ofn) {
  if (ofn.lpstrInitialDir && *ofn.lpstrInitialDir) {
    const std::u16string dir = JoinPath(SplitPath(ofn.lpstrInitialDir));
    if (IsFolder(dir)) return dir;
  }
  if (ofn.lpstrFile && *ofn.lpstrFile) {
    const std::u16string file(ofn.lpstrFile);
    if (file.find_first_of(u"\\/") != std::u16string::npos) {
      const std::u16string dir = ParentOf(JoinPath(SplitPath(file)));
      if (IsFolder(dir)) return dir;
    }
  }
  return IsFolder(u"\\My Documents") ? u"\\My Documents" : u"\\";
}

bool CopyOut(const std::u16string& text, LPWSTR buffer, DWORD capacity) {
  if (!buffer || text.size() + 1 > capacity) return false;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = 0;
  return true;
}

}  // namespace

DWORD CommDlgExtendedError() {
  return t_lastError;
}

BOOL GetOpenFileName(OPENFILENAME* ofn) {
  t_lastError = 0;
  if (!ofn || ofn->lStructSize != sizeof(OPENFILENAME)) {
    t_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (!ofn->lpstrFile || ofn->nMaxFile == 0 || platform::device::MapPath(u"\\").empty()) {
    t_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  EnsureListClass();
  Session session;
  session.ofn = ofn;
  session.title = ofn->lpstrTitle && *ofn->lpstrTitle ? ofn->lpstrTitle : u"Open";
  ChooseFilter(ofn->lpstrFilter, ofn->nFilterIndex, session);
  session.folder = Spelled(InitialFolder(*ofn));

  // The template fills the work area, so its size in dialog units follows
  // from the font's base units.
  const DialogFont font = platform::ui::dialog_detail::FontFor(u"Tahoma", 8);
  const int workHeight = platform::ui::screen::kHeight - platform::ui::screen::kTitleBarHeight -
                         platform::ui::screen::kMenuBarHeight;
  const short w = static_cast<short>(platform::ui::screen::kWidth * 4 / font.baseX);
  const short h = static_cast<short>(workHeight * 8 / font.baseY);
  const auto s = [](int v) { return static_cast<short>(v); };
  const std::array<DialogItemTemplate, 8> items{{
      {kFolderLabelId, u"STATIC", SS_LEFT, 0, 4, 3, s(w - 8), 10, u"", 0},
      {kListId, kListClass, WS_TABSTOP | WS_GROUP, 0, 4, 15, s(w - 8), s(h - 67), nullptr, 0},
      {kNameLabelId, u"STATIC", SS_LEFT, 0, 4, s(h - 48), 24, 10, u"Name:", 0},
      {kNameId, u"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, 0, 30,
       s(h - 50), s(w - 34), 12, u"", 0},
      {kTypeLabelId, u"STATIC", SS_LEFT, 0, 4, s(h - 34), 24, 10, u"Type:", 0},
      {kTypeId, u"STATIC", SS_LEFT, 0, 30, s(h - 34), s(w - 34), 10, u"", 0},
      {IDOK, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, s(w - 96), s(h - 19), 44, 14,
       u"OK", 0},
      {IDCANCEL, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, s(w - 48), s(h - 19), 44, 14, u"Cancel",
       0},
  }};
  const DialogTemplate dialogTemplate{
      0,
      WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_VISIBLE,
      0,
      0,
      0,
      w,
      h,
      session.title.c_str(),
      u"Tahoma",
      8,
      items.data(),
      items.size()};
  const LONG_PTR result =
      DialogBoxIndirectParam(ofn->hInstance, &dialogTemplate, ofn->hwndOwner, FileDialogProc,
                             reinterpret_cast<LPARAM>(&session));
  if (result == -1) {
    t_lastError = CDERR_DIALOGFAILURE;
    return FALSE;
  }
  if (result != IDOK || session.chosen.empty()) return FALSE;

  if (!CopyOut(session.chosen, ofn->lpstrFile, ofn->nMaxFile)) {
    t_lastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  const std::size_t slash = session.chosen.find_last_of(u'\\');
  const std::size_t nameStart = slash == std::u16string::npos ? 0 : slash + 1;
  const std::size_t dot = session.chosen.find_last_of(u'.');
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension =
      dot != std::u16string::npos && dot >= nameStart ? static_cast<WORD>(dot + 1) : 0;
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    CopyOut(session.chosen.substr(nameStart), ofn->lpstrFileTitle, ofn->nMaxFileTitle);
  }
  return TRUE;
}
