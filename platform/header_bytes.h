// What the header readers share: numbers read from bytes, and the window on a file's start
// that they read through. Pure logic, no windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zarnik::header_bytes {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint32_t Be32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}
inline uint64_t CeilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0); }

// The bytes given of a file's start, and the file's length. Every read asks Have() first:
// short of the bytes given, the header asks for more (its `needed`); past the file's end, or
// past how far the reader may look, it gets the verdict for that.
template <typename Header>
class Window {
 public:
  using Verdict = decltype(Header::verdict);
  Window(const uint8_t* data, size_t size, uint64_t file_size, uint64_t reach, Verdict need_more,
         Verdict past_end, Header& out)
      : data_(data),
        size_(data ? (size < file_size ? size : file_size) : 0),
        file_size_(file_size),
        reach_(reach),
        need_more_(need_more),
        past_end_(past_end),
        out_(out) {}

  bool Have(uint64_t end) {
    if (end <= size_) return true;
    if (end <= file_size_ && end <= reach_) {
      out_.verdict = need_more_;
      out_.needed = end;
    } else {
      out_.verdict = past_end_;
    }
    return false;
  }
  const uint8_t* At(uint64_t offset) const { return data_ + offset; }
  uint64_t file_size() const { return file_size_; }

 private:
  const uint8_t* data_;
  uint64_t size_;
  uint64_t file_size_;
  uint64_t reach_;
  Verdict need_more_;
  Verdict past_end_;
  Header& out_;
};

// Gives the header its verdict and hands it back: return Say(h, ...).
template <typename Header>
Header& Say(Header& h, decltype(Header::verdict) verdict) {
  h.verdict = verdict;
  return h;
}

}  // namespace zarnik::header_bytes
