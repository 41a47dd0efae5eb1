// Pictures loaded within their bounds, and put onto a surface as they are: JPEG decoded by
// libjpeg-turbo (straight into the surface when drawn), other kinds through the system's
// loader, always at the top-left and unscaled.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <turbojpeg.h>
#include <wincodec.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/picture_file.h"
#include "platform/picture_header.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

// Soft colour fields with grain: what JPEG meets on a desktop or in a photograph.
std::vector<uint32_t> Scene(int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  uint32_t seed = 99;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 28) - 8;
      auto channel = [&](double v) { return static_cast<uint32_t>(std::clamp(static_cast<int>(v) + grain, 0, 255)); };
      const uint32_t r = channel(128 + 100 * std::sin(x / 23.0 + y / 41.0));
      const uint32_t g = channel(128 + 90 * std::cos(x / 37.0 - y / 19.0));
      const uint32_t b = channel(x * 255.0 / w);
      px[static_cast<size_t>(y) * w + x] = (r << 16) | (g << 8) | b;
    }
  return px;
}

std::string Jpeg(const std::vector<uint32_t>& px, int w, int h, int quality, int subsamp, int flags = 0) {
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(tj, reinterpret_cast<const unsigned char*>(px.data()), w, w * 4, h, TJPF_BGRX, &out,
                             &size, subsamp, quality, flags);
  std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// The colours alone: a JPEG drawn leaves each pixel's fourth byte as libjpeg sets it, which the
// screen ignores.
std::vector<uint32_t> PixelsOf(const Surface& s) {
  std::vector<uint32_t> px(s.pixels(), s.pixels() + static_cast<size_t>(s.width()) * s.height());
  for (auto& p : px) p &= 0x00FFFFFF;
  return px;
}

class DrawPicture : public ::testing::Test {
 protected:
  std::wstring File(const wchar_t* name) const { return folder_.File(name); }
  TempFolder folder_;
};

// libjpeg-turbo's own decoding of the bytes, as its reference program gives it.
std::vector<uint32_t> ReferenceDecode(const std::string& jpeg, int w, int h) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  tjhandle tj = tjInitDecompress();
  tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()),
                reinterpret_cast<unsigned char*>(px.data()), w, w * 4, h, TJPF_BGRX, 0);
  tjDestroy(tj);
  for (auto& p : px) p &= 0x00FFFFFF;
  return px;
}

// The system's imaging component's own decoding of the file, by whatever decoder it picks.
std::vector<uint32_t> SystemDecode(const std::wstring& path) {
  std::vector<uint32_t> px;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  IWICBitmapDecoder* decoder = nullptr;
  IWICBitmapFrameDecode* frame = nullptr;
  IWICFormatConverter* converter = nullptr;
  UINT w = 0, h = 0;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                   &decoder)) &&
      SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&w, &h)) &&
      SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
      SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                      WICBitmapPaletteTypeCustom))) {
    px.resize(static_cast<size_t>(w) * h);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(px.data())))) px.clear();
  }
  for (IUnknown* u : std::initializer_list<IUnknown*>{converter, frame, decoder, factory})
    if (u) u->Release();
  CoUninitialize();
  for (auto& p : px) p &= 0x00FFFFFF;
  return px;
}

int LargestChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  int most = 0;
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    for (int shift : {0, 8, 16})
      most = std::max(most, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)));
  return most;
}

double MeanChannelDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int shift : {0, 8, 16})
      sum += std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF));
  return a.empty() ? 0 : sum / (3.0 * static_cast<double>(a.size()));
}

