// Signature files come from anyone who runs pda or writes a script.
// Seeds: fuzz/corpus/signature_file/.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/signature_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::SignatureStrokes strokes;
  std::string error;
  if (platform::ParseSignatureText(text, "fuzz", &strokes, &error)) {
    // What is accepted keeps the promises the readers rely on.
    std::uint32_t last = 0;
    if (strokes.strokes.empty()) std::abort();
    for (const auto& stroke : strokes.strokes) {
      for (const auto& point : stroke) {
        if (point.t < last || !(point.x <= platform::kMaxSignatureCoordinate) ||
            !(point.x >= -platform::kMaxSignatureCoordinate))
          std::abort();
        last = point.t;
      }
    }
  } else if (error.rfind("fuzz", 0) != 0) {
    std::abort();
  }
  return 0;
}
