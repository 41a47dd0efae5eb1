#include "platform/sound_header.h"

#include <algorithm>
#include <cstring>

#include "platform/header_bytes.h"

namespace zarnik {

namespace {

using V = SoundVerdict;

using namespace header_bytes;
using Bytes = Window<SoundHeader>;

// RIFF WAVE: every chunk up to the data inside the RIFF chunk, the RIFF chunk inside the
// file (its last pad byte may be missing), a format that can be played, data that is there.
SoundHeader& ReadWave(Bytes& in, SoundHeader& h) {
  h.kind = SoundKind::kWave;
  const uint64_t riff_end = 8 + static_cast<uint64_t>(Le32(in.At(4)));
  if (riff_end > in.file_size() + 1) return Say(h, V::kSizesLie);
  bool format = false;
  uint64_t pos = 12;
  while (pos + 8 <= riff_end) {
    if (!in.Have(pos + 8)) return h;
    const uint8_t* chunk = in.At(pos);
    const uint64_t size = Le32(chunk + 4);
    const uint64_t end = pos + 8 + size;
    if (end > riff_end || end > in.file_size()) return Say(h, V::kSizesLie);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16) return Say(h, V::kNotSound);
      if (!in.Have(pos + 24)) return h;
      const uint8_t* f = chunk + 8;
      const uint16_t tag = Le16(f), channels = Le16(f + 2), align = Le16(f + 12), bits = Le16(f + 14);
      const uint32_t rate = Le32(f + 4);
      if (tag == 0 || channels == 0 || rate == 0 || align == 0) return Say(h, V::kNotSound);
      if (tag == 1 && (bits == 0 || bits % 8 != 0 || align != channels * (bits / 8)))
        return Say(h, V::kNotSound);
      format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      return Say(h, format && size > 0 ? V::kPlayable : V::kNotSound);
    }
    pos = end + (size & 1);
  }
  return Say(h, V::kNotSound);
}

// One MPEG audio frame header: its length in bytes, 0 when it is none (free format is not
// taken: its length cannot be known from the header).
struct Frame {
  uint32_t length = 0;
  int version = 0, layer = 0, rate = 0;
};

Frame FrameAt(const uint8_t* p) {
  Frame f;
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return f;
  const int version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3, bitrate = p[2] >> 4, rate = (p[2] >> 2) & 3;
  if (version == 1 || layer == 0 || bitrate == 0 || bitrate == 15 || rate == 3) return f;
  static const uint16_t kBitrates[5][14] = {
      {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
      {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
      {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
      {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 and 2.5 layer I
      {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 and 2.5 layers II, III
  };
  static const uint32_t kRates[3] = {44100, 48000, 32000};
  const bool mpeg1 = version == 3;
  const int table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
  const uint32_t kbps = kBitrates[table][bitrate - 1];
  const uint32_t hz = kRates[rate] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const uint32_t padding = (p[2] >> 1) & 1;
  if (layer == 3)
    f.length = (12 * kbps * 1000 / hz + padding) * 4;
  else if (layer == 1 && !mpeg1)
    f.length = 72 * kbps * 1000 / hz + padding;
  else
    f.length = 144 * kbps * 1000 / hz + padding;
  f.version = version;
  f.layer = layer;
  f.rate = rate;
  return f;
}

// How far past an ID3 tag the first frame may be looked for.
constexpr uint64_t kFrameSearch = 64 * 1024;
// Frames in a row, each where the one before says it ends, that tell MPEG audio from noise.
constexpr int kFramesInARow = 3;

// MPEG audio: an optional ID3v2 tag inside the file, then frames one after another.
SoundHeader& ReadMpeg(Bytes& in, SoundHeader& h) {
  uint64_t start = 0;
  if (std::memcmp(in.At(0), "ID3", 3) == 0) {
    if (!in.Have(10)) return h;
    const uint8_t* tag = in.At(0);
    if ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) return Say(h, V::kSizesLie);
    const uint64_t size = (static_cast<uint64_t>(tag[6]) << 21) | (tag[7] << 14) | (tag[8] << 7) | tag[9];
    start = 10 + size + ((tag[5] & 0x10) ? 10 : 0);
    if (start >= in.file_size()) return Say(h, V::kSizesLie);
  }
  const uint64_t last = std::min(in.file_size(), start + kFrameSearch);
  for (uint64_t pos = start; pos + 4 <= last; ++pos) {
    if (!in.Have(pos + 4)) return h;
    const Frame first = FrameAt(in.At(pos));
    if (first.length == 0) continue;
    uint64_t at = pos;
    int count = 1;
    for (Frame f = first; count < kFramesInARow; ++count) {
      at += f.length;
      if (at + 4 > in.file_size()) break;
      if (!in.Have(at + 4)) return h;
      f = FrameAt(in.At(at));
      if (f.length == 0 || f.version != first.version || f.layer != first.layer || f.rate != first.rate)
        break;
    }
    if (count == kFramesInARow) {
      h.kind = SoundKind::kMpegAudio;
      return Say(h, V::kPlayable);
    }
  }
  return Say(h, V::kNotSound);
}

}  // namespace

SoundHeader ReadSoundHeader(const uint8_t* data, size_t size, uint64_t file_size) {
  SoundHeader h;
  Bytes in(data, size, file_size, kSoundHeaderWindow, V::kNeedMore, V::kNotSound, h);
  if (file_size < 12) return Say(h, V::kNotSound);
  if (!in.Have(12)) return h;
  if (std::memcmp(in.At(0), "RIFF", 4) == 0 && std::memcmp(in.At(8), "WAVE", 4) == 0) return ReadWave(in, h);
  return ReadMpeg(in, h);
}

}  // namespace zarnik
