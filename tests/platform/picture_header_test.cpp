// The header readers: what each kind's header must hold before a decoder may see the file, and
// the seeds and hostile files of the corpus judged as the loader judges them.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/picture_header.h"
#include "platform/sound_header.h"

namespace zarnik {
namespace {

using V = HeaderVerdict;

const PictureLimits kLimits{80'000'000, 320'000'000, 64 << 20};

std::string Corpus(const std::string& name, const char* folder = "picture-corpus/") {
  std::ifstream f(folder + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

PictureHeader Read(const std::string& bytes, const PictureLimits& limits = kLimits) {
  return ReadPictureHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bytes.size(),
                           limits);
}

std::string Be16(int v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string Le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be32(uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }

// SOI, what comes before the frame, a frame header (4:2:0 for three components), then `after`
// bytes of scan data and EOI.
std::string Jpeg(int w, int h, size_t after = 64, int marker = 0xC0, int components = 3,
                 std::string before = "", int precision = 8) {
  std::string sof =
      std::string(1, static_cast<char>(precision)) + Be16(h) + Be16(w) + static_cast<char>(components);
  for (int c = 0; c < components; ++c)
    sof += std::string{static_cast<char>(c + 1), c == 0 ? '\x22' : '\x11', '\0'};
  return std::string("\xFF\xD8") + before + "\xFF" + static_cast<char>(marker) +
         Be16(2 + static_cast<int>(sof.size())) + sof + std::string(after, '\x55') + "\xFF\xD9";
}

TEST(PictureHeader, SeedsOfEveryKindAreTakenByTheirFirstBytesWithTheirSizes) {
  struct Seed {
    const char* name;
    PictureKind kind;
    uint32_t w, h;
  };
  for (const Seed& s : {Seed{"bmp-24.bmp", PictureKind::kBmp, 33, 21},
                        {"bmp-32-top-down.bmp", PictureKind::kBmp, 17, 9},
                        {"bmp-rle8.bmp", PictureKind::kBmp, 24, 12},
                        {"bmp-core.bmp", PictureKind::kBmp, 12, 5},
                        {"bmp-v5-32.bmp", PictureKind::kBmp, 9, 9},
                        {"png-interlaced.png", PictureKind::kPng, 9, 9},
                        {"png-rgba-16.png", PictureKind::kPng, 5, 4},
                        {"gif-animated.gif", PictureKind::kGif, 8, 8},
                        {"gif-no-trailer.gif", PictureKind::kGif, 6, 6},
                        {"jpeg-progressive.jpg", PictureKind::kJpeg, 48, 32},
                        {"jpeg-cmyk.jpg", PictureKind::kJpeg, 48, 32},
                        {"jpeg-grey.jpg", PictureKind::kJpeg, 48, 32},
                        {"hostile-png-named.jpg", PictureKind::kPng, 31, 17}}) {
    const std::string bytes = Corpus(s.name);
    ASSERT_FALSE(bytes.empty()) << s.name;
    const PictureHeader h = Read(bytes);
    EXPECT_EQ(h.verdict, V::kAccepted) << s.name << ": " << VerdictName(h.verdict);
    EXPECT_EQ(h.kind, s.kind) << s.name;
    EXPECT_EQ(h.width, s.w) << s.name;
    EXPECT_EQ(h.height, s.h) << s.name;
  }
}

TEST(PictureHeader, TheRegressionSetIsRefusedBeforeAnyDecoderSeesIt) {
  struct Hostile {
    const char* name;
    V verdict;
  };
  for (const Hostile& f : {Hostile{"hostile-jpeg-60000x60000.jpg", V::kTooManyPixels},
                           {"hostile-png-bomb.png", V::kTooManyPixels},
                           {"hostile-png-lies.png", V::kFileTooShort},
                           {"hostile-gif-screen-bomb.gif", V::kTooManyPixels},
                           {"hostile-bmp-sizes-lie.bmp", V::kFileTooShort},
                           {"hostile-bmp-huge.bmp", V::kTooManyPixels},
                           {"hostile-bmp-offset-past-end.bmp", V::kFileTooShort},
                           {"hostile-empty.jpg", V::kUnknownKind},
                           {"hostile-noise.jpg", V::kUnknownKind}}) {
    const PictureHeader h = Read(Corpus(f.name));
    EXPECT_EQ(h.verdict, f.verdict) << f.name << ": " << VerdictName(h.verdict);
  }
  // The JPEG is the size it was reported at.
  EXPECT_EQ(Corpus("hostile-jpeg-60000x60000.jpg").size(), 3251u);
}

TEST(PictureHeader, JpegMarkersAreWalkedAsLibjpegWalksThemAndOnlyHuffmanFramesTaken) {
  // Junk, fill bytes, a stuffed zero and a restart marker before an APP segment and the frame.
  const std::string before =
      std::string("junk\xFF\xFF\xFF\x00\xFF\xD3", 10) + std::string("\xFF\xE1") + Be16(6) + "Exif";
  PictureHeader h = Read(Jpeg(640, 480, 2000, 0xC0, 3, before));
  EXPECT_EQ(h.verdict, V::kAccepted) << VerdictName(h.verdict);
  EXPECT_EQ(h.width, 640u);
  EXPECT_EQ(h.height, 480u);
  EXPECT_EQ(Read(Jpeg(640, 480, 2000, 0xC1)).verdict, V::kAccepted);
  EXPECT_EQ(Read(Jpeg(640, 480, 2000, 0xC2)).verdict, V::kAccepted);
  for (int unsupported : {0xC3, 0xC5, 0xC9, 0xCA, 0xCB, 0xCF})
    EXPECT_EQ(Read(Jpeg(64, 64, 2000, unsupported)).verdict, V::kUnsupported) << std::hex << unsupported;
  EXPECT_EQ(Read(Jpeg(64, 64, 2000, 0xC0, 2)).verdict, V::kUnsupported);
  EXPECT_EQ(Read(Jpeg(64, 64, 2000, 0xC0, 3, "", 12)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Jpeg(64, 0, 2000)).verdict, V::kMalformed);  // height defined later (DNL): not taken
  EXPECT_EQ(Read(std::string("\xFF\xD8\xFF\xDA", 4) + Be16(8) + std::string(6, '\0')).verdict, V::kMalformed);
  EXPECT_EQ(Read(std::string("\xFF\xD8\xFF\xD9\0\0\0\0", 8)).verdict, V::kMalformed);
}

TEST(PictureHeader, AJpegMustHoldABitForEachBlockOfItsSmallestComponent) {
  // 4000 x 4000 at 4:2:0: the chroma has 250 x 250 blocks, 7,813 bytes at the least.
  EXPECT_EQ(Read(Jpeg(4000, 4000, 100)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Jpeg(4000, 4000, 7800)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Jpeg(4000, 4000, 7820)).verdict, V::kAccepted);
  // Progressive pictures are held whole as coefficients: over the memory limit they are refused.
  const PictureHeader p = Read(Jpeg(4000, 4000, 8000, 0xC2));
  EXPECT_EQ(p.decoder_bytes, (500ull * 500 + 2 * 250 * 250) * 64 * 2);
  EXPECT_EQ(
      Read(Jpeg(4000, 4000, 8000, 0xC2), PictureLimits{80'000'000, p.decoder_bytes - 1, 1 << 20}).verdict,
      V::kTooMuchMemory);
}

TEST(PictureHeader, ThePixelLimitIsTheLargestPictureTaken) {
  const PictureLimits limits{100 * 50, 1 << 30, 1 << 20};
  EXPECT_EQ(Read(Jpeg(100, 50, 400), limits).verdict, V::kAccepted);
  EXPECT_EQ(Read(Jpeg(101, 50, 400), limits).verdict, V::kTooManyPixels);
}

std::string Bmp(int32_t w, int32_t h, int bits, uint32_t compression, size_t pixel_bytes,
                uint32_t colours = 0, uint32_t offset = 0) {
  std::string info = Le32(40) + Le32(static_cast<uint32_t>(w)) + Le32(static_cast<uint32_t>(h)) + Le16(1) +
                     Le16(bits) + Le32(compression) + Le32(0) + Le32(0) + Le32(0) + Le32(colours) + Le32(0);
  const uint32_t palette = bits <= 8 ? 4 * (colours ? colours : 1u << bits) : 0;
  if (!offset) offset = 54 + palette;
  return std::string("BM") + Le32(0) + Le32(0) + Le32(offset) + info + std::string(palette, '\0') +
         std::string(pixel_bytes, '\0');
}

TEST(PictureHeader, BitmapSizesMustBeInTheFile) {
  EXPECT_EQ(Read(Bmp(10, 10, 24, 0, 320)).verdict, V::kAccepted);   // 32-byte rows
  EXPECT_EQ(Read(Bmp(10, -10, 24, 0, 320)).verdict, V::kAccepted);  // top-down
  EXPECT_EQ(Read(Bmp(10, 10, 24, 0, 319)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Bmp(100, 100, 8, 1, 2)).verdict,
            V::kAccepted);  // a run-length bitmap needs its end mark only
  EXPECT_EQ(Read(Bmp(100, 100, 8, 1, 1)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Bmp(100, -100, 8, 1, 2)).verdict, V::kMalformed);  // runs are never top-down
  EXPECT_EQ(Read(Bmp(10, 10, 24, 1, 320)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Bmp(10, 10, 8, 0, 100, 300)).verdict, V::kMalformed);     // more colours than 8 bits hold
  EXPECT_EQ(Read(Bmp(10, 10, 24, 0, 320, 0, 20)).verdict, V::kMalformed);  // pixels inside the headers
  for (uint32_t embedded : {4u, 5u, 6u})
    EXPECT_EQ(Read(Bmp(10, 10, 24, embedded, 320)).verdict, V::kUnsupported);
  EXPECT_EQ(Read(Bmp(10, INT32_MIN, 24, 0, 320)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Bmp(0, 10, 24, 0, 320)).verdict, V::kMalformed);
}

std::string Chunk(const std::string& type, const std::string& data) {
  return Be32(static_cast<uint32_t>(data.size())) + type + data + "CRC!";
}

std::string Png(uint32_t w, uint32_t h, int depth, int type, const std::string& chunks) {
  const std::string ihdr =
      Be32(w) + Be32(h) + static_cast<char>(depth) + static_cast<char>(type) + std::string(3, '\0');
  return std::string("\x89PNG\r\n\x1A\n", 8) + Chunk("IHDR", ihdr) + chunks + Chunk("IEND", "");
}

TEST(PictureHeader, PngChunksUpToItsDataMustBeInTheFileAndTheDataEnoughForItsRows) {
  const std::string idat = Chunk("IDAT", std::string(1000, '\0'));
  EXPECT_EQ(Read(Png(100, 100, 8, 6, Chunk("tEXt", "a") + idat)).verdict, V::kAccepted);
  // 40,000 bytes of rows need at least 39 bytes of deflate data; 1000 x 1000 RGBA needs 3,876.
  EXPECT_EQ(Read(Png(1000, 1000, 8, 6, idat)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Png(100, 100, 8, 6, Chunk("IEND", "") + idat)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Png(100, 100, 8, 6, Be32(1 << 30) + "zTXt" + idat)).verdict, V::kFileTooShort);
  EXPECT_EQ(Read(Png(100, 100, 8, 6, Chunk("t3Xt", "") + idat)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Png(100, 100, 16, 3, idat)).verdict, V::kMalformed);  // no 16-bit palettes
  EXPECT_EQ(Read(Png(100, 100, 2, 2, idat)).verdict, V::kMalformed);
  EXPECT_EQ(Read(Png(0x80000000u, 1, 8, 0, idat)).verdict, V::kMalformed);
  // A 16-bit RGBA picture's rows need eight bytes a pixel in the decoder.
  EXPECT_EQ(Read(Png(100, 100, 16, 6, idat)).decoder_bytes, 80000u);
}

std::string Gif(int w, int h, const std::string& blocks) {
  return std::string("GIF89a") + Le16(w) + Le16(h) + std::string("\x80\0\0", 3) + std::string(6, '\0') +
         blocks;
}
std::string Image(int w, int h, const std::string& data, int code_size = 2) {
  return std::string("\x2C") + Le16(0) + Le16(0) + Le16(w) + Le16(h) + std::string(1, '\0') +
         static_cast<char>(code_size) + data;
}
std::string SubBlocks(size_t bytes) {
  std::string out;
  for (; bytes; bytes -= std::min<size_t>(bytes, 255))
    out += static_cast<char>(std::min<size_t>(bytes, 255)) + std::string(std::min<size_t>(bytes, 255), '\1');
  return out + '\0';
}

TEST(PictureHeader, AGifDecoderIsGivenItsFirstPictureOnly) {
  const std::string first = Image(16, 16, SubBlocks(10));
  const std::string gif = Gif(16, 16, first + Image(60000, 60000, SubBlocks(3)) + ";");
  const PictureHeader h = Read(gif);
  EXPECT_EQ(h.verdict, V::kAccepted) << VerdictName(h.verdict);
  EXPECT_EQ(h.decoder_input, 19u + first.size());
  EXPECT_EQ(Read(Gif(16, 16, Image(16, 16, SubBlocks(10), 1))).verdict, V::kMalformed);
  EXPECT_EQ(Read(Gif(16, 16, Image(16, 16, SubBlocks(10), 9))).verdict, V::kMalformed);
  EXPECT_EQ(Read(Gif(16, 16, ";")).verdict, V::kMalformed);
  EXPECT_EQ(Read(Gif(16, 16, Image(16, 16, "\x05\1\1"))).verdict, V::kFileTooShort);  // cut inside its data
  // 4096 x 4096 pixels cannot come from two bytes of codes.
  EXPECT_EQ(Read(Gif(16, 16, Image(4096, 4096, SubBlocks(2)))).verdict, V::kFileTooShort);
  // Extension blocks before it: a few are kept by the decoder, thousands are refused.
  std::string many;
  for (int i = 0; i < 5000; ++i) many += std::string("\x21\xFE\x01x\0", 5);
  EXPECT_EQ(Read(Gif(16, 16, many.substr(0, 5 * 100) + first)).verdict, V::kAccepted);
  EXPECT_EQ(Read(Gif(16, 16, many + first)).verdict, V::kTooMuchMemory);
}

TEST(PictureHeader, PrefixesGiveTheVerdictOfTheWholeFile) {
  for (const char* name : {"jpeg-comment.jpg", "png-rgba.png", "gif-89a-extensions.gif", "bmp-8-palette.bmp",
                           "hostile-jpeg-60000x60000.jpg", "hostile-bmp-sizes-lie.bmp"}) {
    const std::string bytes = Corpus(name);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    const PictureHeader whole = Read(bytes);
    size_t have = 4;
    PictureHeader part = ReadPictureHeader(data, have, bytes.size(), kLimits);
    int calls = 1;
    while (part.verdict == V::kNeedMore) {
      ASSERT_GT(part.needed, have) << name;
      have = static_cast<size_t>(part.needed);
      part = ReadPictureHeader(data, have, bytes.size(), kLimits);
      ASSERT_LT(++calls, 1000) << name;
    }
    EXPECT_EQ(part.verdict, whole.verdict) << name;
    EXPECT_EQ(part.width, whole.width) << name;
  }
  // A frame header further in than the window is refused, however long the file.
  const std::string far =
      Jpeg(64, 64, 2000, 0xC0, 3, std::string("\xFF\xFE") + Be16(60000) + std::string(59998, ' '));
  EXPECT_EQ(Read(far, PictureLimits{80'000'000, 1 << 30, 50000}).verdict, V::kMalformed);
}

SoundHeader Sound(const std::string& bytes) {
  return ReadSoundHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bytes.size());
}

std::string Wave(uint32_t riff_size, uint32_t data_size, size_t data_bytes,
                 const std::string& fmt_extra = "") {
  const std::string fmt = Le16(1) + Le16(1) + Le32(22050) + Le32(44100) + Le16(2) + Le16(16) + fmt_extra;
  return std::string("RIFF") + Le32(riff_size) + "WAVE" + "fmt " + Le32(static_cast<uint32_t>(fmt.size())) +
         fmt + "data" + Le32(data_size) + std::string(data_bytes, '\1');
}

TEST(SoundHeader, AWaveIsPlayedOnlyWhenItsChunksFitTheFile) {
  EXPECT_EQ(Sound(Wave(36 + 100, 100, 100)).verdict, SoundVerdict::kPlayable);
  EXPECT_EQ(Sound(Wave(36 + 100, 100, 100)).kind, SoundKind::kWave);
  EXPECT_EQ(Sound(Wave(0x7FFFFFF8, 100, 100)).verdict, SoundVerdict::kSizesLie);
  EXPECT_EQ(Sound(Wave(36 + 100, 0x7FFFFFF0, 100)).verdict, SoundVerdict::kSizesLie);
  EXPECT_EQ(Sound(Wave(36 + 102, 101, 101)).verdict, SoundVerdict::kPlayable);  // its pad byte missing
  EXPECT_EQ(Sound(Wave(36, 0, 0)).verdict, SoundVerdict::kNotSound);            // nothing to play
  std::string no_format = Wave(36 + 100, 100, 100);
  no_format.replace(12, 4, "junk");
  EXPECT_EQ(Sound(no_format).verdict, SoundVerdict::kNotSound);
  EXPECT_EQ(Sound(Corpus("tone.wav", "music-data/")).verdict, SoundVerdict::kPlayable);
}

TEST(SoundHeader, MpegAudioIsFramesInARowAndNoiseIsNot) {
  const std::string mp3 = Corpus("tone.mp3", "music-data/");
  ASSERT_FALSE(mp3.empty());
  EXPECT_EQ(Sound(mp3).verdict, SoundVerdict::kPlayable);
  EXPECT_EQ(Sound(mp3).kind, SoundKind::kMpegAudio);
  // Behind an ID3 tag, and the same with the tag's size claiming past the file.
  const std::string tag = std::string("ID3\x03\0\0\0\0\0\x10", 10) + std::string(16, '\0');
  EXPECT_EQ(Sound(tag + mp3).verdict, SoundVerdict::kPlayable);
  EXPECT_EQ(Sound(std::string("ID3\x03\0\0\x7F\x7F\x7F\x7F", 10) + mp3).verdict, SoundVerdict::kSizesLie);
  std::string noise(64 * 1024, '\0');
  uint32_t seed = 24;
  for (auto& c : noise) c = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  EXPECT_EQ(Sound(noise).verdict, SoundVerdict::kNotSound);
  EXPECT_EQ(Sound("").verdict, SoundVerdict::kNotSound);
  // One frame header alone, the rest noise.
  EXPECT_EQ(Sound(mp3.substr(0, 4) + noise).verdict, SoundVerdict::kNotSound);
}

}  // namespace
}  // namespace zarnik
