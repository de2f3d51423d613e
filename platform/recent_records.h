// What the process keeps of the boxes it showed and the beeps it gave (the
// host prints them, tests read them): only the latest, so that a device that
// runs for days, or a fuzzer that shows a box per input, does not keep every
// one it ever made.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace platform {

// At least this many of the latest records are kept.
inline constexpr std::size_t kKeptRecords = 512;

// Appends `item`. A full list drops its older half at once, so that an
// append stays cheap.
template <class T>
void AppendRecent(std::vector<T>& records, T item) {
  if (records.size() >= 2 * kKeptRecords)
    records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(kKeptRecords));
  records.push_back(std::move(item));
}

}  // namespace platform
