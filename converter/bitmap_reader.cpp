#include "converter/bitmap_reader.h"

#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kFileHeader = 14;

// Position and width of a contiguous colour mask; false for an empty or broken one.
bool MaskShape(uint32_t mask, int* shift, int* width) {
  if (mask == 0) return false;
  int s = 0;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++s;
  }
  int w = 0;
  while (mask & 1u) {
    mask >>= 1;
    ++w;
  }
  if (mask != 0) return false;  // holes in the mask
  *shift = s;
  *width = w;
  return true;
}

uint8_t Scale(uint32_t value, int width) {
  if (width >= 8) return static_cast<uint8_t>(value >> (width - 8));
  const uint32_t max = (1u << width) - 1;
  return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

}  // namespace

size_t BitmapReader::HeadBytesNeeded(const uint8_t* first, size_t size) {
  if (!first || size < kFileHeader + 4) return 0;
  // Headers, bitfield masks and the largest palette; the pixels start no earlier.
  const size_t headers = kFileHeader + static_cast<size_t>(U32(first + kFileHeader)) + 12 + 256 * 4;
  return std::max<size_t>(headers, U32(first + 10));
}

bool BitmapReader::Open(const uint8_t* data, size_t size) {
  pixels_ = nullptr;
  if (!OpenHeader(data, size, size)) return false;
  pixels_ = data + pixel_offset_;
  return true;
}

bool BitmapReader::OpenHeader(const uint8_t* data, size_t head_size, size_t size) {
  pixels_ = nullptr;
  data_ = data;
  size_ = size;
  if (!data || size < kFileHeader + 12 || head_size < kFileHeader + 12) return false;
  // Every header byte read below lies before HeadBytesNeeded or past the file's end.
  if (head_size < std::min(size, HeadBytesNeeded(data, head_size))) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixel_offset = U32(data + 10);
  const uint8_t* info = data + kFileHeader;
  const uint32_t info_size = U32(info);
  if (info_size < 12 || info_size > size - kFileHeader) return false;

  uint32_t compression = kBiRgb;
  uint32_t colours_used = 0;
  long long width = 0, height = 0;
  int planes = 0;
  size_t palette_entry = 4;
  if (info_size == 12) {  // the old core header
    width = U16(info + 4);
    height = static_cast<int16_t>(U16(info + 6));
    planes = U16(info + 8);
    bits_ = U16(info + 10);
    palette_entry = 3;
  } else {
    if (info_size < 40) return false;
    width = S32(info + 4);
    height = S32(info + 8);
    planes = U16(info + 12);
    bits_ = U16(info + 14);
    compression = U32(info + 16);
    colours_used = U32(info + 32);
  }
  if (planes != 1) return false;
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  top_down_ = height < 0;
  if (top_down_) height = -height;
  if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) return false;
  width_ = static_cast<int>(width);
  height_ = static_cast<int>(height);

  if (compression == kBiBitfields) {
    if (bits_ != 16 && bits_ != 32) return false;
    // The masks follow a 40-byte header, or sit inside a larger one.
    const uint8_t* m = info + 40;
    if (info_size < 52 && kFileHeader + 40 + 12 > size) return false;
    for (int c = 0; c < 3; ++c) masks_[c] = U32(m + 4 * c);
  } else if (compression == kBiRgb) {
    if (bits_ == 16) {
      masks_[0] = 0x7C00;
      masks_[1] = 0x03E0;
      masks_[2] = 0x001F;
    } else if (bits_ == 32) {
      masks_[0] = 0x00FF0000;
      masks_[1] = 0x0000FF00;
      masks_[2] = 0x000000FF;
    }
  } else {
    return false;  // run-length, JPEG and PNG bitmaps are not taken
  }
  if (bits_ == 16 || bits_ == 32) {
    for (int c = 0; c < 3; ++c)
      if (!MaskShape(masks_[c], &shift_[c], &width_bits_[c])) return false;
  } else if (bits_ == 1 || bits_ == 4 || bits_ == 8) {
    const uint32_t max_colours = 1u << bits_;
    uint32_t n = colours_used == 0 ? max_colours : colours_used;
    if (n > max_colours) return false;
    const size_t table = kFileHeader + info_size + (compression == kBiBitfields ? 12 : 0);
    if (table > size || n > (size - table) / palette_entry) return false;
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* e = data + table + i * palette_entry;
      palette_[i][0] = e[0];
      palette_[i][1] = e[1];
      palette_[i][2] = e[2];
    }
    palette_size_ = static_cast<int>(n);
  } else if (bits_ != 24) {
    return false;
  }

  stride_ = ((static_cast<size_t>(width_) * bits_ + 31) / 32) * 4;
  if (pixel_offset < kFileHeader + info_size || pixel_offset > size) return false;
  // The last row need not carry its padding.
  const size_t last_row = (static_cast<size_t>(width_) * bits_ + 7) / 8;
  const size_t needed = stride_ * (static_cast<size_t>(height_) - 1) + last_row;
  if (needed > size - pixel_offset) return false;
  pixel_offset_ = pixel_offset;
  row_bytes_ = last_row;
  row_.assign(static_cast<size_t>(width_) * 3, 0);
  return true;
}

size_t BitmapReader::RowOffset(int y) const {
  const int stored = top_down_ ? y : height_ - 1 - y;
  return pixel_offset_ + stride_ * static_cast<size_t>(stored);
}

const uint8_t* BitmapReader::RowBgr(int y) {
  if (!pixels_ || y < 0 || y >= height_) return nullptr;
  return RowBgrFrom(data_ + RowOffset(y));
}

const uint8_t* BitmapReader::RowBgrFrom(const uint8_t* src) {
  if (!src || row_.empty()) return nullptr;
  uint8_t* out = row_.data();
  switch (bits_) {
    case 24:
      return src;
    case 32:
      for (int x = 0; x < width_; ++x, src += 4, out += 3) {
        const uint32_t v = U32(src);
        out[0] = Scale((v & masks_[2]) >> shift_[2], width_bits_[2]);
        out[1] = Scale((v & masks_[1]) >> shift_[1], width_bits_[1]);
        out[2] = Scale((v & masks_[0]) >> shift_[0], width_bits_[0]);
      }
      break;
    case 16:
      for (int x = 0; x < width_; ++x, src += 2, out += 3) {
        const uint32_t v = U16(src);
        out[0] = Scale((v & masks_[2]) >> shift_[2], width_bits_[2]);
        out[1] = Scale((v & masks_[1]) >> shift_[1], width_bits_[1]);
        out[2] = Scale((v & masks_[0]) >> shift_[0], width_bits_[0]);
      }
      break;
    default: {  // 1, 4, 8 bits through the palette; an index past it is black
      const int per_byte = 8 / bits_;
      const int mask = (1 << bits_) - 1;
      for (int x = 0; x < width_; ++x, out += 3) {
        const int shift = (per_byte - 1 - x % per_byte) * bits_;
        const int index = (src[x / per_byte] >> shift) & mask;
        if (index < palette_size_) {
          std::memcpy(out, palette_[index], 3);
        } else {
          out[0] = out[1] = out[2] = 0;
        }
      }
      break;
    }
  }
  return row_.data();
}

}  // namespace quorvel
