// What a picture file's own header says, read before any decoder sees the file: its kind by
// its first bytes (never by its name), its size, and what decoding it would cost. A picture
// above the limits, or one whose header the file's length cannot back, is refused here.
// Pure logic, no windows.h: the native fuzzer builds it alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zarnik {

enum class PictureKind : uint8_t { kUnknown, kJpeg, kBmp, kPng, kGif };

enum class HeaderVerdict : uint8_t {
  kAccepted,
  kNeedMore,     // the bytes given end inside the header: ask again with `needed` of them
  kUnknownKind,  // not a kind the load path takes
  kMalformed,    // against its format's rules, or its header lies too far into the file
  kUnsupported,  // a variant no decoder here takes (arithmetic or lossless JPEG, ...)
  kTooManyPixels,
  kTooMuchMemory,  // the decoder would hold more than the limit besides the picture
  kFileTooShort,   // the header claims more than the file's length can hold
};

struct PictureLimits {
  uint64_t pixels = 0;         // width x height
  uint64_t decoder_bytes = 0;  // the decoder's own buffers for the picture
  // How far into the file a JPEG's frame header, a PNG's data or a GIF's first picture may reach.
  uint64_t header_window = 0;
};

struct PictureHeader {
  HeaderVerdict verdict = HeaderVerdict::kUnknownKind;
  PictureKind kind = PictureKind::kUnknown;
  uint32_t width = 0;
  uint32_t height = 0;
  uint64_t decoder_bytes = 0;
  // How much of the file the decoder is given: all of it, except for a GIF, whose decoder is
  // given its first picture only (the system's decodes every frame when it opens the file).
  uint64_t decoder_input = 0;
  // With kNeedMore: the bytes from the file's start the next call needs at least.
  uint64_t needed = 0;
};

// data holds the file's first size bytes (all of it when size == file_size).
PictureHeader ReadPictureHeader(const uint8_t* data, size_t size, uint64_t file_size,
                                const PictureLimits& limits);

const char* VerdictName(HeaderVerdict verdict);

}  // namespace zarnik
