// The enrolled template as text: what GetTemplate hands out and SetTemplate
// reads back. Line by line:
//   VSIG1
//   N <path points> <references>
//   then per reference:
//   G <global measures, in 1/kGlobalUnits>
//   P <pen state per path point, 0 or 1, as one word>
//   X <x y per path point, in 1/kPositionUnits>
//   C <FNV-1a hash of everything before this line, 8 hex digits>
// Lines end with "\n". Anything else (another version, other counts, a value
// out of range, a damaged hash, extra text) is refused.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "panel/engine/signature_features.h"

namespace panel {

// The longest template in characters: 16 KiB as UTF-16.
inline constexpr std::size_t kMaxTemplateChars = 8192;

std::u16string WriteTemplate(std::span<const SignatureFeatures> references);

// False, with `references` empty, for any text that is not a whole template.
bool ReadTemplate(std::u16string_view text, std::vector<SignatureFeatures>* references);

}  // namespace panel
