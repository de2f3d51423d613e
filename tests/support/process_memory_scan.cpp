#include "tests/support/process_memory_scan.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <openssl/crypto.h>

namespace testing_support {

namespace {

// A run this long counts as a copy; shorter runs of random printable text
// turn up by chance in a large process.
constexpr std::size_t kWindowCharacters = 8;
constexpr std::size_t kMaxSecret = 64;
constexpr std::size_t kChunk = std::size_t{1} << 20;
// Enough past a chunk for the longest copy that starts inside it.
constexpr std::size_t kOverlap = 2 * kMaxSecret + 8;
constexpr std::uint64_t kFilterMultiplier = 0x9E3779B97F4A7C15ull;

std::size_t FilterSlot(std::uint64_t masked) {
  return static_cast<std::size_t>((masked * kFilterMultiplier) >> 48);
}

std::uint64_t Load64(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::string Printable(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i)
    text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
  return text;
}

struct Mapping {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
  std::string line;
};

std::vector<Mapping> ReadableMappings() {
  std::vector<Mapping> mappings;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    unsigned long begin = 0, end = 0;
    char read = 0;
    // [vsyscall] lies outside the range /proc/self/mem can address.
    if (std::sscanf(line.c_str(), "%lx-%lx %c", &begin, &end, &read) != 3 || read != 'r' ||
        line.find("[vsyscall]") != std::string::npos)
      continue;
    mappings.push_back({begin, end, line});
  }
  return mappings;
}

}  // namespace

// /proc/self/mem and a read buffer in a mapping of its own, which the scan
// leaves out: reading memory into a buffer inside the memory being read
// would show every copy twice.
class ProcessMemoryScan::Reader {
 public:
  Reader() {
    fd_ = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    void* map = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    buffer_ = map == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(map);
  }
  ~Reader() {
    if (buffer_ != nullptr) {
      OPENSSL_cleanse(buffer_, kSize);
      munmap(buffer_, kSize);
    }
    if (fd_ >= 0) close(fd_);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  bool Ok() const { return fd_ >= 0 && buffer_ != nullptr; }
  bool Owns(const Mapping& m) const {
    const auto at = reinterpret_cast<std::uintptr_t>(buffer_);
    return at >= m.begin && at < m.end;
  }
  std::uint8_t* Buffer() const { return buffer_; }
  // Reads [address, address + bytes) into the buffer; pages that can't be
  // read stay zero and are counted.
  void Read(std::uintptr_t address, std::size_t bytes, std::size_t* unreadable) const {
    if (pread(fd_, buffer_, bytes, static_cast<off_t>(address)) == static_cast<ssize_t>(bytes))
      return;
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t done = 0; done < bytes; done += page) {
      const std::size_t piece = std::min(page, bytes - done);
      if (pread(fd_, buffer_ + done, piece, static_cast<off_t>(address + done)) !=
          static_cast<ssize_t>(piece)) {
        std::memset(buffer_ + done, 0, piece);
        *unreadable += piece;
      }
    }
  }

  static constexpr std::size_t kSize = kChunk + kOverlap;

 private:
  int fd_ = -1;
  std::uint8_t* buffer_ = nullptr;
};

ProcessMemoryScan::ProcessMemoryScan(unsigned seed) : random_(seed) {
  windowKey_ = random_();
  filter_.assign((std::size_t{1} << 16) / 64, 0);
}

ProcessMemoryScan::~ProcessMemoryScan() {
  for (Secret& s : secrets_) {
    OPENSSL_cleanse(s.masked.data(), s.masked.size());
    OPENSSL_cleanse(s.key.data(), s.key.size());
  }
}

int ProcessMemoryScan::Generate(std::string name, std::size_t length) {
  length = std::clamp<std::size_t>(length, 1, kMaxSecret);
  Secret s{std::move(name), std::vector<std::uint8_t>(length), std::vector<std::uint8_t>(length)};
  for (std::size_t i = 0; i < length; ++i) {
    // Each character is masked as soon as it is drawn.
    s.key[i] = random_() & 0xFF;
    s.masked[i] = static_cast<std::uint8_t>('!' + random_() % 94) ^ s.key[i];
  }
  const auto id = static_cast<std::uint32_t>(secrets_.size());
  for (const bool utf16 : {true, false}) {
    const std::size_t unit = utf16 ? 2 : 1;
    // The lookup reads eight bytes; a shorter secret is not watched.
    if (length * unit < 8) continue;
    const std::size_t window = std::min(kWindowCharacters, length);
    for (std::size_t offset = 0; offset + window <= length; ++offset) {
      std::uint64_t first = 0;
      for (std::size_t c = 0; c < 8 / unit; ++c)
        first |= std::uint64_t(s.masked[offset + c] ^ s.key[offset + c]) << (8 * c * unit);
      first ^= windowKey_;
      windows_.push_back({first, id, static_cast<std::uint32_t>(offset), utf16});
      const std::size_t slot = FilterSlot(first);
      filter_[slot / 64] |= std::uint64_t{1} << (slot % 64);
    }
  }
  secrets_.push_back(std::move(s));
  std::sort(windows_.begin(), windows_.end(),
            [](const Window& a, const Window& b) { return a.masked < b.masked; });
  return static_cast<int>(id);
}

