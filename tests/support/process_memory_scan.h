// Looks for secrets anywhere in the test program's memory: every readable
// mapping of /proc/self/maps (heap, thread stacks, data and bss of every
// loaded library, anonymous maps, the local heap), read through
// /proc/self/mem so that guard pages and holes only count as unreadable.
//
// The scan must not find itself: a secret is made here at run time and kept
// only masked (XOR with a random key), and memory is compared as
// memory ^ key against the masked bytes. A plain copy exists only while a
// Plain holder lives, and that holder wipes it.
//
// A hit is a run of at least eight consecutive characters of a watched
// secret (the whole secret when it is shorter), in UTF-16LE or in UTF-8, so
// that a truncated or half-grown copy counts as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/secret_buffer.h"

namespace testing_support {

class ProcessMemoryScan {
 public:
  explicit ProcessMemoryScan(unsigned seed);
  ~ProcessMemoryScan();
  ProcessMemoryScan(const ProcessMemoryScan&) = delete;
  ProcessMemoryScan& operator=(const ProcessMemoryScan&) = delete;

  // A fresh secret of `length` (1..64) printable ASCII characters, no
  // space; its id.
  int Generate(std::string name, std::size_t length);

  // The plain text of one secret for one use (typing it, handing it to the
  // system password), in both encodings; wiped when the holder goes.
  class Plain {
   public:
    std::u16string_view Utf16() const;
    std::string_view Utf8() const;

   private:
    friend class ProcessMemoryScan;
    CSecretBuffer buffer_;
    std::size_t length_ = 0;
  };
  // Fills `plain` (a holder the caller owns, so no copy is ever made).
  void Reveal(int id, Plain* plain) const;
  // Compares with the masked copy; no plain copy is made.
  bool Equals(int id, std::u16string_view text) const;

  // A block where a plain secret is expected at the moment of the scan
  // (the password handed to the shell before the shell wipes it).
  void Allow(const void* begin, std::size_t bytes, std::string why);

  struct Hit {
    std::string secret;
    const char* encoding = "";
    std::uintptr_t address = 0;
    std::size_t characters = 0;
    std::string mapping;    // the line of /proc/self/maps, shortened
    std::string allowedAs;  // empty: not an allowed place
    std::string before;     // the bytes just before it, printable, for finding the owner
  };
  struct Result {
    std::vector<Hit> hits;
    std::size_t mappings = 0;
    std::size_t bytesRead = 0;
    std::size_t bytesUnreadable = 0;
    unsigned Disallowed() const;
    // One line per hit, and a summary line.
    std::string Report() const;
  };
  Result Scan() const;

 private:
  // Printable ASCII: the UTF-8 bytes are the characters, the UTF-16LE ones
  // the characters with zero high bytes, so one masked copy serves both.
  struct Secret {
    std::string name;
    std::vector<std::uint8_t> masked;  // each character ^ its key byte
    std::vector<std::uint8_t> key;
  };
  // The first eight bytes of a window of a secret as memory holds them,
  // masked with `windowKey_`.
  struct Window {
    std::uint64_t masked;
    std::uint32_t secret;
    std::uint32_t offset;  // in characters
    bool utf16;
  };
  struct Allowed {
    std::uintptr_t begin;
    std::uintptr_t end;
    std::string why;
  };
  class Reader;

  // Bytes of the secret matched from the window's offset on, at `memory`
  // (at most `available` bytes); 0 when shorter than a window.
  std::size_t MatchLength(const Window& window, const std::uint8_t* memory,
                          std::size_t available) const;
  void ScanBuffer(const std::uint8_t* data, std::size_t reportable, std::size_t available,
                  std::uintptr_t address, const std::string& mapping, Result* result) const;

  std::mt19937_64 random_;
  std::uint64_t windowKey_ = 0;
  std::vector<Secret> secrets_;
  std::vector<Window> windows_;  // sorted by `masked`
  std::vector<std::uint64_t> filter_;
  std::vector<Allowed> allowed_;
};

}  // namespace testing_support
