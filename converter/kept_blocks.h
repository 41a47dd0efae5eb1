// JPEG encoding that can keep what does not depend on the quality. A picture's colour
// conversion, downsampling and forward transform give the same 8x8 blocks whatever the
// quality; only quantisation and entropy coding differ. EncodeRows encodes a picture exactly
// as libjpeg always has and can keep its transformed blocks; EncodeBlocks then encodes the kept
// blocks at any quality to the very bytes EncodeRows gives for that quality, doing only the
// quantisation (with libjpeg's own rounding) and the entropy coding.
//
// Keeping blocks takes libjpeg-turbo's own transform and quantiser from inside the library:
// BlocksCanBeKept says whether this build of it is one whose inside is known here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace quorvel {

// Memory aligned for the library's vector code, freed with _aligned_free.
struct AlignedFree {
  void operator()(void* p) const;
};
template <typename T>
using AlignedArray = std::unique_ptr<T[], AlignedFree>;

// One component's transformed blocks: 64 values a block, blocks row after row.
struct ComponentBlocks {
  int width_in_blocks = 0;
  int height_in_blocks = 0;
  AlignedArray<int16_t> values;
};

// A picture's transformed blocks: luma and the two chroma components, 4:2:0.
struct SourceBlocks {
  int width = 0;
  int height = 0;
  ComponentBlocks components[3];
  size_t bytes() const;
  // What the blocks of a picture of this size hold, before they are taken.
  static size_t BytesFor(int width, int height);
};

// Room for a component's row of quantised blocks while kept blocks are encoded, reused from
// call to call.
struct EncodeScratch {
  AlignedArray<int16_t> rows[3];
  size_t capacity[3] = {};
};

bool BlocksCanBeKept();

// Row y of the picture, from the top, as width * 3 bytes of blue, green, red; null to give up.
using RowSource = std::function<const uint8_t*(int y)>;

// A baseline JPEG of the picture at the quality (1..100, libjpeg's scale, 4:2:0, standard
// tables) appended to out. When keep is given and blocks can be kept, the picture's blocks go
// there too (on failure it is left empty). False on any error.
bool EncodeRows(int width, int height, const RowSource& rows, int quality, std::vector<uint8_t>* out,
                SourceBlocks* keep);

// The same JPEG from kept blocks: the bytes EncodeRows gives for their picture at this quality.
bool EncodeBlocks(const SourceBlocks& blocks, int quality, std::vector<uint8_t>* out, EncodeScratch* scratch);

}  // namespace quorvel
