// The help viewer that CreateProcess("PegHelp.exe", "<file>.htm") opens: the
// text of an HTML help page in a read-only, scrolling window titled
// "Help", closed with the taskbar's OK button or Escape.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"

namespace platform::ui::shell {
namespace {

constexpr LPCWSTR kViewerClass = u"HelpViewer";
constexpr int kMargin = 4;
constexpr int kScrollWidth = 11;

bool IsSpace(char32_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

void Append(std::u16string* text, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    text->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    text->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    text->push_back(static_cast<char16_t>(c));
  }
}

// One code point of the page at `*i`: UTF-8 where the bytes form it, else
// the byte as Latin-1 (older help pages are written in it).
char32_t NextCodePoint(std::string_view s, std::size_t* i) {
  const auto lead = static_cast<unsigned char>(s[*i]);
  const std::size_t need = (lead >= 0xC2 && lead <= 0xDF)   ? 1
                           : (lead >= 0xE0 && lead <= 0xEF) ? 2
                           : (lead >= 0xF0 && lead <= 0xF4) ? 3
                                                            : 0;
  if (need == 0 || *i + need >= s.size()) {
    ++*i;
    return lead;
  }
  char32_t c = lead & (0x3F >> need);
  for (std::size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(s[*i + k]);
    if ((b & 0xC0) != 0x80) {
      ++*i;
      return lead;
    }
    c = (c << 6) | (b & 0x3F);
  }
  const char32_t least = need == 1 ? 0x80 : need == 2 ? 0x800 : 0x10000;
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
    ++*i;
    return lead;
  }
  *i += need + 1;
  return c;
}

// An entity at `*i` (which holds '&'); advances past it when it is one.
bool Entity(std::string_view s, std::size_t* i, char32_t* c) {
  const std::size_t end = s.find(';', *i);
  if (end == std::string_view::npos || end - *i > 10 || end == *i + 1) return false;
  const std::string_view name = s.substr(*i + 1, end - *i - 1);
  if (name[0] == '#') {
    char32_t value = 0;
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    for (char d : digits) {
      int v;
      if (d >= '0' && d <= '9') {
        v = d - '0';
      } else if (hex && d >= 'a' && d <= 'f') {
        v = d - 'a' + 10;
      } else if (hex && d >= 'A' && d <= 'F') {
        v = d - 'A' + 10;
      } else {
        return false;
      }
      value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
      if (value > 0x10FFFF) return false;
    }
    if (value == 0 || (value >= 0xD800 && value < 0xE000)) return false;
    *c = value;
  } else {
    static const std::map<std::string_view, char32_t> named = {
        {"amp", u'&'},     {"lt", u'<'},      {"gt", u'>'},      {"quot", u'"'},
        {"apos", u'\''},   {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},
        {"trade", 0x2122}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026},
        {"laquo", 0xAB},   {"raquo", 0xBB},   {"euro", 0x20AC},  {"bull", 0x2022},
        {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},    {"Auml", 0xC4},
        {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"szlig", 0xDF},   {"eacute", 0xE9}};
    auto it = named.find(name);
    if (it == named.end()) return false;
    *c = it->second;
  }
  *i = end + 1;
  return true;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsBlockTag(const std::string& name) {
  static const char* const kBlocks[] = {"p",  "br", "div", "li",  "ul",         "ol",    "tr",
                                        "hr", "dt", "dd",  "pre", "blockquote", "table", "h1",
                                        "h2", "h3", "h4",  "h5",  "h6"};
  return std::find(std::begin(kBlocks), std::end(kBlocks), name) != std::end(kBlocks);
}

bool IsHeading(const std::string& name) {
  return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6';
}

// The state of one open viewer.
struct Viewer {
  std::u16string file;
  std::vector<HelpParagraph> paragraphs;
  struct Line {
    std::u16string text;
    bool heading = false;
  };
  std::vector<Line> lines;
  int top = 0;
  int lineHeight = 13;
  int dragY = -1;
  int dragTop = 0;
};

std::map<HWND, Viewer>& Viewers() {
  static std::map<HWND, Viewer> viewers;
  return viewers;
}

Viewer* Find(HWND window) {
  auto it = Viewers().find(window);
  return it == Viewers().end() ? nullptr : &it->second;
}

HFONT BodyFont() {
  static HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  return font;
}

HFONT HeadingFont() {
  static HFONT font = CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Tahoma");
  return font;
}

std::vector<HelpParagraph> Load(const std::u16string& file) {
  if (file.empty()) return {{u"No help topic was given.", false}};
  std::ifstream in(device::MapPath(file), std::ios::binary);
  if (!in) return {{u"The help file " + file + u" could not be found.", false}};
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return ParseHelp(bytes.str());
}

int Width(HDC dc, std::u16string_view text) {
  SIZE size{};
  GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// Breaks the paragraphs into lines that fit the text column: at spaces,
// and inside words that are wider than the column on their own.
void Layout(HWND window, Viewer* v) {
  RECT client{};
  GetClientRect(window, &client);
  const int width = std::max(20, static_cast<int>(client.right) - 2 * kMargin - kScrollWidth);
  HDC dc = GetDC(window);
  v->lines.clear();
  TEXTMETRIC tm{};
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(HeadingFont()));
  GetTextMetrics(dc, &tm);
  v->lineHeight = std::max<int>(8, tm.tmHeight + 1);
  for (const HelpParagraph& paragraph : v->paragraphs) {
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(paragraph.heading ? HeadingFont() : BodyFont()));
    if (!v->lines.empty()) v->lines.push_back({});
    std::u16string line;
    std::size_t i = 0;
    const std::u16string& text = paragraph.text;
    while (i < text.size()) {
      std::size_t end = text.find(u' ', i);
      if (end == std::u16string::npos) end = text.size();
      std::u16string word = text.substr(i, end - i);
      i = end + 1;
      std::u16string candidate = line.empty() ? word : line + u" " + word;
      if (Width(dc, candidate) <= width) {
        line = std::move(candidate);
        continue;
      }
      if (!line.empty()) v->lines.push_back({line, paragraph.heading});
      line.clear();
      // A word wider than the column is cut where it fills it.
      while (Width(dc, word) > width && word.size() > 1) {
        std::size_t fit = word.size() - 1;
        while (fit > 1 && Width(dc, std::u16string_view(word).substr(0, fit)) > width) --fit;
        v->lines.push_back({word.substr(0, fit), paragraph.heading});
        word.erase(0, fit);
      }
      line = word;
    }
    if (!line.empty()) v->lines.push_back({line, paragraph.heading});
  }
  SelectObject(dc, old);
  ReleaseDC(window, dc);
}