void ProcessMemoryScan::Reveal(int id, Plain* plain) const {
  const Secret& s = secrets_.at(static_cast<std::size_t>(id));
  const std::size_t n = s.masked.size();
  plain->buffer_.Allocate(3 * n);
  plain->length_ = n;
  BYTE* out = plain->buffer_.Data();
  for (std::size_t i = 0; i < n; ++i) {
    out[2 * i] = out[2 * n + i] = s.masked[i] ^ s.key[i];
    out[2 * i + 1] = 0;
  }
}

std::u16string_view ProcessMemoryScan::Plain::Utf16() const {
  return {reinterpret_cast<const char16_t*>(buffer_.Data()), length_};
}

std::string_view ProcessMemoryScan::Plain::Utf8() const {
  return {reinterpret_cast<const char*>(buffer_.Data()) + 2 * length_, length_};
}

bool ProcessMemoryScan::Equals(int id, std::u16string_view text) const {
  const Secret& s = secrets_.at(static_cast<std::size_t>(id));
  if (text.size() != s.masked.size()) return false;
  bool same = true;
  for (std::size_t i = 0; i < text.size(); ++i) same &= (text[i] ^ s.key[i]) == s.masked[i];
  return same;
}

void ProcessMemoryScan::Allow(const void* begin, std::size_t bytes, std::string why) {
  const auto at = reinterpret_cast<std::uintptr_t>(begin);
  allowed_.push_back({at, at + bytes, std::move(why)});
}

std::size_t ProcessMemoryScan::MatchLength(const Window& window, const std::uint8_t* memory,
                                           std::size_t available) const {
  const Secret& s = secrets_[window.secret];
  const std::size_t unit = window.utf16 ? 2 : 1;
  std::size_t n = 0;  // characters
  for (std::size_t at = window.offset; at < s.masked.size() && (n + 1) * unit <= available;
       ++at, ++n) {
    if ((memory[n * unit] ^ s.key[at]) != s.masked[at]) break;
    if (window.utf16 && memory[n * unit + 1] != 0) break;
  }
  return n >= std::min(kWindowCharacters, s.masked.size()) ? n * unit : 0;
}

void ProcessMemoryScan::ScanBuffer(const std::uint8_t* data, std::size_t reportable,
                                   std::size_t available, std::uintptr_t address,
                                   const std::string& mapping, Result* result) const {
  for (std::size_t i = 0; i < reportable && i + 8 <= available; ++i) {
    const std::uint64_t masked = Load64(data + i) ^ windowKey_;
    const std::size_t slot = FilterSlot(masked);
    if ((filter_[slot / 64] >> (slot % 64) & 1) == 0) continue;
    auto [first, last] =
        std::equal_range(windows_.begin(), windows_.end(), Window{masked, 0, 0, false},
                         [](const Window& a, const Window& b) { return a.masked < b.masked; });
    for (auto w = first; w != last; ++w) {
      const std::size_t bytes = MatchLength(*w, data + i, available - i);
      if (bytes == 0) continue;
      Hit hit;
      hit.secret = secrets_[w->secret].name;
      hit.encoding = w->utf16 ? "UTF-16LE" : "UTF-8";
      hit.address = address + i;
      hit.characters = bytes / (w->utf16 ? 2 : 1);
      hit.mapping = mapping;
      const std::size_t context = std::min<std::size_t>(i, 24);
      hit.before = Printable(data + i - context, context);
      for (const Allowed& a : allowed_) {
        if (hit.address < a.end && hit.address + bytes > a.begin) hit.allowedAs = a.why;
      }
      result->hits.push_back(std::move(hit));
      // The rest of this copy is not another hit.
      i += bytes - 1;
      break;
    }
  }
}

ProcessMemoryScan::Result ProcessMemoryScan::Scan() const {
  Result result;
  const Reader reader;
  if (!reader.Ok()) {
    result.bytesUnreadable = SIZE_MAX;
    return result;
  }
  for (const Mapping& m : ReadableMappings()) {
    if (reader.Owns(m)) continue;
    ++result.mappings;
    for (std::uintptr_t at = m.begin; at < m.end; at += kChunk) {
      const std::size_t reportable = std::min<std::size_t>(kChunk, m.end - at);
      const std::size_t available = std::min<std::size_t>(Reader::kSize, m.end - at);
      reader.Read(at, available, &result.bytesUnreadable);
      result.bytesRead += reportable;
      ScanBuffer(reader.Buffer(), reportable, available, at, m.line, &result);
    }
  }
  return result;
}

unsigned ProcessMemoryScan::Result::Disallowed() const {
  return static_cast<unsigned>(
      std::count_if(hits.begin(), hits.end(), [](const Hit& h) { return h.allowedAs.empty(); }));
}

std::string ProcessMemoryScan::Result::Report() const {
  std::ostringstream out;
  for (const Hit& h : hits) {
    out << h.secret << " (" << h.encoding << ", " << h.characters << " characters) at 0x"
        << std::hex << h.address << std::dec << " after \"" << h.before << "\" in " << h.mapping
        << (h.allowedAs.empty() ? "" : " [allowed: " + h.allowedAs + "]") << "\n";
  }
  out << hits.size() << " hit(s), " << Disallowed() << " not allowed; " << mappings << " mappings, "
      << bytesRead / 1024 << " KiB read, " << bytesUnreadable / 1024 << " KiB unreadable\n";
  return out.str();
}

}  // namespace testing_support
