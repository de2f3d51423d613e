// The device screen: composition of the window tree into the framebuffer,
// window frames, and PNG files of the framebuffer.
#include "platform/ui/window/screen.h"

#include <png.h>

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/ui/gfx/gdi_internal.h"
#include "platform/ui/window/window_dc_internal.h"
#include "platform/ui/window/window_internal.h"

namespace platform::ui::screen {
namespace {

using gdi::ClipList;
using gdi::Rect;

std::vector<std::uint32_t>& Framebuffer() {
  static auto* pixels =
      new std::vector<std::uint32_t>(static_cast<std::size_t>(kWidth) * kHeight, 0xFFFFFFu);
  return *pixels;
}

std::atomic<std::uint64_t> g_frames{0};

}  // namespace
}  // namespace platform::ui::screen

namespace platform::ui::gdi {

Surface ScreenSurface() {
  return {screen::Framebuffer().data(), screen::kWidth, screen::kHeight};
}

}  // namespace platform::ui::gdi

namespace platform::ui::screen {
namespace {

// The parts of the screen the current composition repaints, disjoint: the
// whole screen, or only what changed since the last frame.
std::vector<Rect> g_damage;
bool g_partial = false;
bool g_incremental = false;

bool Touches(const Rect& r) {
  for (const Rect& damaged : g_damage) {
    if (!gdi::Intersect(r, damaged).Empty()) return true;
  }
  return false;
}

Rect WindowRectOnScreen(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return gdi::FromRECT(r);
}

bool IsDialog(HWND window) {
  WCHAR name[16] = {};
  GetClassName(window, name, 16);
  return std::u16string_view(name) == u"Dialog";
}

// Draws `thickness` rings of a window's frame inside `outer`, outermost
// first, each ring in a top-left and a bottom-right colour.
void DrawFrame(HWND window, const Rect& outer, const Rect& clip, int thickness) {
  const auto style = static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLong(window, GWL_EXSTYLE));
  auto sys = [](int index) { return gdi::ToPixel(GetSysColor(index)); };
  struct Ring {
    std::uint32_t topLeft;
    std::uint32_t bottomRight;
  };
  std::vector<Ring> rings;
  if (exStyle & WS_EX_CLIENTEDGE) {
    // Sunken: a field set into the surface.
    rings = {{sys(COLOR_BTNSHADOW), sys(COLOR_3DLIGHT)},
             {sys(COLOR_3DDKSHADOW), sys(COLOR_BTNFACE)}};
  } else if (exStyle & WS_EX_STATICEDGE) {
    rings = {{sys(COLOR_BTNSHADOW), sys(COLOR_BTNHIGHLIGHT)}};
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME) ||
             ((style & DS_MODALFRAME) && IsDialog(window))) {
    // Dialog frame: a dark line, then a thin raised edge.
    rings = {{sys(COLOR_WINDOWFRAME), sys(COLOR_WINDOWFRAME)},
             {sys(COLOR_BTNHIGHLIGHT), sys(COLOR_BTNSHADOW)}};
  } else {
    rings = {{sys(COLOR_WINDOWFRAME), sys(COLOR_WINDOWFRAME)}};
  }
  // A one-pixel frame shows the outermost ring; thicker frames go on with
  // the last ring's face.
  const gdi::Surface surface = gdi::ScreenSurface();
  Rect r = outer;
  for (int i = 0; i < thickness && !r.Empty(); ++i) {
    const Ring ring = i < static_cast<int>(rings.size())
                          ? rings[static_cast<std::size_t>(i)]
                          : Ring{sys(COLOR_BTNFACE), sys(COLOR_BTNFACE)};
    auto fill = [&](const Rect& side, std::uint32_t pixel) {
      const Rect part = gdi::Intersect(side, clip);
      if (part.Empty()) return;
      for (const Rect& damaged : g_damage) {
        const Rect piece = gdi::Intersect(part, damaged);
        if (!piece.Empty()) gdi::Fill(surface, piece, pixel);
      }
    };
    fill({r.left, r.top, r.right, r.top + 1}, ring.topLeft);
    fill({r.left, r.top, r.left + 1, r.bottom}, ring.topLeft);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, ring.bottomRight);
    fill({r.right - 1, r.top, r.right, r.bottom}, ring.bottomRight);
    r = {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
}

// Windows below `first` in z-order, bottom-most first.
std::vector<HWND> BottomUp(HWND first) {
  std::vector<HWND> windows;
  if (first == nullptr) return windows;
  for (HWND w = GetWindow(first, GW_HWNDLAST); w != nullptr; w = GetWindow(w, GW_HWNDPREV)) {
    windows.push_back(w);
  }
  return windows;
}

// True when the damage reaches into a window's frame of `thickness`.
bool FrameTouched(const Rect& outer, int thickness) {
  const Rect inner{outer.left + thickness, outer.top + thickness, outer.right - thickness,
                   outer.bottom - thickness};
  for (const Rect& damaged : g_damage) {
    const Rect part = gdi::Intersect(damaged, outer);
    if (part.Empty()) continue;
    if (part.left < inner.left || part.top < inner.top || part.right > inner.right ||
        part.bottom > inner.bottom) {
      return true;
    }
  }
  return false;
}

// One window's frame and contents (not its children). False when the
// window went away while it painted.
bool PaintOne(HWND window, const Rect& outer, const Rect& visible) {
  const int frame = FrameThickness(window);
  if (frame > 0 && (!g_partial || FrameTouched(outer, frame))) {
    DrawFrame(window, outer, visible, frame);
  }
  const std::uint64_t before = gdi::BeginPaintCount();
  SendMessage(window, WM_PAINT, 0, 0);
  if (!IsWindow(window)) return false;
  if (gdi::BeginPaintCount() == before) {
    // The window procedure did not paint (DefWindowProc only validates):
    // its background still has to cover what lies below.
    PAINTSTRUCT paint{};
    if (BeginPaint(window, &paint) != nullptr) EndPaint(window, &paint);
  }
  ValidateRect(window, nullptr);
  return true;
}

// A whole frame: the window and its visible children, each clipped to its
// parent's client area.
void PaintWindow(HWND window, const Rect& parentClip) {
  if (!IsWindow(window) || !IsWindowVisible(window)) return;
  const Rect outer = WindowRectOnScreen(window);
  const Rect visible = gdi::Intersect(outer, parentClip);
  if (!PaintOne(window, outer, visible)) return;
  const Rect childClip = gdi::Intersect(gdi::ClientAreaOnScreen(window), visible);
  for (HWND child : BottomUp(GetWindow(window, GW_CHILD))) PaintWindow(child, childClip);
}

// A partial frame: the windows of the (unchanged) layout that reach into
// the damage, in paint order. Windows outside it keep what the last frame
// painted; none of them is invalid, or only since a window painted before
// it in this frame invalidated it, and the next frame paints it then.
void PaintDamaged(const ScreenLayout& layout) {
  for (const ShownWindow& shown : layout.windows) {
    const Rect visible = gdi::FromRECT(shown.visible);
    if (!Touches(visible) || !IsWindowVisible(shown.window)) continue;
    PaintOne(shown.window, gdi::FromRECT(shown.outer), visible);
  }
}

// The layout of the last frame, and room for the next one's.
struct Layouts {
  ScreenLayout last;
  ScreenLayout now;
  bool haveLast = false;
};

Layouts& FrameLayouts() {
  static auto* layouts = new Layouts();
  return *layouts;
}

// The visible parts of the invalid windows as disjoint rectangles; false
// when they cover so much that painting everything costs no more.
bool FindDamage(const ScreenLayout& layout, std::vector<Rect>* damage) {
  long area = 0;
  for (const ShownWindow& shown : layout.windows) {
    const Rect visible = gdi::FromRECT(shown.visible);
    if (!shown.invalid || visible.Empty()) continue;
    ClipList fresh(visible);
    for (const Rect& known : *damage) fresh.Subtract(known);
    for (const Rect& piece : fresh.Rects()) {
      damage->push_back(piece);
      area += static_cast<long>(piece.Width()) * piece.Height();
    }
  }
  return area <= static_cast<long>(kWidth) * kHeight / 2;
}

}  // namespace

