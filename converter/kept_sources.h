// What the converter keeps between calls, a bitmap path at a time: the file's identity and a
// digest of its content, the finished JPEGs of the qualities asked for and, once those cannot
// all be kept, the picture's transformed blocks; all within one frame of the picture at 4 bytes
// a pixel. The saver converts the same bitmap twice a second for as long as it runs, and its
// qualities come round again every cycle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
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
  std::set<int> seen;  // the qualities converted since the picture was first kept
  // Reused from call to call: memory asked of the system afresh is cleared page by page.
  std::vector<uint8_t> output;
  EncodeScratch scratch;

  // Starts afresh for a picture of this size.
  void Reset(int width, int height);
  // Whether the blocks are worth keeping: a quality came back that was converted before but
  // could not be kept as a JPEG. Until then a cycle's JPEGs all fit, and the blocks would only
  // take their room.
  bool WantsBlocks(int quality) const { return !blocks.components[0].values && seen.count(quality) != 0; }
  // Kept JPEGs make room, largest first, for the blocks of a picture of this size before they
  // are taken: the two together never hold more than the budget, even for a moment.
  void MakeRoomForBlocks(int width, int height);
  // Takes the blocks; kept JPEGs make room for them, largest first.
  void KeepBlocks(SourceBlocks taken);
  // Keeps the JPEG of a quality when it fits what is left beside the blocks, or when it is
  // smaller than a kept one it can take the place of. The qualities come back in the same
  // order every cycle, so the set must settle rather than turn over; the smallest files settle
  // it and save the most encoding per byte kept (entropy coding grows with the file).
  void Keep(int quality, const std::vector<uint8_t>& jpeg);
  size_t jpeg_bytes() const { return jpeg_bytes_; }

 private:
  size_t Room() const { return budget_ > blocks.bytes() ? budget_ - blocks.bytes() : 0; }
  void DropLargest();

  size_t budget_ = 0;
  size_t jpeg_bytes_ = 0;
};

// The entry of a bitmap path, made on first use. Beyond a few paths the least recently used
// is let go (a conversion still using it keeps it until it ends).
std::shared_ptr<KeptSource> KeptFor(const std::wstring& path);

}  // namespace quorvel
