// Wave headers come from any file a user picks as the alarm.
#include <cstddef>
#include <cstdint>

#include "lockout/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < static_cast<std::size_t>(CWaveFile::kHeaderSize)) return 0;
  WAVEFORMATEX format{};
  WORD extra = 0;
  DWORD dataSize = 0;
  // The length may claim more than the bytes given: only the header is read.
  ParseWaveHeader(data, size + (data[0] << 20), &format, &extra, &dataSize);
  return 0;
}
