#include "panel/engine/signature_template.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "panel/engine/signature_model.h"

namespace panel {

namespace {

constexpr std::string_view kVersion = "VSIG1";

std::uint32_t Fnv1a(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

void AppendUnits(std::string* out, float value, int units) {
  out->push_back(' ');
  *out += std::to_string(std::llround(static_cast<double>(value) * units));
}

// Splits off the next word of a line (words are separated by one blank).
bool NextWord(std::string_view* line, std::string_view* word) {
  if (line->empty()) return false;
  const std::size_t end = line->find(' ');
  *word = line->substr(0, end);
  *line = end == std::string_view::npos ? std::string_view() : line->substr(end + 1);
  return !word->empty();
}

// A decimal integer of at most nine digits with an optional minus sign,
// within +-limit.
bool ParseInteger(std::string_view word, long long limit, long long* value) {
  bool negative = false;
  if (!word.empty() && word[0] == '-') {
    negative = true;
    word.remove_prefix(1);
  }
  if (word.empty() || word.size() > 9) return false;
  long long v = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > limit) return false;
  *value = negative ? -v : v;
  return true;
}

bool ParseUnits(std::string_view* line, int units, int limit, float* value) {
  std::string_view word;
  long long count = 0;
  if (!NextWord(line, &word) || !ParseInteger(word, static_cast<long long>(limit) * units, &count))
    return false;
  *value = FromUnits(count, units);
  return true;
}

// A line of the given tag; `rest` is what follows "<tag> ".
bool TaggedLine(std::string_view line, char tag, std::string_view* rest) {
  if (line.size() < 3 || line[0] != tag || line[1] != ' ') return false;
  *rest = line.substr(2);
  return true;
}

bool ParseReference(std::string_view global, std::string_view pen, std::string_view path,
                    SignatureFeatures* f) {
  std::string_view rest;
  if (!TaggedLine(global, 'G', &rest)) return false;
  for (int g = 0; g < kGlobalFeatureCount; ++g)
    if (!ParseUnits(&rest, kGlobalUnits, kGlobalLimit, &f->global[g])) return false;
  if (!rest.empty()) return false;

  if (!TaggedLine(pen, 'P', &rest) || rest.size() != kPathPoints) return false;
  for (int k = 0; k < kPathPoints; ++k) {
    if (rest[k] != '0' && rest[k] != '1') return false;
    f->pen[k] = rest[k] == '1' ? 1 : 0;
  }

  if (!TaggedLine(path, 'X', &rest)) return false;
  for (int k = 0; k < kPathPoints; ++k)
    if (!ParseUnits(&rest, kPositionUnits, kPositionLimit, &f->x[k]) ||
        !ParseUnits(&rest, kPositionUnits, kPositionLimit, &f->y[k]))
      return false;
  return rest.empty();
}

bool ReadAscii(std::u16string_view text, std::vector<SignatureFeatures>* references) {
  if (text.size() > kMaxTemplateChars || text.empty()) return false;
  std::string ascii;
  ascii.reserve(text.size() + 1);
  for (const char16_t c : text) {
    if (c != u'\n' && (c < 0x20 || c > 0x7E)) return false;
    ascii.push_back(static_cast<char>(c));
  }
  // A copy that lost its final line break (as a shell's $(...) drops it) is
  // still the same template.
  if (ascii.back() != '\n') ascii.push_back('\n');
  std::vector<std::string_view> lines;
  const std::string_view all(ascii);
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find('\n', start);
    lines.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  // Version, counts, three lines per reference, hash.
  if (lines.size() < 3 || lines[0] != kVersion) return false;

  std::string_view rest, word;
  long long points = 0, count = 0;
  if (!TaggedLine(lines[1], 'N', &rest) || !NextWord(&rest, &word) ||
      !ParseInteger(word, kPathPoints, &points) || points != kPathPoints ||
      !NextWord(&rest, &word) || !ParseInteger(word, kMaxReferences, &count) ||
      count < kMinReferences || !rest.empty())
    return false;
  if (lines.size() != static_cast<std::size_t>(2 + 3 * count + 1)) return false;

  const std::string_view hashLine = lines.back();
  const std::size_t hashed = static_cast<std::size_t>(hashLine.data() - all.data());
  char expected[16];
  std::snprintf(expected, sizeof expected, "C %08x", Fnv1a(all.substr(0, hashed)));
  if (hashLine != expected) return false;

  references->resize(static_cast<std::size_t>(count));
  for (long long r = 0; r < count; ++r) {
    const std::size_t first = static_cast<std::size_t>(2 + 3 * r);
    if (!ParseReference(lines[first], lines[first + 1], lines[first + 2], &(*references)[r]))
      return false;
  }
  return true;
}

}  // namespace

std::u16string WriteTemplate(std::span<const SignatureFeatures> references) {
  std::string text(kVersion);
  text += "\nN " + std::to_string(kPathPoints) + ' ' + std::to_string(references.size()) + '\n';
  for (const SignatureFeatures& f : references) {
    text += 'G';
    for (int g = 0; g < kGlobalFeatureCount; ++g) AppendUnits(&text, f.global[g], kGlobalUnits);
    text += "\nP ";
    for (int k = 0; k < kPathPoints; ++k) text.push_back(f.pen[k] ? '1' : '0');
    text += "\nX";
    for (int k = 0; k < kPathPoints; ++k) {
      AppendUnits(&text, f.x[k], kPositionUnits);
      AppendUnits(&text, f.y[k], kPositionUnits);
    }
    text += '\n';
  }
  char hash[16];
  std::snprintf(hash, sizeof hash, "C %08x\n", Fnv1a(text));
  text += hash;
  return std::u16string(text.begin(), text.end());
}

bool ReadTemplate(std::u16string_view text, std::vector<SignatureFeatures>* references) {
  references->clear();
  if (ReadAscii(text, references)) return true;
  references->clear();
  return false;
}

}  // namespace panel