TEST_F(DrawPicture, JpegGivesLibjpegTurbosPixelsCloseToTheSystemsLoader) {
  const int w = 301, h = 203;  // not a whole number of blocks either way
  const auto scene = Scene(w, h);
  struct Kind {
    const char* name;
    int quality, subsamp, flags;
  };
  for (Kind k : {Kind{"q50 4:2:0", 50, TJSAMP_420, 0}, Kind{"q11 4:2:0", 11, TJSAMP_420, 0},
                 Kind{"q95 4:4:4", 95, TJSAMP_444, 0}, Kind{"q80 4:2:2", 80, TJSAMP_422, 0},
                 Kind{"grey", 70, TJSAMP_GRAY, 0}, Kind{"progressive", 60, TJSAMP_420, TJFLAG_PROGRESSIVE}}) {
    const std::string jpeg = Jpeg(scene, w, h, k.quality, k.subsamp, k.flags);
    ASSERT_TRUE(WriteBytes(File(L"p.jpg"), jpeg)) << k.name;
    Surface loaded, drawn;
    ASSERT_TRUE(LoadPictureFile(File(L"p.jpg"), loaded)) << k.name;
    EXPECT_EQ(PixelsOf(loaded), ReferenceDecode(jpeg, w, h)) << k.name;
    ASSERT_TRUE(drawn.Resize(w, h));
    std::fill(drawn.pixels(), drawn.pixels() + w * h, 0x123456u);
    ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), drawn)) << k.name;
    EXPECT_EQ(PixelsOf(drawn), ReferenceDecode(jpeg, w, h)) << k.name;
    // Decoders differ in their rounding and chroma upsampling, never in the picture.
    const std::vector<uint32_t> system = SystemDecode(File(L"p.jpg"));
    ASSERT_EQ(system.size(), static_cast<size_t>(w) * h) << k.name;
    const int most = LargestChannelDifference(PixelsOf(drawn), system);
    EXPECT_LE(most, 32) << k.name;
    EXPECT_LT(MeanChannelDifference(PixelsOf(drawn), system), 1.5) << k.name;
  }
}

TEST_F(DrawPicture, SitsAtTheTopLeftUnscaledAndKeepsTheSurfaceSize) {
  const auto scene = Scene(120, 90);
  ASSERT_TRUE(WriteBytes(File(L"p.jpg"), Jpeg(scene, 120, 90, 90, TJSAMP_444)));
  Surface picture;
  ASSERT_TRUE(LoadPictureFile(File(L"p.jpg"), picture));

  // A larger surface: the picture at the top-left, the rest in the background colour.
  Surface big;
  big.SetBackground(RGB(0, 0, 255));
  ASSERT_TRUE(big.Resize(200, 150));
  std::fill(big.pixels(), big.pixels() + 200 * 150, 0xFF00FFu);
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), big));
  EXPECT_EQ(big.width(), 200);
  EXPECT_EQ(big.height(), 150);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t want = x < 120 && y < 90 ? picture.pixels()[y * 120 + x] : 0x0000FFu;
      ASSERT_EQ(big.pixels()[y * 200 + x] & 0x00FFFFFF, want) << x << "," << y;
    }

  // A smaller one: the picture's top-left part, cut.
  Surface small;
  ASSERT_TRUE(small.Resize(50, 40));
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), small));
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x)
      ASSERT_EQ(small.pixels()[y * 50 + x] & 0x00FFFFFF, picture.pixels()[y * 120 + x]) << x << "," << y;

  // Wider but shorter: cut on the right, background below.
  Surface wide;
  ASSERT_TRUE(wide.Resize(60, 100));
  ASSERT_TRUE(DrawPictureFile(File(L"p.jpg"), wide));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 60; ++x)
      ASSERT_EQ(wide.pixels()[y * 60 + x] & 0x00FFFFFF, y < 90 ? picture.pixels()[y * 120 + x] : 0u) << x << "," << y;
}

