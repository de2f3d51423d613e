#include "platform/wstring.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kMaxField = 4096;

bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Output of wvsprintf: keeps the count of characters that fit and never
// writes past the last slot, which stays for the terminator.
class Sink {
 public:
  Sink(LPWSTR buffer, std::size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

  void Put(char16_t c) {
    if (length_ < limit_) buffer_[length_++] = c;
  }
  void Repeat(char16_t c, std::size_t count) {
    for (std::size_t i = 0; i < count && length_ < limit_; ++i) Put(c);
  }
  void Put(std::u16string_view text) {
    for (char16_t c : text) Put(c);
  }

  std::size_t Finish() {
    // A cut in the middle of a surrogate pair would leave half a character.
    if (length_ == limit_ && length_ > 0 && IsHighSurrogate(buffer_[length_ - 1])) --length_;
    buffer_[length_] = 0;
    return length_;
  }

 private:
  LPWSTR buffer_;
  std::size_t limit_;
  std::size_t length_ = 0;
};

struct Conversion {
  bool leftAlign = false;
  bool zeroPad = false;
  std::size_t width = 0;
  int precision = -1;  // -1: none
};

void PutPadded(Sink& out, const Conversion& field, std::u16string_view sign,
               std::u16string_view body) {
  const std::size_t length = sign.size() + body.size();
  const std::size_t pad = field.width > length ? field.width - length : 0;
  if (field.leftAlign) {
    out.Put(sign);
    out.Put(body);
    out.Repeat(u' ', pad);
  } else if (field.zeroPad) {
    // Zeros go between the sign and the digits: "-0042".
    out.Put(sign);
    out.Repeat(u'0', pad);
    out.Put(body);
  } else {
    out.Repeat(u' ', pad);
    out.Put(sign);
    out.Put(body);
  }
}

std::u16string Digits(std::uint32_t value, unsigned base, bool upper, int precision) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string text;
  while (value != 0) {
    text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
    value /= base;
  }
  // As in C, precision 0 with the value 0 prints no digits.
  const std::size_t minimum = precision < 0 ? 1 : static_cast<std::size_t>(precision);
  if (text.size() < minimum) text.insert(0, minimum - text.size(), u'0');
  return text;
}

}  // namespace

std::size_t wcslen16(LPCWSTR text) {
  if (!text) return 0;
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

int wsprintf(LPWSTR buffer, std::size_t capacity, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  const int written = wvsprintf(buffer, capacity, format, args);
  va_end(args);
  return written;
}

int wvsprintf(LPWSTR buffer, std::size_t capacity, LPCWSTR format, va_list args) {
  if (!buffer || capacity == 0) return 0;
  Sink out(buffer, capacity);
  if (!format) return static_cast<int>(out.Finish());

  for (LPCWSTR p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.Put(*p);
      continue;
    }
    LPCWSTR start = p++;
    Conversion field;
    for (;; ++p) {
      if (*p == u'-') {
        field.leftAlign = true;
      } else if (*p == u'0') {
        field.zeroPad = true;
      } else {
        break;
      }
    }
    // Widths beyond any buffer are clamped; the digits are still consumed.
    while (*p >= u'0' && *p <= u'9') {
      field.width = std::min<std::size_t>(field.width * 10 + (*p++ - u'0'), kMaxField);
    }
    if (*p == u'.') {
      ++p;
      field.precision = 0;
      while (*p >= u'0' && *p <= u'9') {
        field.precision = std::min(field.precision * 10 + (*p++ - u'0'), kMaxField);
      }
    }
    // Size prefixes are accepted and ignored: on the handheld a long is 32
    // bits, so every integer argument is read as one.
    while (*p == u'l' || *p == u'h') ++p;

    switch (*p) {
      case u'd':
      case u'i': {
        const int value = va_arg(args, int);
        const std::uint32_t magnitude =
            value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        if (field.precision >= 0) field.zeroPad = false;
        PutPadded(out, field, value < 0 ? u"-" : u"",
                  Digits(magnitude, 10, false, field.precision));
        break;
      }
      case u'u':
      case u'x':
      case u'X': {
        const auto value = static_cast<std::uint32_t>(va_arg(args, unsigned int));
        if (field.precision >= 0) field.zeroPad = false;
        PutPadded(out, field, u"",
                  Digits(value, *p == u'u' ? 10 : 16, *p == u'X', field.precision));
        break;
      }
      case u's': {
        LPCWSTR text = va_arg(args, LPCWSTR);
        std::u16string_view body = text ? std::u16string_view(text) : u"(null)";
        if (field.precision >= 0 && body.size() > static_cast<std::size_t>(field.precision))
          body = body.substr(0, static_cast<std::size_t>(field.precision));
        field.zeroPad = false;
        PutPadded(out, field, u"", body);
        break;
      }
      case u'c': {
        const auto c = static_cast<char16_t>(va_arg(args, int));
        field.zeroPad = false;
        PutPadded(out, field, u"", std::u16string_view(&c, 1));
        break;
      }
      case u'%':
        out.Put(u'%');
        break;
      case 0:
        // A lone '%' at the end is shown as written.
        out.Put(std::u16string_view(start, static_cast<std::size_t>(p - start)));
        --p;
        break;
      default:
        // Unknown conversions are shown as written rather than guessed at.
        out.Put(std::u16string_view(start, static_cast<std::size_t>(p - start) + 1));
        break;
    }
  }
  return static_cast<int>(out.Finish());
}

namespace platform {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    std::size_t need = 0;
    char32_t c = 0;
    // The bounds of the second byte exclude overlong forms, encoded
    // surrogates and values past U+10FFFF up front.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    // A broken sequence becomes one replacement for its valid prefix, and
    // decoding resumes at the first byte that did not fit.
    std::size_t used = 1;
    bool ok = true;
    for (; used <= need; ++used) {
      if (i + used >= text.size()) {
        ok = false;
        break;
      }
      const auto b = static_cast<unsigned char>(text[i + used]);
      if (b < low || b > high) {
        ok = false;
        break;
      }
      low = 0x80;
      high = 0xBF;
      c = (c << 6) | (b & 0x3F);
    }
    i += used;
    if (!ok) {
      out.push_back(kReplacement);
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

namespace {

char16_t FoldChar(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  // Latin-1 capitals À..Þ, except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldChar(c);
  return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

}  // namespace platform
