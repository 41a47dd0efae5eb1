#include "platform/jpeg_decode.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <memory>

#include "platform/jpeg_error.h"

namespace zarnik {

namespace {

// libjpeg reading the input through a small buffer: no copy of the whole file.
struct InputSource {
  jpeg_source_mgr base;
  const ByteInput* input;
  uint64_t offset;
  JOCTET buffer[64 * 1024];
};

void SourceInit(j_decompress_ptr) {}
void SourceTerm(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr cinfo) {
  static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
  auto* s = reinterpret_cast<InputSource*>(cinfo->src);
  const size_t got = s->input->ReadAt(s->offset, s->buffer, sizeof(s->buffer));
  if (got == 0) {
    // A file cut short ends as if complete; libjpeg fills in the rest.
    s->base.next_input_byte = kEnd;
    s->base.bytes_in_buffer = sizeof(kEnd);
    return TRUE;
  }
  s->offset += got;
  s->base.next_input_byte = s->buffer;
  s->base.bytes_in_buffer = got;
  return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long bytes) {
  auto* s = reinterpret_cast<InputSource*>(cinfo->src);
  if (bytes <= 0) return;
  const auto skip = static_cast<size_t>(bytes);
  if (skip <= s->base.bytes_in_buffer) {
    s->base.next_input_byte += skip;
    s->base.bytes_in_buffer -= skip;
    return;
  }
  s->offset += skip - s->base.bytes_in_buffer;
  s->base.bytes_in_buffer = 0;
}

// The deadline, asked by libjpeg for every row and every pass; past it, the decoding ends as
// a libjpeg error does.
struct Watch {
  jpeg_progress_mgr base;
  const Deadline* deadline;
  bool passed;
};

void CheckDeadline(j_common_ptr cinfo) {
  auto* watch = reinterpret_cast<Watch*>(cinfo->progress);
  if (!watch->deadline->Passed()) return;
  watch->passed = true;
  (*cinfo->err->error_exit)(cinfo);
}

// CMYK as libjpeg gives it (inverted when an Adobe marker says so, as Adobe writes it) to the
// surface's blue, green, red: in place, four bytes for four.
void CmykToBgrx(uint8_t* row, int count, bool inverted) {
  for (int i = 0; i < count; ++i, row += 4) {
    int c = row[0], m = row[1], y = row[2], k = row[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    row[0] = static_cast<uint8_t>(y * k / 255);
    row[1] = static_cast<uint8_t>(m * k / 255);
    row[2] = static_cast<uint8_t>(c * k / 255);
    row[3] = 0xFF;
  }
}

}  // namespace

JpegDecoded DecodeJpeg(const ByteInput& input, const PictureHeader& header, const DecodeBounds& bounds,
                       const Deadline& deadline, JpegPlacement placement, Surface& out) {
  // Everything with a destructor exists before the setjmp: a libjpeg error jumps back here.
  std::unique_ptr<InputSource> source(new (std::nothrow) InputSource{});
  if (!source) return JpegDecoded::kRefused;
  std::vector<uint32_t> wide_row;
  jpeg_decompress_struct cinfo{};
  JpegErrorTrap trap;
  cinfo.err = trap.Install();
  Watch watch{};
  watch.base.progress_monitor = CheckDeadline;
  watch.deadline = &deadline;
  volatile bool touched = false;
  if (setjmp(trap.escape)) {
    jpeg_destroy_decompress(&cinfo);
    if (watch.passed) return JpegDecoded::kGivenUp;
    return touched ? JpegDecoded::kBroken : JpegDecoded::kRefused;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &watch.base;
  cinfo.mem->max_memory_to_use = static_cast<long>(std::min<long long>(bounds.memory, LONG_MAX));
  source->input = &input;
  source->base.init_source = SourceInit;
  source->base.fill_input_buffer = SourceFill;
  source->base.skip_input_data = SourceSkip;
  source->base.resync_to_restart = jpeg_resync_to_restart;
  source->base.term_source = SourceTerm;
  cinfo.src = &source->base;
  jpeg_read_header(&cinfo, TRUE);
  // libjpeg must see the frame the header reader judged, or nothing is decoded.
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  if (cinfo.image_width != header.width || cinfo.image_height != header.height ||
      static_cast<long long>(cinfo.image_width) * cinfo.image_height > bounds.pixels) {
    jpeg_destroy_decompress(&cinfo);
    return JpegDecoded::kRefused;
  }
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (w != static_cast<int>(header.width) || h != static_cast<int>(header.height) ||
      cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return JpegDecoded::kRefused;
  }
  if (placement == JpegPlacement::kOwnSize) {
    if (!out.Resize(w, h)) {
      jpeg_destroy_decompress(&cinfo);
      return JpegDecoded::kRefused;
    }
  }
  const bool wider = w > out.width();
  if (wider) wide_row.resize(static_cast<size_t>(w));
  touched = true;
  GdiFlush();
  if (w < out.width() || h < out.height()) out.Clear();
  const int rows = std::min(h, out.height());
  const int cols = std::min(w, out.width());
  constexpr int kBatch = 16;
  JSAMPROW batch[kBatch];
  while (static_cast<int>(cinfo.output_scanline) < rows) {
    const int y = static_cast<int>(cinfo.output_scanline);
    const int ask = wider ? 1 : std::min(kBatch, rows - y);
    for (int i = 0; i < ask; ++i)
      batch[i] = reinterpret_cast<JSAMPROW>(wider ? wide_row.data()
                                                  : out.pixels() + static_cast<size_t>(y + i) * out.width());
    const int got = static_cast<int>(jpeg_read_scanlines(&cinfo, batch, static_cast<JDIMENSION>(ask)));
    if (got <= 0) break;
    if (cmyk)
      for (int i = 0; i < got; ++i) CmykToBgrx(batch[i], w, cinfo.saw_Adobe_marker);
    // Drawn onto a surface each tick, each pixel's fourth byte stays as libjpeg sets it
    // (opaque): the screen takes the colour alone, and clearing it was one more pass over the
    // frame. A picture loaded once keeps the surface's form, 0x00RRGGBB.
    if (placement == JpegPlacement::kOwnSize)
      for (uint32_t* p = out.pixels() + static_cast<size_t>(y) * w;
           p != out.pixels() + static_cast<size_t>(y + got) * w; ++p)
        *p &= 0x00FFFFFF;
    if (wider)
      std::memcpy(out.pixels() + static_cast<size_t>(y) * out.width(), wide_row.data(),
                  static_cast<size_t>(cols) * 4);
  }
  jpeg_destroy_decompress(&cinfo);
  return JpegDecoded::kDone;
}

}  // namespace zarnik