TEST_F(DrawPicture, OtherKindsGoThroughTheSystemAndBadFilesLeaveTheSurfaceAlone) {
  Surface bmp;
  ASSERT_TRUE(bmp.Resize(30, 20));
  std::fill(bmp.pixels(), bmp.pixels() + 600, 0x406080u);
  ASSERT_TRUE(bmp.SaveBmp(File(L"named.jpg")));  // a bitmap under a JPEG's name
  Surface out;
  ASSERT_TRUE(out.Resize(40, 20));
  ASSERT_TRUE(DrawPictureFile(File(L"named.jpg"), out));
  for (int x = 0; x < 40; ++x) EXPECT_EQ(out.pixels()[5 * 40 + x], x < 30 ? 0x406080u : 0u) << x;

  std::fill(out.pixels(), out.pixels() + 800, 0xABCDEFu);
  const std::string good = Jpeg(Scene(40, 20), 40, 20, 50, TJSAMP_420);
  for (const auto& [name, bytes] : std::vector<std::pair<const wchar_t*, std::string>>{
           {L"empty.jpg", ""},
           {L"text.jpg", "not a picture at all"},
           {L"header-cut.jpg", good.substr(0, 40)},
           {L"no-frame.jpg", std::string("\xFF\xD8\xFF\xD9", 4)}}) {
    ASSERT_TRUE(WriteBytes(File(name), bytes));
    EXPECT_FALSE(DrawPictureFile(File(name), out)) << name;
  }
  EXPECT_FALSE(DrawPictureFile(File(L"missing.jpg"), out));
  for (int i = 0; i < 800; ++i) ASSERT_EQ(out.pixels()[i], 0xABCDEFu) << i;

  // Pixel data cut short after the headers: the top drawn, the rest filled in, no failure.
  const auto scene = Scene(400, 300);
  const std::string whole = Jpeg(scene, 400, 300, 90, TJSAMP_420);
  ASSERT_TRUE(WriteBytes(File(L"cut.jpg"), whole.substr(0, whole.size() / 2)));
  Surface cut;
  ASSERT_TRUE(cut.Resize(400, 300));
  EXPECT_TRUE(DrawPictureFile(File(L"cut.jpg"), cut));
  const auto full = ReferenceDecode(whole, 400, 300);
  const auto drawn = PixelsOf(cut);
  EXPECT_TRUE(std::equal(drawn.begin(), drawn.begin() + 400 * 16, full.begin()));
}

std::wstring Seed(const wchar_t* name) { return BinFolder() + L"\\picture-corpus\\" + name; }

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
}

TEST_F(DrawPicture, EveryKindTakenLoadsAtItsOwnSizeWhateverItsName) {
  struct Case {
    const wchar_t* seed;
    int w, h;
  };
  for (const Case& c : {Case{L"bmp-24.bmp", 33, 21}, {L"bmp-rle8.bmp", 24, 12}, {L"bmp-core.bmp", 12, 5},
                        {L"bmp-565.bmp", 19, 6}, {L"png-interlaced.png", 9, 9}, {L"png-grey-16.png", 7, 7},
                        {L"png-palette-4.png", 13, 11}, {L"gif-animated.gif", 8, 8}, {L"gif-interlaced-local.gif", 10, 15},
                        {L"gif-no-trailer.gif", 6, 6}, {L"jpeg-progressive.jpg", 48, 32}, {L"jpeg-cmyk.jpg", 48, 32},
                        {L"hostile-png-named.jpg", 31, 17}}) {
    // Under the name of another kind: the bytes decide.
    const std::wstring named = File(std::wstring(c.seed).find(L".jpg") != std::wstring::npos ? L"picture.bmp" : L"picture.jpg");
    ASSERT_TRUE(CopyFileW(Seed(c.seed).c_str(), named.c_str(), FALSE)) << c.seed;
    Surface loaded;
    ASSERT_TRUE(LoadPictureFile(named, loaded)) << c.seed;
    EXPECT_EQ(loaded.width(), c.w) << c.seed;
    EXPECT_EQ(loaded.height(), c.h) << c.seed;
    // The system's own choice of decoder, given the whole file, sees the same first picture.
    const std::vector<uint32_t> system = SystemDecode(Seed(c.seed));
    if (std::wstring(c.seed).find(L"jpeg") == std::wstring::npos)
      EXPECT_EQ(PixelsOf(loaded), system) << c.seed;
    else
      EXPECT_LT(MeanChannelDifference(PixelsOf(loaded), system), 3.0) << c.seed;
  }
}

