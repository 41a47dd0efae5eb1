#include "platform/picture_header.h"

#include <algorithm>
#include <cstring>

#include "platform/header_bytes.h"

namespace zarnik {

namespace {

using V = HeaderVerdict;

using namespace header_bytes;
using Bytes = Window<PictureHeader>;

// The size claimed is judged before whether the file could back it.
bool TooManyPixels(PictureHeader& h, const PictureLimits& limits) {
  if (static_cast<uint64_t>(h.width) * h.height <= limits.pixels) return false;
  h.verdict = V::kTooManyPixels;
  return true;
}

// The limits every kind shares; decoder_input is the whole file unless the kind said less.
PictureHeader& Judge(PictureHeader& h, uint64_t file_size, const PictureLimits& limits) {
  if (h.width == 0 || h.height == 0) return Say(h, V::kMalformed);
  if (static_cast<uint64_t>(h.width) * h.height > limits.pixels) return Say(h, V::kTooManyPixels);
  if (h.decoder_bytes > limits.decoder_bytes) return Say(h, V::kTooMuchMemory);
  if (h.decoder_input == 0) h.decoder_input = file_size;
  h.verdict = V::kAccepted;
  return h;
}

// JPEG: the markers are walked as libjpeg walks them up to the frame header (SOFn).
PictureHeader& ReadJpeg(Bytes& in, PictureHeader& h, const PictureLimits& limits) {
  uint64_t pos = 2;
  for (;;) {
    // Anything up to the next 0xFF is skipped, then the fill bytes; 0xFF 0x00 is no marker.
    uint8_t marker = 0;
    for (;;) {
      if (pos + 1 > limits.header_window) return Say(h, V::kMalformed);
      if (!in.Have(pos + 1)) return h;
      if (*in.At(pos++) != 0xFF) continue;
      do {
        if (!in.Have(pos + 1)) return h;
        marker = *in.At(pos++);
      } while (marker == 0xFF);
      if (marker != 0) break;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;                    // no length
    if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA) return Say(h, V::kMalformed);  // no frame yet
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC;
    const bool skipped = (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE || marker == 0xC4 ||
                         marker == 0xCC || marker == 0xDB || marker == 0xDC || marker == 0xDD;
    if (!frame && !skipped) return Say(h, V::kMalformed);
    if (!in.Have(pos + 2)) return h;
    const uint16_t length = Be16(in.At(pos));
    if (length < 2) return Say(h, V::kMalformed);
    if (skipped) {
      pos += length;
      continue;
    }
    // Baseline, extended and progressive Huffman frames; arithmetic and lossless ones are not
    // taken (the system's decoder has never taken them either).
    if (marker > 0xC2) return Say(h, V::kUnsupported);
    if (!in.Have(pos + 8)) return h;
    const uint8_t* sof = in.At(pos);
    const int components = sof[7];
    if (sof[2] != 8 || length != 8 + 3 * components) return Say(h, V::kMalformed);
    if (components != 1 && components != 3 && components != 4) return Say(h, V::kUnsupported);
    if (!in.Have(pos + length)) return h;
    h.height = Be16(sof + 3);
    h.width = Be16(sof + 5);
    if (h.width == 0 || h.height == 0) return Say(h, V::kMalformed);
    if (TooManyPixels(h, limits)) return h;
    int hmax = 1, vmax = 1;
    for (int c = 0; c < components; ++c) {
      const int hs = sof[9 + 3 * c] >> 4, vs = sof[9 + 3 * c] & 15;
      if (hs < 1 || hs > 4 || vs < 1 || vs > 4) return Say(h, V::kMalformed);
      hmax = std::max(hmax, hs);
      vmax = std::max(vmax, vs);
    }
    // Every block of a component costs at least one bit in its first scan: the file must hold
    // that many bits for the smallest component after the frame header.
    uint64_t fewest_blocks = UINT64_MAX, coefficients = 0;
    for (int c = 0; c < components; ++c) {
      const int hs = sof[9 + 3 * c] >> 4, vs = sof[9 + 3 * c] & 15;
      const uint64_t bw = CeilDiv(CeilDiv(static_cast<uint64_t>(h.width) * hs, hmax), 8);
      const uint64_t bh = CeilDiv(CeilDiv(static_cast<uint64_t>(h.height) * vs, vmax), 8);
      fewest_blocks = std::min(fewest_blocks, bw * bh);
      coefficients += CeilDiv(bw, hs) * hs * CeilDiv(bh, vs) * vs * 64;
    }
    const uint64_t after = pos + length;
    if (in.file_size() - after < CeilDiv(fewest_blocks, 8)) return Say(h, V::kFileTooShort);
    // A progressive picture is held whole as coefficients (two bytes each) until its last
    // scan; a sequential one a few rows of blocks at a time.
    h.decoder_bytes =
        marker == 0xC2 ? coefficients * 2 : static_cast<uint64_t>(h.width) * 8 * vmax * components * 4;
    return Judge(h, in.file_size(), limits);
  }
}

// BMP: the file header, then a core (OS/2) or an info header of any later version.
PictureHeader& ReadBmp(Bytes& in, PictureHeader& h, const PictureLimits& limits) {
  if (!in.Have(18)) return h;
  const uint32_t offset = Le32(in.At(10));
  const uint32_t info_size = Le32(in.At(14));
  const bool core = info_size == 12;
  if (!core && info_size != 40 && info_size != 52 && info_size != 56 && info_size != 108 && info_size != 124)
    return Say(h, V::kUnsupported);
  if (!in.Have(14 + static_cast<uint64_t>(info_size))) return h;
  const uint8_t* info = in.At(14);
  int64_t width = 0, height = 0;
  uint32_t planes = 0, bits = 0, compression = 0, image_size = 0, colours = 0;
  if (core) {
    width = Le16(info + 4);
    height = Le16(info + 6);
    planes = Le16(info + 8);
    bits = Le16(info + 10);
  } else {
    width = static_cast<int32_t>(Le32(info + 4));
    height = static_cast<int32_t>(Le32(info + 8));
    planes = Le16(info + 12);
    bits = Le16(info + 14);
    compression = Le32(info + 16);
    image_size = Le32(info + 20);
    colours = Le32(info + 32);
  }
  if (planes != 1 || width <= 0 || height == 0 || height == INT32_MIN) return Say(h, V::kMalformed);
  const bool top_down = height < 0;
  height = top_down ? -height : height;
  const bool rle = compression == 1 || compression == 2;
  if (compression == 1 && bits != 8) return Say(h, V::kMalformed);
  if (compression == 2 && bits != 4) return Say(h, V::kMalformed);
  if (compression == 3 && bits != 16 && bits != 32) return Say(h, V::kMalformed);
  if (compression > 3) return Say(h, V::kUnsupported);  // JPEG or PNG inside, alpha masks
  if (rle && top_down) return Say(h, V::kMalformed);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return Say(h, V::kMalformed);
  if (core && (bits == 16 || bits == 32)) return Say(h, V::kMalformed);
  h.width = static_cast<uint32_t>(width);
  h.height = static_cast<uint32_t>(height);
  if (TooManyPixels(h, limits)) return h;

  // The colour table (and a small info header's three masks) lie between the headers and
  // the pixels, and inside the file.
  uint64_t tables = 14 + static_cast<uint64_t>(info_size) + (compression == 3 && info_size == 40 ? 12 : 0);
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (colours > most) return Say(h, V::kMalformed);
    tables += static_cast<uint64_t>(colours ? colours : most) * (core ? 3 : 4);
  }
  if (offset < 14 + static_cast<uint64_t>(info_size)) return Say(h, V::kMalformed);
  if (tables > in.file_size() || offset > in.file_size()) return Say(h, V::kFileTooShort);
  const uint64_t stride = CeilDiv(static_cast<uint64_t>(h.width) * bits, 32) * 4;
  const uint64_t stored = in.file_size() - offset;
  if (rle) {
    // Runs can say much in few bytes; the end-of-picture mark at least must be there, and a
    // size the header gives must be in the file.
    if (stored < 2 || image_size > stored) return Say(h, V::kFileTooShort);
    h.decoder_bytes = static_cast<uint64_t>(h.width) * h.height * 4;
  } else {
    if (stored / stride < h.height) return Say(h, V::kFileTooShort);
    h.decoder_bytes = stride * h.height;
  }
  return Judge(h, in.file_size(), limits);
}

// PNG: the IHDR chunk, then the chunks up to the first IDAT, each inside the file.
PictureHeader& ReadPng(Bytes& in, PictureHeader& h, const PictureLimits& limits) {
  if (!in.Have(33)) return h;
  if (Be32(in.At(8)) != 13 || std::memcmp(in.At(12), "IHDR", 4) != 0) return Say(h, V::kMalformed);
  const uint8_t* ihdr = in.At(16);
  h.width = Be32(ihdr);
  h.height = Be32(ihdr + 4);
  const int depth = ihdr[8], type = ihdr[9];
  if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF)
    return Say(h, V::kMalformed);
  if (ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1) return Say(h, V::kMalformed);
  int channels = 0;
  bool depth_ok = depth == 8 || depth == 16;
  switch (type) {
    case 0:
      channels = 1;
      depth_ok = depth_ok || depth == 1 || depth == 2 || depth == 4;
      break;
    case 2:
      channels = 3;
      break;
    case 3:
      channels = 1;
      depth_ok = depth != 16 && (depth_ok || depth == 1 || depth == 2 || depth == 4);
      break;
    case 4:
      channels = 2;
      break;
    case 6:
      channels = 4;
      break;
    default:
      return Say(h, V::kMalformed);
  }
  if (!depth_ok) return Say(h, V::kMalformed);
  if (TooManyPixels(h, limits)) return h;

