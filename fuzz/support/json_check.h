// A strict JSON checker for what the host writes: one value (RFC 8259),
// strings of valid UTF-8 without raw control characters, escapes that are
// well formed with paired surrogates, and no member name twice in one
// object (a reader that keeps one of them would lose the other).
#pragma once

#include <string>
#include <string_view>

namespace fuzz {

// True when `text` is one JSON value with optional blanks around it;
// otherwise false with the reason and the byte offset in *error.
bool CheckJson(std::string_view text, std::string* error);

}  // namespace fuzz