// What the issue reported, and the rest of the regression set: no surface touched, quickly,
// without the memory a decoder would have taken.
TEST_F(DrawPicture, TheRegressionSetIsRefusedQuicklyAndLeavesTheSurfaceAlone) {
  const size_t peak_before = PeakWorkingSet();
  for (const wchar_t* name : {L"hostile-jpeg-60000x60000.jpg", L"hostile-png-bomb.png", L"hostile-png-lies.png",
                              L"hostile-gif-screen-bomb.gif", L"hostile-bmp-sizes-lie.bmp", L"hostile-bmp-huge.bmp",
                              L"hostile-bmp-offset-past-end.bmp", L"hostile-empty.jpg", L"hostile-noise.jpg"}) {
    Surface loaded, drawn;
    ASSERT_TRUE(loaded.Resize(7, 5));
    ASSERT_TRUE(drawn.Resize(64, 48));
    std::fill(loaded.pixels(), loaded.pixels() + 35, 0xABCDEFu);
    std::fill(drawn.pixels(), drawn.pixels() + 64 * 48, 0x123456u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(LoadPictureFile(Seed(name), loaded)) << name;
    EXPECT_FALSE(DrawPictureFile(Seed(name), drawn)) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
    ASSERT_EQ(loaded.width(), 7) << name;
    for (int i = 0; i < 35; ++i) ASSERT_EQ(loaded.pixels()[i], 0xABCDEFu) << name;
    for (int i = 0; i < 64 * 48; ++i) ASSERT_EQ(drawn.pixels()[i], 0x123456u) << name;
  }
  EXPECT_LT(PeakWorkingSet() - peak_before, 64u << 20);
}

TEST_F(DrawPicture, AGifDecoderSeesNoFurtherThanItsFirstPicture) {
  // Then forty frames of 100 megapixels each, which a decoder reading every frame would hold.
  const size_t peak_before = PeakWorkingSet();
  Surface loaded;
  ASSERT_TRUE(LoadPictureFile(Seed(L"hostile-gif-frames-bomb.gif"), loaded));
  EXPECT_EQ(loaded.width(), 8);
  EXPECT_EQ(loaded.height(), 8);
  EXPECT_LT(PeakWorkingSet() - peak_before, 64u << 20);
}

TEST_F(DrawPicture, EachBoundTurnsAwayWhatIsOverIt) {
  const int w = 1200, h = 900;
  const auto scene = Scene(w, h);
  const std::string baseline = Jpeg(scene, w, h, 80, TJSAMP_420);
  const std::string progressive = Jpeg(scene, w, h, 80, TJSAMP_444, TJFLAG_PROGRESSIVE);
  ASSERT_TRUE(WriteBytes(File(L"baseline.jpg"), baseline));
  ASSERT_TRUE(WriteBytes(File(L"progressive.jpg"), progressive));
  Surface s;

  DecodeBounds pixels;
  pixels.pixels = w * h - 1;
  EXPECT_FALSE(LoadPictureFile(File(L"baseline.jpg"), s, pixels));
  pixels.pixels = w * h;
  EXPECT_TRUE(LoadPictureFile(File(L"baseline.jpg"), s, pixels));

  // The header reader's count of coefficients passes; libjpeg's own limit, which counts its
  // other buffers too, does not.
  const PictureHeader header = ReadPictureHeader(reinterpret_cast<const uint8_t*>(progressive.data()),
                                                 progressive.size(), progressive.size(), DecodeBounds{}.Limits());
  ASSERT_EQ(header.verdict, HeaderVerdict::kAccepted);
  DecodeBounds memory;
  memory.memory = static_cast<long long>(header.decoder_bytes);
  EXPECT_FALSE(LoadPictureFile(File(L"progressive.jpg"), s, memory));
  memory.memory -= 1;
  EXPECT_FALSE(LoadPictureFile(File(L"progressive.jpg"), s, memory));
  memory.memory += 4 << 20;
  EXPECT_TRUE(LoadPictureFile(File(L"progressive.jpg"), s, memory));

  // Past the deadline before the first row: given up, whatever the kind.
  DecodeBounds time;
  time.time = std::chrono::milliseconds(0);
  Surface drawn;
  ASSERT_TRUE(drawn.Resize(64, 64));
  for (const std::wstring& file : {File(L"baseline.jpg"), File(L"progressive.jpg"), Seed(L"png-rgb.png"),
                                   Seed(L"bmp-24.bmp"), Seed(L"gif-87a.gif")}) {
    Surface loaded;
    EXPECT_FALSE(LoadPictureFile(file, loaded, time)) << file;
    EXPECT_TRUE(loaded.empty()) << file;
    EXPECT_FALSE(DrawPictureFile(file, drawn, time)) << file;
    EXPECT_TRUE(LoadPictureFile(file, loaded)) << file;
  }
}

}  // namespace
}  // namespace zarnik::test
