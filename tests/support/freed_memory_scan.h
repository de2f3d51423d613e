// Catches secrets left behind in freed heap memory: while a scan is alive,
// every block released through the global operator delete of the test
// program is searched for the watched bytes before it goes back to the
// heap. Blocks of the platform's local heap are not seen (LocalFree wipes).
#pragma once

#include <string_view>

namespace testing_support {

class FreedMemoryScan {
 public:
  // Watches the UTF-16 bytes of `text` (no terminator).
  explicit FreedMemoryScan(std::u16string_view text);
  ~FreedMemoryScan();
  FreedMemoryScan(const FreedMemoryScan&) = delete;
  FreedMemoryScan& operator=(const FreedMemoryScan&) = delete;

  // Number of freed blocks that held the watched bytes so far.
  unsigned Hits() const;
  // Number of blocks freed while the scan was alive.
  unsigned Freed() const;
};

}  // namespace testing_support
