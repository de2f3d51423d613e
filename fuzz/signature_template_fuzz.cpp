// Signature templates come back from the credential store, where anything
// may have damaged them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "panel/engine/signature_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks how the rest becomes text: one character per byte
  // (the fuzzer reaches the template's words quickly) or UTF-16 pairs.
  if (size == 0) return 0;
  std::u16string text;
  if (data[0] & 1) {
    for (std::size_t i = 1; i + 1 < size; i += 2)
      text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    text.assign(data + 1, data + size);
  }
  panel::SignatureEngine engine;
  if (engine.SetTemplate(text)) {
    if (engine.Template() != text) __builtin_trap();
    panel::Signature signature;
    signature.strokes.push_back({{10, 10, 0}, {60, 40, 120}, {110, 20, 260}});
    const double score = engine.Score(signature);
    if (!(score >= 0 && score <= 1)) __builtin_trap();
    engine.Verify(signature);
  } else if (!engine.Template().empty()) {
    __builtin_trap();
  }
  return 0;
}