const std::vector<std::uint32_t>& Pixels() {
  return Framebuffer();
}

void SetIncrementalCompose(bool on) {
  g_incremental = on;
}

void Compose() {
  if (gdi::Composing()) return;
  const gdi::Surface surface = gdi::ScreenSurface();
  // A frame repaints only the invalid windows (and what overlaps them) when
  // the rest of the screen is known to be as the last frame left it: same
  // layout, and nothing drawn on the screen outside a composition since.
  Layouts& layouts = FrameLayouts();
  GetScreenLayout(&layouts.now);
  const bool sameLayout = g_incremental && layouts.haveLast && layouts.last.SameAs(layouts.now);
  const bool drawnOutside = gdi::TakeScreenDrawnOutsideComposition(sameLayout);
  g_damage.clear();
  const bool partial = sameLayout && !drawnOutside && FindDamage(layouts.now, &g_damage);
  std::swap(layouts.last, layouts.now);
  layouts.haveLast = true;
  if (!partial) g_damage.assign(1, surface.Bounds());
  g_partial = partial;
  if (partial) gdi::SetComposeArea(g_damage);

  gdi::SetComposing(true);
  for (const Rect& damaged : g_damage) {
    gdi::Fill(surface, damaged, gdi::ToPixel(GetSysColor(COLOR_BACKGROUND)));
  }
  if (partial) {
    PaintDamaged(layouts.last);
  } else {
    for (HWND window : BottomUp(GetTopWindow(nullptr))) PaintWindow(window, surface.Bounds());
  }
  gdi::SetComposing(false);
  if (partial) gdi::SetComposeArea({});
  g_damage.clear();
  g_partial = false;
  g_frames++;
}

std::uint64_t FrameCount() {
  return g_frames.load();
}

