// Reading a Windows bitmap held in memory, row by row as 8-bit blue, green, red. Pure logic:
// the bytes come from wherever the caller got them, and every size is checked against them
// before anything is read or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// Largest picture taken: libjpeg's own limit per side, and a pixel count that keeps the
// converter's memory bounded whatever a header claims.
inline constexpr int kMaxSide = 65500;
inline constexpr long long kMaxPixels = 256LL * 1024 * 1024;

class BitmapReader {
 public:
  // False when the bytes are not a bitmap this reader takes: wrong magic, truncated headers
  // or pixels, absurd sizes, unsupported depth or compression.
  bool Open(const uint8_t* data, size_t size);
  // The same checks on a file read piece by piece: head holds the file's first bytes, at
  // least HeadBytesNeeded of them (or the whole file when shorter); the pixel rows are then
  // read by the caller and handed to RowBgrFrom.
  bool OpenHeader(const uint8_t* head, size_t head_size, size_t file_size);
  // How much of a file OpenHeader reads, judged from its first 18 bytes; 0 when those are
  // not there.
  static size_t HeadBytesNeeded(const uint8_t* first, size_t size);

  int width() const { return width_; }
  int height() const { return height_; }

  // Where row y (counted from the top) lies in the file, and how many bytes of it are read.
  size_t RowOffset(int y) const;
  size_t RowBytes() const { return row_bytes_; }

  // Row y counted from the top, as width * 3 bytes of blue, green, red. Points into the
  // bitmap itself where its rows already have that form, else into a buffer of the reader's,
  // valid until the next call. Only after Open.
  const uint8_t* RowBgr(int y);
  // The same for a row's stored bytes (RowBytes of them) read by the caller.
  const uint8_t* RowBgrFrom(const uint8_t* stored);

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  const uint8_t* pixels_ = nullptr;
  size_t pixel_offset_ = 0;
  size_t stride_ = 0;
  size_t row_bytes_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool top_down_ = false;
  int bits_ = 0;
  uint32_t masks_[3] = {};  // red, green, blue for 16- and 32-bit bitfields
  int shift_[3] = {};
  int width_bits_[3] = {};
  uint8_t palette_[256][3] = {};  // blue, green, red
  int palette_size_ = 0;
  std::vector<uint8_t> row_;
};

}  // namespace quorvel