  uint64_t pos = 33;
  for (;;) {
    if (pos + 8 > limits.header_window) return Say(h, V::kMalformed);
    if (!in.Have(pos + 8)) return h;
    const uint32_t length = Be32(in.At(pos));
    const uint8_t* type_name = in.At(pos + 4);
    if (length > 0x7FFFFFFF) return Say(h, V::kMalformed);
    for (int i = 0; i < 4; ++i)
      if (!((type_name[i] >= 'A' && type_name[i] <= 'Z') || (type_name[i] >= 'a' && type_name[i] <= 'z')))
        return Say(h, V::kMalformed);
    if (std::memcmp(type_name, "IDAT", 4) == 0) break;
    if (std::memcmp(type_name, "IEND", 4) == 0 || std::memcmp(type_name, "IHDR", 4) == 0)
      return Say(h, V::kMalformed);
    pos += 12 + static_cast<uint64_t>(length);
    if (pos > in.file_size()) return Say(h, V::kFileTooShort);
  }
  // Deflate gives at most 1032 bytes for one: the rows (without their filter bytes) cannot
  // come from fewer.
  const uint64_t row = CeilDiv(static_cast<uint64_t>(h.width) * channels * depth, 8);
  if (in.file_size() - (pos + 8) < CeilDiv(row * h.height, 1032)) return Say(h, V::kFileTooShort);
  h.decoder_bytes = row * h.height;
  return Judge(h, in.file_size(), limits);
}

// Sub-blocks (a length byte, then that many bytes) up to the empty one; counts them. False,
// with the verdict set, when they run past the bytes given or the header window.
bool SkipSubBlocks(Bytes& in, uint64_t& pos, uint64_t& bytes, uint64_t& blocks, PictureHeader& h,
                   const PictureLimits& limits) {
  for (;;) {
    if (pos + 1 > limits.header_window) {
      h.verdict = V::kMalformed;
      return false;
    }
    if (!in.Have(pos + 1)) return false;
    const uint8_t n = *in.At(pos++);
    if (n == 0) return true;
    pos += n;
    bytes += n;
    ++blocks;
  }
}

// The system's GIF decoder keeps every extension block it meets, growing one allocation a
// block at a time: their number and size before the first picture are held small.
constexpr uint64_t kMaxGifExtensionBytes = 1 << 20;
constexpr uint64_t kMaxGifExtensionBlocks = 4096;
// One LZW code (at least 3 bits) gives at most 4096 pixels.
constexpr uint64_t kMaxGifPixelsPerByte = 4096 * 8 / 3;

// GIF: the logical screen, then blocks up to the end of the first picture, which must lie
// inside the header window too.
PictureHeader& ReadGif(Bytes& in, PictureHeader& h, const PictureLimits& limits) {
  if (!in.Have(13)) return h;
  const uint8_t* screen = in.At(6);
  const uint64_t screen_pixels = static_cast<uint64_t>(Le16(screen)) * Le16(screen + 2);
  if (screen_pixels > limits.pixels) return Say(h, V::kTooManyPixels);
  uint64_t pos = 13;
  if (screen[4] & 0x80) pos += 3ull << ((screen[4] & 7) + 1);
  uint64_t extension_bytes = 0, extension_blocks = 0;
  for (;;) {
    if (!in.Have(pos + 1)) return h;
    const uint8_t block = *in.At(pos);
    if (block == 0x21) {
      pos += 2;
      ++extension_blocks;
      if (!SkipSubBlocks(in, pos, extension_bytes, extension_blocks, h, limits)) return h;
      if (extension_bytes > kMaxGifExtensionBytes || extension_blocks > kMaxGifExtensionBlocks)
        return Say(h, V::kTooMuchMemory);
      continue;
    }
    if (block != 0x2C) return Say(h, V::kMalformed);  // a trailer or junk before any picture
    if (!in.Have(pos + 10)) return h;
    const uint8_t* image = in.At(pos + 1);
    h.width = Le16(image + 4);
    h.height = Le16(image + 6);
    pos += 10;
    if (image[8] & 0x80) pos += 3ull << ((image[8] & 7) + 1);
    if (!in.Have(pos + 1)) return h;
    const uint8_t code_size = *in.At(pos++);
    if (code_size < 2 || code_size > 8) return Say(h, V::kMalformed);
    if (TooManyPixels(h, limits)) return h;
    uint64_t data = 0, blocks = 0;
    if (!SkipSubBlocks(in, pos, data, blocks, h, limits)) return h;
    if (data < CeilDiv(static_cast<uint64_t>(h.width) * h.height, kMaxGifPixelsPerByte))
      return Say(h, V::kFileTooShort);
    h.decoder_bytes = static_cast<uint64_t>(h.width) * h.height;
    h.decoder_input = pos;
    return Judge(h, in.file_size(), limits);
  }
}

}  // namespace

