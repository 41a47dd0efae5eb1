// What the converter keeps between calls, a bitmap path at a time: the file's identity and a
// digest of its content, the picture's transformed blocks, and the finished JPEGs of the
// qualities asked for, within a memory budget. The saver converts the same bitmap twice a
// second for as long as it runs; only quantisation and entropy coding depend on the quality,
// and its qualities come round again every cycle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "converter/bitmap_file.h"
#include "converter/kept_blocks.h"

namespace quorvel {

struct KeptSource {
  std::mutex busy;  // one conversion of the bitmap at a time
  bool known = false;  // identity and digest describe what is kept
  FileIdentity identity;
  uint64_t digest = 0;
  SourceBlocks blocks;
  std::map<int, std::vector<uint8_t>> jpegs;

  // Starts afresh for a picture of this size. Everything kept for it stays within one frame of
  // it at 4 bytes a pixel: the blocks first, the JPEGs in what is left.
  void Reset(int width, int height);
  // Keeps the JPEG of a quality when it fits what is left, or when it is smaller than kept ones
  // it can take the place of. The qualities come back in the same order every cycle, so the set
  // must settle rather than turn over; the smallest files settle it and save the most encoding
  // per byte kept (a JPEG's entropy coding grows with it, its quantisation does not).
  void Keep(int quality, const std::vector<uint8_t>& jpeg);
  size_t jpeg_bytes() const { return jpeg_bytes_; }

 private:
  size_t budget_ = 0;
  size_t jpeg_bytes_ = 0;
};

// The entry of a bitmap path, made on first use. Beyond a few paths the least recently used
// is let go (a conversion still using it keeps it until it ends).
std::shared_ptr<KeptSource> KeptFor(const std::wstring& path);

}  // namespace quorvel