namespace {

struct PngWriter {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
  std::snprintf(writer->message, sizeof writer->message, "%s", message);
  std::longjmp(png_jmpbuf(png), 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors: libpng reports errors by
// jumping back here.
bool WriteRows(PngWriter* writer, int width, int height, png_bytepp rows) {
  if (setjmp(png_jmpbuf(writer->png))) return false;
  png_init_io(writer->png, writer->file);
  png_set_IHDR(writer->png, writer->info, static_cast<png_uint_32>(width),
               static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(writer->png, writer->info);
  png_write_image(writer->png, rows);
  png_write_end(writer->png, nullptr);
  return true;
}

struct PngReader {
  std::FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  char message[256] = {};
};

bool ReadHeader(PngReader* reader, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(reader->png))) return false;
  png_init_io(reader->png, reader->file);
  png_read_info(reader->png, reader->info);
  *width = png_get_image_width(reader->png, reader->info);
  *height = png_get_image_height(reader->png, reader->info);
  // Any PNG comes out as 8-bit RGB.
  png_set_expand(reader->png);
  png_set_strip_16(reader->png);
  png_set_strip_alpha(reader->png);
  png_set_gray_to_rgb(reader->png);
  png_read_update_info(reader->png, reader->info);
  return true;
}

bool ReadRows(PngReader* reader, png_bytepp rows) {
  if (setjmp(png_jmpbuf(reader->png))) return false;
  png_read_image(reader->png, rows);
  png_read_end(reader->png, nullptr);
  return true;
}

void OnPngReadError(png_structp png, png_const_charp message) {
  auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
  std::snprintf(reader->message, sizeof reader->message, "%s", message);
  std::longjmp(png_jmpbuf(png), 1);
}

}  // namespace

bool WritePng(const std::filesystem::path& file, int scale, std::string* error) {
  auto fail = [&](const std::string& reason) {
    if (error != nullptr) *error = reason;
    return false;
  };
  if (scale != 1 && scale != 2) return fail("scale must be 1 or 2, not " + std::to_string(scale));
  const int width = kWidth * scale;
  const int height = kHeight * scale;
  std::vector<png_byte> bytes(static_cast<std::size_t>(width) * height * 3);
  const std::vector<std::uint32_t>& pixels = Pixels();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y / scale) * kWidth + x / scale];
      png_byte* out = &bytes[(static_cast<std::size_t>(y) * width + x) * 3];
      out[0] = static_cast<png_byte>(p >> 16);
      out[1] = static_cast<png_byte>(p >> 8);
      out[2] = static_cast<png_byte>(p);
    }
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    rows[static_cast<std::size_t>(y)] = &bytes[static_cast<std::size_t>(y) * width * 3];

  PngWriter writer;
  writer.file = std::fopen(file.c_str(), "wb");
  if (writer.file == nullptr) {
    return fail("cannot create " + file.string() + ": " + std::strerror(errno));
  }
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &writer, OnPngError, OnPngWarning);
  if (writer.png != nullptr) writer.info = png_create_info_struct(writer.png);
  bool written = writer.png != nullptr && writer.info != nullptr &&
                 WriteRows(&writer, width, height, rows.data());
  png_destroy_write_struct(&writer.png, &writer.info);
  const bool closed = std::fclose(writer.file) == 0;
  if (!written || !closed) {
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    const std::string reason = writer.message[0] != '\0' ? writer.message : std::strerror(errno);
    return fail("cannot write " + file.string() + ": " + reason);
  }
  return true;
}

bool ReadPng(const std::filesystem::path& file, int* width, int* height,
             std::vector<std::uint32_t>* pixels, std::string* error) {
  auto fail = [&](const std::string& reason) {
    if (error != nullptr) *error = reason;
    return false;
  };
  PngReader reader;
  reader.file = std::fopen(file.c_str(), "rb");
  if (reader.file == nullptr)
    return fail("cannot open " + file.string() + ": " + std::strerror(errno));
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(reader.file, std::fclose);
  png_byte signature[8] = {};
  if (std::fread(signature, 1, sizeof signature, reader.file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    return fail(file.string() + " is not a PNG image");
  }
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnPngReadError, OnPngWarning);
  if (reader.png == nullptr) return fail("out of memory");
  reader.info = png_create_info_struct(reader.png);
  png_set_sig_bytes(reader.png, sizeof signature);
  png_uint_32 w = 0, h = 0;
  bool ok = reader.info != nullptr && ReadHeader(&reader, &w, &h) && w > 0 && h > 0 && w <= 16384 &&
            h <= 16384 && png_get_rowbytes(reader.png, reader.info) == w * 3;
  std::vector<png_byte> bytes;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(w) * h * 3);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = &bytes[static_cast<std::size_t>(y) * w * 3];
    ok = ReadRows(&reader, rows.data());
  }
  const std::string reason = reader.message[0] != '\0' ? reader.message : "unsupported image";
  png_destroy_read_struct(&reader.png, &reader.info, nullptr);
  if (!ok) return fail("cannot read " + file.string() + ": " + reason);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  pixels->resize(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < pixels->size(); ++i) {
    (*pixels)[i] = (std::uint32_t{bytes[i * 3]} << 16) | (std::uint32_t{bytes[i * 3 + 1]} << 8) |
                   bytes[i * 3 + 2];
  }
  return true;
}

}  // namespace platform::ui::screen