int VisibleLines(HWND window, const Viewer& v) {
  RECT client{};
  GetClientRect(window, &client);
  return std::max(1, static_cast<int>(client.bottom - 2 * kMargin) / v.lineHeight);
}

int MaxTop(HWND window, const Viewer& v) {
  return std::max(0, static_cast<int>(v.lines.size()) - VisibleLines(window, v));
}

void ScrollTo(HWND window, Viewer* v, int top) {
  top = std::clamp(top, 0, MaxTop(window, *v));
  if (top == v->top) return;
  v->top = top;
  InvalidateRect(window, nullptr, FALSE);
}

struct ScrollBar {
  RECT up, down, track, thumb;
};

ScrollBar ScrollGeometry(HWND window, const Viewer& v) {
  RECT client{};
  GetClientRect(window, &client);
  ScrollBar bar;
  const LONG left = client.right - kScrollWidth;
  bar.up = {left, 0, client.right, kScrollWidth};
  bar.down = {left, client.bottom - kScrollWidth, client.right, client.bottom};
  bar.track = {left, kScrollWidth, client.right, client.bottom - kScrollWidth};
  const int trackHeight = static_cast<int>(bar.track.bottom - bar.track.top);
  const int total = std::max<int>(1, static_cast<int>(v.lines.size()));
  const int visible = std::min(total, VisibleLines(window, v));
  const int thumbHeight = std::max(8, trackHeight * visible / total);
  const int maxTop = MaxTop(window, v);
  const int offset = maxTop == 0 ? 0 : (trackHeight - thumbHeight) * v.top / maxTop;
  bar.thumb = {left, bar.track.top + offset, client.right, bar.track.top + offset + thumbHeight};
  return bar;
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(reinterpret_cast<HGDIOBJ>(brush));
}

