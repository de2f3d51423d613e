#include "platform/signature_file.h"

#include <charconv>
#include <cmath>
#include <fstream>

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";

bool ParseNumber(std::string_view word, double* value) {
  if (word.empty()) return false;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return error == std::errc() && end == word.data() + word.size() && std::isfinite(*value) &&
         std::fabs(*value) <= kMaxSignatureCoordinate;
}

bool ParseTime(std::string_view word, std::uint32_t* value) {
  if (word.empty()) return false;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), *value);
  return error == std::errc() && end == word.data() + word.size();
}

// One "x,y,t"; false with the reason.
bool ParsePoint(std::string_view word, SignaturePoint* point, std::string* why) {
  const auto first = word.find(',');
  const auto second = first == std::string_view::npos ? first : word.find(',', first + 1);
  if (second == std::string_view::npos || word.find(',', second + 1) != std::string_view::npos) {
    *why = "a point is x,y,t, not '" + std::string(word) + "'";
    return false;
  }
  if (!ParseNumber(word.substr(0, first), &point->x) ||
      !ParseNumber(word.substr(first + 1, second - first - 1), &point->y)) {
    *why = "x and y are numbers of pad pixels, not '" + std::string(word) + "'";
    return false;
  }
  if (!ParseTime(word.substr(second + 1), &point->t)) {
    *why = "t is a whole number of milliseconds, not '" + std::string(word) + "'";
    return false;
  }
  return true;
}

}  // namespace

std::size_t SignatureStrokes::PointCount() const {
  std::size_t count = 0;
  for (const SignatureStroke& stroke : strokes) count += stroke.size();
  return count;
}

bool ParseSignatureText(std::string_view text, std::string_view name, SignatureStrokes* strokes,
                        std::string* error) {
  SignatureStrokes result;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::uint32_t lastTime = 0;
  int lineNumber = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || line[start] == '#') continue;
    line.remove_prefix(start);
    SignatureStroke stroke;
    while (!line.empty()) {
      const auto wordEnd = line.find_first_of(kBlanks);
      const std::string_view word = line.substr(0, wordEnd);
      line = wordEnd == std::string_view::npos ? std::string_view() : line.substr(wordEnd);
      const auto next = line.find_first_not_of(kBlanks);
      line = next == std::string_view::npos ? std::string_view() : line.substr(next);
      SignaturePoint point;
      std::string why;
      if (!ParsePoint(word, &point, &why)) {
        *error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + why;
        return false;
      }
      if (point.t < lastTime) {
        *error = std::string(name) + ":" + std::to_string(lineNumber) + ": time " +
                 std::to_string(point.t) + " comes after " + std::to_string(lastTime);
        return false;
      }
      lastTime = point.t;
      stroke.push_back(point);
    }
    result.strokes.push_back(std::move(stroke));
  }
  if (result.strokes.empty()) {
    *error = std::string(name) + ": no point";
    return false;
  }
  *strokes = std::move(result);
  return true;
}

bool ReadSignatureFile(const std::filesystem::path& file, SignatureStrokes* strokes,
                       std::string* error) {
  const std::string name = file.string();
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) {
    *error = name + ": " + ec.message();
    return false;
  }
  if (size > kMaxSignatureFileBytes) {
    *error = name + ": larger than " + std::to_string(kMaxSignatureFileBytes) + " bytes";
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open()) {
    *error = name + ": cannot be read";
    return false;
  }
  // The size is read again as the bytes come: a file that states no size
  // (those of /proc) may be endless. An empty file reads nothing and is
  // reported as having no point.
  std::string text;
  char chunk[65536];
  while (text.size() <= kMaxSignatureFileBytes && in.read(chunk, sizeof(chunk)).gcount() > 0)
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  if (text.size() > kMaxSignatureFileBytes) {
    *error = name + ": larger than " + std::to_string(kMaxSignatureFileBytes) + " bytes";
    return false;
  }
  return ParseSignatureText(text, name, strokes, error);
}

}  // namespace platform
