// A small streaming JSON writer for the host's machine-readable output.
// Output is compact (no whitespace) and always valid UTF-8: strings are
// taken as UTF-8, and any byte sequence that is not valid UTF-8 is written
// as U+FFFD, so a damaged name in the device can never break the document.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pda {

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // Inside an object: the name of the member whose value comes next.
  void Key(std::string_view utf8);
  void String(std::string_view utf8);
  void Number(std::int64_t value);
  void Bool(bool value);
  void Null();

 private:
  // Writes the comma that separates this value from the previous one.
  void BeforeValue();

  std::ostream& out_;
  // One entry per open object or array: whether it has a member yet.
  std::vector<bool> hasMember_;
  bool afterKey_ = false;
};

// The JSON string literal (with its quotes) for a UTF-8 text.
std::string JsonQuote(std::string_view utf8);

}  // namespace pda
