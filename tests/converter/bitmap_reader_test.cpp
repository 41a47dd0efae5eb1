#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "converter/bitmap_reader.h"

namespace quorvel {
namespace {

struct Bytes {
  std::vector<uint8_t> b;
  void u8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
  void u16(uint32_t v) { u8(v); u8(v >> 8); }
  void u32(uint32_t v) { u16(v); u16(v >> 16); }
};

// A bitmap of the given form; pixel (x, y from the top) gets the colour colour(x, y) as
// 0xRRGGBB, or the palette index (x + y) % colours for palettised depths.
std::vector<uint8_t> MakeBitmap(int w, int h, int bits, bool top_down, uint32_t info_size = 40,
                                bool bitfields = false, uint32_t rmask = 0, uint32_t gmask = 0, uint32_t bmask = 0) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  const uint32_t masks = bitfields && info_size == 40 ? 12 : 0;
  const uint32_t offset = 14 + info_size + masks + colours * 4;
  Bytes out;
  out.u8('B'); out.u8('M'); out.u32(offset + static_cast<uint32_t>(stride * h)); out.u32(0); out.u32(offset);
  out.u32(info_size); out.u32(w); out.u32(top_down ? -h : h); out.u16(1); out.u16(bits);
  out.u32(bitfields ? 3 : 0); out.u32(0); out.u32(2835); out.u32(2835); out.u32(0); out.u32(0);
  if (info_size > 40) {
    out.u32(rmask); out.u32(gmask); out.u32(bmask);
    for (uint32_t i = 52; i < info_size; ++i) out.u8(0);
  } else if (bitfields) {
    out.u32(rmask); out.u32(gmask); out.u32(bmask);
  }
  for (int i = 0; i < colours; ++i) { out.u8(i * 3); out.u8(i * 5); out.u8(i * 7); out.u8(0); }
  for (int row = 0; row < h; ++row) {
    const int y = top_down ? row : h - 1 - row;
    std::vector<uint8_t> line(stride, 0);
    for (int x = 0; x < w; ++x) {
      const uint32_t r = (x * 40) & 0xFF, g = (y * 60) & 0xFF, b = (x * y * 7) & 0xFF;
      if (bits == 24) { line[x * 3] = b; line[x * 3 + 1] = g; line[x * 3 + 2] = r; }
      if (bits == 32) {
        uint32_t v = bitfields ? ((r << 24) | (g << 16) | (b << 8)) : ((r << 16) | (g << 8) | b);
        std::memcpy(&line[x * 4], &v, 4);
      }
      if (bits == 16) {
        uint16_t v = static_cast<uint16_t>(bitfields ? (((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
                                                     : (((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
        std::memcpy(&line[x * 2], &v, 2);
      }
      if (bits <= 8) {
        const int index = (x + y) % colours;
        const int per = 8 / bits;
        line[x / per] |= static_cast<uint8_t>(index << ((per - 1 - x % per) * bits));
      }
    }
    out.b.insert(out.b.end(), line.begin(), line.end());
  }
  return out.b;
}

TEST(BitmapReader, ReadsEveryDepthTopDownAndBottomUp) {
  struct Form {
    int bits;
    bool bitfields;
    uint32_t r, g, b;
    int tolerance;
  };
  const Form forms[] = {{24, false, 0, 0, 0, 0},          {32, false, 0, 0, 0, 0},
                        {32, true, 0xFF000000, 0xFF0000, 0xFF00, 0}, {16, false, 0, 0, 0, 8},
                        {16, true, 0xF800, 0x07E0, 0x001F, 8}, {8, false, 0, 0, 0, 0},
                        {4, false, 0, 0, 0, 0},           {1, false, 0, 0, 0, 0}};
  for (const Form& f : forms) {
    for (bool top_down : {false, true}) {
      for (uint32_t info : {40u, 124u}) {
        if (info == 124 && !f.bitfields && f.bits != 24) continue;
        const int w = 13, h = 7;
        auto bytes = MakeBitmap(w, h, f.bits, top_down, info, f.bitfields, f.r, f.g, f.b);
        BitmapReader reader;
        ASSERT_TRUE(reader.Open(bytes.data(), bytes.size())) << f.bits << " bits";
        EXPECT_EQ(reader.width(), w);
        EXPECT_EQ(reader.height(), h);
        for (int y = 0; y < h; ++y) {
          const uint8_t* row = reader.RowBgr(y);
          ASSERT_NE(row, nullptr);
          for (int x = 0; x < w; ++x) {
            int eb, eg, er;
            if (f.bits <= 8) {
              const int i = (x + y) % (1 << f.bits);
              eb = i * 3; eg = i * 5; er = i * 7;
            } else {
              er = (x * 40) & 0xFF; eg = (y * 60) & 0xFF; eb = (x * y * 7) & 0xFF;
            }
            EXPECT_NEAR(row[x * 3], eb, f.tolerance) << f.bits << " " << x << "," << y;
            EXPECT_NEAR(row[x * 3 + 1], eg, f.tolerance);
            EXPECT_NEAR(row[x * 3 + 2], er, f.tolerance);
          }
        }
        EXPECT_EQ(reader.RowBgr(h), nullptr);
        EXPECT_EQ(reader.RowBgr(-1), nullptr);
      }
    }
  }
}

TEST(BitmapReader, RefusesWhatItCannotTrust) {
  auto good = MakeBitmap(8, 8, 24, false);
  BitmapReader reader;
  ASSERT_TRUE(reader.Open(good.data(), good.size()));
  // Every cut short of the whole pixel data is refused (the last row's padding may go).
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(reader.Open(good.data(), cut)) << cut;
  auto padded = MakeBitmap(5, 3, 24, false);  // rows of 15 bytes padded to 16
  EXPECT_TRUE(reader.Open(padded.data(), padded.size() - 1));
  EXPECT_FALSE(reader.Open(padded.data(), padded.size() - 2));
  EXPECT_FALSE(reader.Open(nullptr, 100));

  auto patch32 = [&](size_t at, uint32_t v) {
    auto b = good;
    std::memcpy(&b[at], &v, 4);
    return b;
  };
  for (auto bad : {patch32(18, 0), patch32(18, 0x80000000u), patch32(22, 0), patch32(22, 0x80000000u),
                   patch32(18, 70000), patch32(18, 20000) /* 20000 x 8 does not fit the file */,
                   patch32(30, 1) /* run-length */, patch32(30, 4) /* JPEG inside */,
                   patch32(10, 0xFFFFFFF0u) /* pixels past the end */, patch32(14, 0x7FFFFFFF)}) {
    EXPECT_FALSE(reader.Open(bad.data(), bad.size()));
  }
  auto wrong_magic = good;
  wrong_magic[0] = 'X';
  EXPECT_FALSE(reader.Open(wrong_magic.data(), wrong_magic.size()));
  auto masks_with_holes = MakeBitmap(4, 4, 32, false, 40, true, 0x00F0F000, 0xFF00, 0xFF);
  EXPECT_FALSE(reader.Open(masks_with_holes.data(), masks_with_holes.size()));
  auto empty_mask = MakeBitmap(4, 4, 32, false, 40, true, 0xFF0000, 0, 0xFF);
  EXPECT_FALSE(reader.Open(empty_mask.data(), empty_mask.size()));
}

}  // namespace
}  // namespace quorvel