void PaintArrow(HDC dc, const RECT& r, bool up) {
  Fill(dc, r, RGB(214, 216, 222));
  RECT edge = r;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  const int cx = (r.left + r.right) / 2;
  const int cy = (r.top + r.bottom) / 2;
  for (int k = 0; k < 3; ++k) {
    const int y = up ? cy - 1 + k : cy + 1 - k;
    Fill(dc, {cx - k, y, cx + k + 1, y + 1}, RGB(0, 0, 0));
  }
}

void Paint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  Viewer* v = Find(window);
  RECT client{};
  GetClientRect(window, &client);
  Fill(dc, client, RGB(255, 255, 255));
  if (v != nullptr) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const int visible = VisibleLines(window, *v);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(BodyFont()));
    for (int i = 0; i < visible && v->top + i < static_cast<int>(v->lines.size()); ++i) {
      const Viewer::Line& line = v->lines[static_cast<std::size_t>(v->top + i)];
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(line.heading ? HeadingFont() : BodyFont()));
      SetTextColor(dc, line.heading ? RGB(20, 56, 124) : RGB(0, 0, 0));
      TextOut(dc, kMargin, kMargin + i * v->lineHeight, line.text.c_str(),
              static_cast<int>(line.text.size()));
    }
    SelectObject(dc, old);
    const ScrollBar bar = ScrollGeometry(window, *v);
    Fill(dc, bar.track, RGB(236, 238, 242));
    PaintArrow(dc, bar.up, true);
    PaintArrow(dc, bar.down, false);
    Fill(dc, bar.thumb, RGB(214, 216, 222));
    RECT thumb = bar.thumb;
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
  EndPaint(window, &ps);
}

