#include "fuzz/support/json_check.h"

#include <set>

namespace fuzz {
namespace {

class Checker {
 public:
  explicit Checker(std::string_view text) : text_(text) {}

  bool Document(std::string* error) {
    Blanks();
    bool ok = Value(0);
    if (ok) {
      Blanks();
      if (at_ != text_.size()) ok = Fail("text after the value");
    }
    if (!ok && error) *error = reason_ + " at byte " + std::to_string(at_);
    return ok;
  }

 private:
  static constexpr int kMaxDepth = 512;

  bool Fail(const char* reason) {
    if (reason_.empty()) reason_ = reason;
    return false;
  }
  int Peek() const { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_]) : -1; }
  // Takes `c` when it comes next.
  bool Eat(char c) {
    if (Peek() != c) return false;
    ++at_;
    return true;
  }
  void Blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return Fail("unknown literal");
    at_ += word.size();
    return true;
  }

  bool Value(int depth) {
    if (depth > kMaxDepth) return Fail("nested too deep");
    switch (Peek()) {
      case '{':
        return Object(depth);
      case '[':
        return Array(depth);
      case '"': {
        std::string ignored;
        return String(&ignored);
      }
      case 't':
        return Literal("true");
      case 'f':
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number();
    }
  }

  bool Object(int depth) {
    ++at_;
    Blanks();
    std::set<std::string> names;
    if (Eat('}')) return true;
    for (;;) {
      Blanks();
      if (Peek() != '"') return Fail("member name expected");
      std::string name;
      if (!String(&name)) return false;
      if (!names.insert(name).second) return Fail("member name twice in one object");
      Blanks();
      if (Peek() != ':') return Fail("':' expected");
      ++at_;
      Blanks();
      if (!Value(depth + 1)) return false;
      Blanks();
      if (Eat(',')) continue;
      if (Eat('}')) return true;
      return Fail("',' or '}' expected");
    }
  }

  bool Array(int depth) {
    ++at_;
    Blanks();
    if (Eat(']')) return true;
    for (;;) {
      Blanks();
      if (!Value(depth + 1)) return false;
      Blanks();
      if (Eat(',')) continue;
      if (Eat(']')) return true;
      return Fail("',' or ']' expected");
    }
  }

  bool Digits() {
    if (Peek() < '0' || Peek() > '9') return Fail("digit expected");
    while (Peek() >= '0' && Peek() <= '9') ++at_;
    return true;
  }

  bool Number() {
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else if (!Digits()) {
      return false;
    }
    if (Peek() == '.') {
      ++at_;
      if (!Digits()) return false;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!Digits()) return false;
    }
    return true;
  }

  int Hex4() {
    int value = 0;
    for (int i = 0; i < 4; ++i) {
      const int c = Peek();
      int digit = -1;
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) return -1;
      value = value * 16 + digit;
      ++at_;
    }
    return value;
  }

  static void AppendUtf8(std::string* out, unsigned code) {
    if (code < 0x80) {
      out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (code >> 6)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (code >> 12)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (code >> 18)));
      out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }

  // One UTF-8 sequence (shortest form, no surrogates, at most U+10FFFF).
  bool Utf8(std::string* out) {
    const int lead = Peek();
    int extra = 0;
    unsigned code = 0;
    unsigned minimum = 0;
    if (lead < 0x80) {
      extra = 0;
      code = static_cast<unsigned>(lead);
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
      minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
      minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07;
      minimum = 0x10000;
    } else {
      return Fail("invalid UTF-8 lead byte");
    }
    ++at_;
    for (int i = 0; i < extra; ++i) {
      const int c = Peek();
      if (c < 0 || (c & 0xC0) != 0x80) return Fail("truncated UTF-8 sequence");
      code = (code << 6) | (c & 0x3F);
      ++at_;
    }
    if (code < minimum) return Fail("overlong UTF-8 sequence");
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return Fail("UTF-8 sequence of no character");
    AppendUtf8(out, code);
    return true;
  }

  bool String(std::string* out) {
    ++at_;
    for (;;) {
      const int c = Peek();
      if (c < 0) return Fail("unterminated string");
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return Fail("raw control character in a string");
      if (c != '\\') {
        if (!Utf8(out)) return false;
        continue;
      }
      ++at_;
      const int e = Peek();
      ++at_;
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out->push_back(static_cast<char>(e));
          break;
        // The character itself: "a\tb" and "atb" are different names.
        case 'b':
          out->push_back('\b');
          break;
        case 'f':
          out->push_back('\f');
          break;
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case 'u': {
          int unit = Hex4();
          if (unit < 0) return Fail("bad \\u escape");
          unsigned code = static_cast<unsigned>(unit);
          if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("lone low surrogate escape");
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (Peek() != '\\') return Fail("lone high surrogate escape");
            ++at_;
            if (Peek() != 'u') return Fail("lone high surrogate escape");
            ++at_;
            const int low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) return Fail("lone high surrogate escape");
            code = 0x10000 + ((static_cast<unsigned>(unit) - 0xD800) << 10) +
                   (static_cast<unsigned>(low) - 0xDC00);
          }
          AppendUtf8(out, code);
          break;
        }
        default:
          return Fail("unknown escape");
      }
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::string reason_;
};

}  // namespace

bool CheckJson(std::string_view text, std::string* error) {
  return Checker(text).Document(error);
}

}  // namespace fuzz