PictureHeader ReadPictureHeader(const uint8_t* data, size_t size, uint64_t file_size,
                                const PictureLimits& limits) {
  PictureHeader h;
  Bytes in(data, size, file_size, UINT64_MAX, V::kNeedMore, V::kFileTooShort, h);
  if (!in.Have(8)) {
    // Shorter than any kind's magic and header: nothing to decode.
    if (h.verdict == V::kFileTooShort) h.verdict = V::kUnknownKind;
    return h;
  }
  const uint8_t* p = in.At(0);
  if (p[0] == 0xFF && p[1] == 0xD8) {
    h.kind = PictureKind::kJpeg;
    return ReadJpeg(in, h, limits);
  }
  if (p[0] == 'B' && p[1] == 'M') {
    h.kind = PictureKind::kBmp;
    return ReadBmp(in, h, limits);
  }
  if (std::memcmp(p, "\x89PNG\r\n\x1A\n", 8) == 0) {
    h.kind = PictureKind::kPng;
    return ReadPng(in, h, limits);
  }
  if (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0) {
    h.kind = PictureKind::kGif;
    return ReadGif(in, h, limits);
  }
  return Say(h, V::kUnknownKind);
}

const char* VerdictName(HeaderVerdict verdict) {
  switch (verdict) {
    case V::kAccepted:
      return "accepted";
    case V::kNeedMore:
      return "need more";
    case V::kUnknownKind:
      return "unknown kind";
    case V::kMalformed:
      return "malformed";
    case V::kUnsupported:
      return "unsupported";
    case V::kTooManyPixels:
      return "too many pixels";
    case V::kTooMuchMemory:
      return "too much memory";
    case V::kFileTooShort:
      return "file too short";
  }
  return "?";
}

}  // namespace zarnik
