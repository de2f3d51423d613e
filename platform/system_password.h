// Storage of the system password state in the object store, for the
// "coredll.dll" stand-in only. It holds a salted hash, never the password.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::system_password {

// The salt and hash are wiped when a record goes away, so a caller that
// wants only the flags need not think about them.
struct Record {
  Record() = default;
  ~Record();
  Record(const Record&) = default;
  Record& operator=(const Record&) = default;
  Record(Record&&) = default;
  Record& operator=(Record&&) = default;

  bool set = false;  // false: the system has no (i.e. the empty) password
  bool active = false;
  std::uint32_t iterations = 0;
  std::vector<std::uint8_t> salt;
  std::vector<std::uint8_t> hash;
};

// Reads the record; a device that never had a password gives a default
// Record and true. False (last error set) when the store can't be read.
bool Load(Record* record);
// Replaces the record in one transaction. False (last error set) on failure.
bool Store(const Record& record);

}  // namespace platform::system_password
