// JPEG pictures through libjpeg-turbo, held to the decode bounds: the frame header read first
// and matched against what the header reader accepted, a memory limit for libjpeg's own
// buffers (cinfo.mem->max_memory_to_use, which refuses what would need more, since there is
// no backing store), and the deadline checked by libjpeg's progress monitor, which it calls
// for every row and every pass over a progressive picture's scans.
#pragma once

#include <vector>

#include "platform/byte_input.h"
#include "platform/decode_bounds.h"
#include "platform/picture_header.h"
#include "platform/surface.h"

namespace zarnik {

enum class JpegDecoded {
  kRefused,  // nothing touched: not what the header said, over a bound, or broken headers
  kGivenUp,  // the deadline passed (rows drawn by then stay)
  kDone,     // the whole picture; a file cut short is filled in by libjpeg
  kBroken,   // the data broke after rows were drawn: what was drawn stays
};

enum class JpegPlacement {
  kOwnSize,      // the surface takes the picture's size
  kOntoSurface,  // drawn at the surface's top-left, cut to it, the rest in its background
};

JpegDecoded DecodeJpeg(const ByteInput& input, const PictureHeader& header, const DecodeBounds& bounds,
                       const Deadline& deadline, JpegPlacement placement, Surface& out);

}  // namespace zarnik
