// Reading a fuzzer's bytes as a small structured input. Every read is
// defined past the end (zeros, empty chunks), so a target never has to
// check the length itself; the seed writer below makes the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return at_ >= size_; }
  std::size_t Left() const { return at_ < size_ ? size_ - at_ : 0; }

  std::uint8_t U8() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
  std::uint32_t U32() { return U16() | (std::uint32_t{U16()} << 16); }

  // Up to `count` bytes, fewer at the end.
  std::string_view Take(std::size_t count) {
    const std::size_t n = count < Left() ? count : Left();
    const auto* start = reinterpret_cast<const char*>(data_ + at_);
    at_ += n;
    return {start, n};
  }
  // A chunk: a 16-bit length, then that many bytes.
  std::string_view Chunk() { return Take(U16()); }
  // A chunk read as little-endian UTF-16 units (an odd last byte is dropped).
  std::u16string Text16() {
    const std::string_view bytes = Chunk();
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                           (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    return text;
  }
  std::string_view Rest() { return Take(Left()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// The writer of the same layout, for seeds made by our own code.
class Output {
 public:
  Output& U8(std::uint8_t v) {
    bytes_.push_back(static_cast<char>(v));
    return *this;
  }
  Output& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Output& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Output& Raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
  }
  Output& Chunk(std::string_view bytes) {
    return U16(static_cast<std::uint16_t>(bytes.size())).Raw(bytes);
  }
  Output& Text16(std::u16string_view text) {
    U16(static_cast<std::uint16_t>(text.size() * 2));
    for (char16_t c : text) U16(c);
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace fuzz