bool Inside(const RECT& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void Tap(HWND window, Viewer* v, int x, int y) {
  const ScrollBar bar = ScrollGeometry(window, *v);
  const int page = std::max(1, VisibleLines(window, *v) - 1);
  if (Inside(bar.up, x, y)) {
    ScrollTo(window, v, v->top - 1);
  } else if (Inside(bar.down, x, y)) {
    ScrollTo(window, v, v->top + 1);
  } else if (Inside(bar.track, x, y)) {
    ScrollTo(window, v, y < bar.thumb.top ? v->top - page : v->top + page);
  } else {
    // On the text the stylus drags the page.
    v->dragY = y;
    v->dragTop = v->top;
    SetCapture(window);
  }
}

LRESULT ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(static_cast<DWORD>(lParam)));
  const int y = static_cast<short>(HIWORD(static_cast<DWORD>(lParam)));
  Viewer* v = Find(window);
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_SIZE:
      if (v != nullptr) {
        Layout(window, v);
        ScrollTo(window, v, v->top);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (v != nullptr) Tap(window, v, x, y);
      return 0;
    case WM_MOUSEMOVE:
      if (v != nullptr && v->dragY >= 0)
        ScrollTo(window, v, v->dragTop + (v->dragY - y) / v->lineHeight);
      return 0;
    case WM_LBUTTONUP:
      if (v != nullptr && v->dragY >= 0) {
        v->dragY = -1;
        if (GetCapture() == window) ReleaseCapture();
      }
      return 0;
    case WM_KEYDOWN:
      if (v == nullptr) return 0;
      if (wParam == VK_UP) ScrollTo(window, v, v->top - 1);
      if (wParam == VK_DOWN) ScrollTo(window, v, v->top + 1);
      if (wParam == VK_HOME) ScrollTo(window, v, 0);
      if (wParam == VK_END) ScrollTo(window, v, MaxTop(window, *v));
      if (wParam == VK_ESCAPE) PostMessage(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_COMMAND:
      if (LOWORD(static_cast<DWORD>(wParam)) == IDOK) PostMessage(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      Viewers().erase(window);
      detail::ViewerClosed(window);
      return 0;
    default:
      break;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

}  // namespace

std::vector<HelpParagraph> ParseHelp(std::string_view html) {
  std::vector<HelpParagraph> out;
  std::u16string current;
  bool heading = false;
  bool space = false;
  std::string skipUntil;  // a closing tag whose element's content is not shown

  auto flush = [&] {
    if (!current.empty() && current != u"\u2022 ") out.push_back({current, heading});
    current.clear();
    space = false;
  };
  auto add = [&](char32_t c) {
    if (IsSpace(c)) {
      space = !current.empty();
      return;
    }
    if (space) current.push_back(u' ');
    space = false;
    Append(&current, c);
  };

  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    const bool tagStart = c == '<' && i + 1 < html.size() &&
                          (std::isalpha(static_cast<unsigned char>(html[i + 1])) ||
                           html[i + 1] == '/' || html[i + 1] == '!');
    if (tagStart) {
      if (html.substr(i, 4) == "<!--") {
        const std::size_t end = html.find("-->", i + 4);
        i = end == std::string_view::npos ? html.size() : end + 3;
        continue;
      }
      const std::size_t end = html.find('>', i);
      if (end == std::string_view::npos) break;
      std::string_view tag = html.substr(i + 1, end - i - 1);
      i = end + 1;
      const bool closing = !tag.empty() && tag[0] == '/';
      if (closing) tag.remove_prefix(1);
      std::size_t nameEnd = 0;
      while (nameEnd < tag.size() && std::isalnum(static_cast<unsigned char>(tag[nameEnd]))) {
        ++nameEnd;
      }
      const std::string name = Lower(tag.substr(0, nameEnd));
      if (!skipUntil.empty()) {
        if (closing && name == skipUntil) skipUntil.clear();
        continue;
      }
      if (!closing && (name == "head" || name == "script" || name == "style" || name == "title")) {
        skipUntil = name;
        continue;
      }
      if (IsBlockTag(name)) {
        flush();
        if (IsHeading(name)) heading = !closing;
        if (name == "li" && !closing) current = u"\u2022 ";
      }
      continue;
    }
    if (!skipUntil.empty()) {
      ++i;
      continue;
    }
    char32_t decoded;
    if (c == '&' && Entity(html, &i, &decoded)) {
      add(decoded);
      continue;
    }
    add(NextCodePoint(html, &i));
  }
  flush();
  return out;
}

std::u16string HelpViewerText(HWND viewer) {
  const Viewer* v = Find(viewer);
  if (v == nullptr) return u"";
  std::u16string text;
  for (const HelpParagraph& p : v->paragraphs) {
    if (!text.empty()) text += u"\n\n";
    text += p.text;
  }
  return text;
}

int HelpViewerTopLine(HWND viewer) {
  const Viewer* v = Find(viewer);
  return v ? v->top : 0;
}

int HelpViewerLineCount(HWND viewer) {
  const Viewer* v = Find(viewer);
  return v ? static_cast<int>(v->lines.size()) : 0;
}

namespace detail {

HWND OpenHelpViewer(std::u16string_view file) {
  WNDCLASS wc{};
  wc.lpfnWndProc = ViewerProc;
  wc.lpszClassName = kViewerClass;
  RegisterClass(&wc);  // fails harmlessly when it is registered already

  // One viewer: a second request shows the new page in it.
  HWND window = Viewers().empty() ? nullptr : Viewers().begin()->first;
  if (window == nullptr) {
    window = CreateWindowEx(0, kViewerClass, u"Help", WS_POPUP, 0, kTaskbarHeight, kScreenWidth,
                            kMenuBarTop - kTaskbarHeight, nullptr, 0, nullptr, nullptr);
    if (window == nullptr) return nullptr;
  }
  Viewer& v = Viewers()[window];
  v.file = std::u16string(file);
  v.paragraphs = Load(v.file);
  v.top = 0;
  Layout(window, &v);
  SHDoneButton(window, SHDB_SHOW);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  InvalidateRect(window, nullptr, FALSE);
  return window;
}

void DestroyHelpViewers() {
  std::vector<HWND> windows;
  for (const auto& [window, viewer] : Viewers()) windows.push_back(window);
  for (HWND window : windows) {
    if (IsWindow(window)) DestroyWindow(window);
  }
  Viewers().clear();
}

}  // namespace detail

}  // namespace platform::ui::shell
