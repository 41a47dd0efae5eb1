// Quorvel.dll as the program calls it: bitmap file in, JPEG file out.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/picture_file.h"
#include "platform/surface.h"
#include "tests/support/jpeg_quality.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using ConvertFn = int16_t(WINAPI*)(const char*, const char*, int32_t, int16_t, int32_t);

class Converter : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(BinFile(L"Quorvel.dll").c_str());
    ASSERT_NE(module_, nullptr);
    convert_ = reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ConvertBMPtoJPG")));
    ASSERT_NE(convert_, nullptr);
  }
  int16_t Convert(const std::wstring& bmp, const std::wstring& jpg, int quality) {
    return convert_(ToAnsi(bmp).c_str(), ToAnsi(jpg).c_str(), -1, static_cast<int16_t>(quality), -1);
  }
  static std::string ToAnsi(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, s.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
  }
  // Smooth gradients with a few edges: what a desktop or a photograph looks like to JPEG.
  static void Scene(Surface& s, int w, int h) {
    ASSERT_TRUE(s.Resize(w, h));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t r = x * 255 / w, g = y * 255 / h, b = 128 + static_cast<int>(100 * std::sin(x / 9.0 + y / 13.0));
        if ((x / 40 + y / 30) % 5 == 0) r = 255 - r;
        s.pixels()[y * w + x] = (r << 16) | (g << 8) | b;
      }
  }
  static double Psnr(const Surface& a, const Surface& b) {
    double sum = 0;
    const int n = a.width() * a.height();
    for (int i = 0; i < n; ++i)
      for (int shift : {0, 8, 16}) {
        const double d = static_cast<double>((a.pixels()[i] >> shift) & 0xFF) - ((b.pixels()[i] >> shift) & 0xFF);
        sum += d * d;
      }
    const double mse = sum / (3.0 * n);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
  }
  TempFolder folder_;
  static HMODULE module_;
  static ConvertFn convert_;
};
HMODULE Converter::module_ = nullptr;
ConvertFn Converter::convert_ = nullptr;

TEST_F(Converter, EncodesAtTheQualityAskedForAndCloseToTheSource) {
  Surface source;
  Scene(source, 160, 120);
  ASSERT_TRUE(source.SaveBmp(folder_.File(L"in.bmp")));
  double last_psnr = 100;
  for (int q = 100; q >= 10; --q) {
    ASSERT_EQ(Convert(folder_.File(L"in.bmp"), folder_.File(L"out.jpg"), q), 1) << q;
    const std::string jpeg = ReadBytes(folder_.File(L"out.jpg"));
    ASSERT_EQ(JpegQuality(jpeg), q);
    if (q % 15 == 10) {  // 100, 85, ... 10: the decoded picture drifts further as q falls
      Surface decoded;
      ASSERT_TRUE(LoadPictureFile(folder_.File(L"out.jpg"), decoded));
      ASSERT_EQ(decoded.width(), 160);
      ASSERT_EQ(decoded.height(), 120);
      const double psnr = Psnr(source, decoded);
      EXPECT_LT(psnr, last_psnr) << q;
      EXPECT_GT(psnr, q >= 85 ? 34.0 : 24.0) << q;
      last_psnr = psnr;
    }
  }
  // Qualities the cycle passes outside 1..100 are taken as the nearest end.
  for (auto [asked, used] : {std::pair{0, 1}, {-7, 1}, {101, 100}, {150, 100}, {32767, 100}, {-32768, 1}}) {
    ASSERT_EQ(Convert(folder_.File(L"in.bmp"), folder_.File(L"out.jpg"), asked), 1) << asked;
    EXPECT_EQ(JpegQuality(ReadBytes(folder_.File(L"out.jpg"))), used) << asked;
  }
}

// The converter reads a bitmap a strip of rows at a time: pictures many strips tall come out
// the same whichever way their rows are stored.
TEST_F(Converter, TallPicturesGiveOneJpegWhateverTheirRowOrderAndDepth) {
  const int w = 1501, h = 700;  // rows of 4504 bytes with padding; several strips
  Surface source;
  Scene(source, w, h);
  const std::string bottom_up = source.BmpBytes();
  ASSERT_TRUE(WriteBytes(folder_.File(L"bottom-up.bmp"), bottom_up));

  std::string top_down = bottom_up;
  const size_t row = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  const int32_t negative = -h;
  std::memcpy(&top_down[22], &negative, 4);
  for (int y = 0; y < h; ++y)
    std::memcpy(&top_down[54 + row * y], &bottom_up[54 + row * (h - 1 - y)], row);
  ASSERT_TRUE(WriteBytes(folder_.File(L"top-down.bmp"), top_down));

  std::string deep = top_down.substr(0, 54);
  const uint32_t deep_size = 54 + 4u * w * h, zero = 0;
  const uint16_t bits = 32;
  std::memcpy(&deep[2], &deep_size, 4);
  std::memcpy(&deep[28], &bits, 2);
  std::memcpy(&deep[34], &zero, 4);
  deep.append(reinterpret_cast<const char*>(source.pixels()), 4u * w * h);
  ASSERT_TRUE(WriteBytes(folder_.File(L"deep.bmp"), deep));

  std::string first;
  for (const wchar_t* name : {L"bottom-up.bmp", L"top-down.bmp", L"deep.bmp"}) {
    ASSERT_EQ(Convert(folder_.File(name), folder_.File(L"out.jpg"), 70), 1) << ToAnsi(name);
    const std::string jpeg = ReadBytes(folder_.File(L"out.jpg"));
    if (first.empty()) {
      first = jpeg;
      Surface decoded;
      ASSERT_TRUE(LoadPictureFile(folder_.File(L"out.jpg"), decoded));
      EXPECT_GT(Psnr(source, decoded), 28.0);
    } else {
      EXPECT_EQ(jpeg, first) << ToAnsi(name);
    }
  }
}

// The converter keeps its buffers between calls and callers on several threads share them:
// every call still sees only its own picture, whatever ran before or beside it.
TEST_F(Converter, CallsOnSeveralThreadsAtOnceGiveWhatEachGivesAlone) {
  // Strips of a few rows to a few hundred, so buffers of several sizes are taken and given back.
  const SIZE sizes[] = {{1501, 700}, {97, 61}, {65000, 20}, {1920, 1080}};
  constexpr int kPictures = 4;
  std::string alone[kPictures];
  for (int i = 0; i < kPictures; ++i) {
    Surface source;
    Scene(source, sizes[i].cx, sizes[i].cy);
    const std::wstring bmp = folder_.File(L"in" + std::to_wstring(i) + L".bmp");
    ASSERT_TRUE(source.SaveBmp(bmp));
    ASSERT_EQ(Convert(bmp, folder_.File(L"alone.jpg"), 40 + 10 * i), 1) << sizes[i].cx << " x " << sizes[i].cy;
    alone[i] = ReadBytes(folder_.File(L"alone.jpg"));
    ASSERT_FALSE(alone[i].empty());
  }

  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int i = 0; i < kPictures; ++i) {
    callers.emplace_back([&, i] {
      const std::wstring bmp = folder_.File(L"in" + std::to_wstring(i) + L".bmp");
      const std::wstring jpg = folder_.File(L"out" + std::to_wstring(i) + L".jpg");
      for (int round = 0; round < 6; ++round)
        if (Convert(bmp, jpg, 40 + 10 * i) != 1 || ReadBytes(jpg) != alone[i]) ++wrong;
    });
  }
  for (auto& t : callers) t.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(Converter, PathsInTheAnsiCodePage) {
  ZARNIK_SKIP_UNLESS_CP932();
  Surface source;
  Scene(source, 33, 17);
  const std::wstring bmp = folder_.File(L"画像 ﾌｧｲﾙ.bmp"), jpg = folder_.File(L"劣化 後.jpg");
  ASSERT_TRUE(source.SaveBmp(bmp));
  EXPECT_EQ(Convert(bmp, jpg, 75), 1);
  EXPECT_EQ(JpegQuality(ReadBytes(jpg)), 75);
}

TEST_F(Converter, MalformedBitmapsFailWithoutLeavingAJpeg) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((BinFolder() + L"\\converter-corpus\\*.bmp").c_str(), &fd);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int files = 0;
  const std::wstring jpg = folder_.File(L"out.jpg");
  do {
    ++files;
    const std::wstring bmp = BinFolder() + L"\\converter-corpus\\" + fd.cFileName;
    EXPECT_EQ(Convert(bmp, jpg, 50), 0) << ToAnsi(fd.cFileName);
    EXPECT_FALSE(FileExistsW(jpg)) << ToAnsi(fd.cFileName);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  EXPECT_GE(files, 25);

  // Not a file at all, and a JPEG path that is a folder.
  EXPECT_EQ(Convert(folder_.path(), jpg, 50), 0);
  EXPECT_EQ(Convert(folder_.File(L"missing.bmp"), jpg, 50), 0);
  EXPECT_EQ(Convert(L"", jpg, 50), 0);
  Surface source;
  Scene(source, 8, 8);
  ASSERT_TRUE(source.SaveBmp(folder_.File(L"in.bmp")));
  CreateDirectoryW(folder_.File(L"adir.jpg").c_str(), nullptr);
  EXPECT_EQ(Convert(folder_.File(L"in.bmp"), folder_.File(L"adir.jpg"), 50), 0);
  EXPECT_EQ(Convert(folder_.File(L"in.bmp"), folder_.File(L"no such folder\\x.jpg"), 50), 0);

  // A failed conversion leaves a JPEG already there untouched, and nothing else behind.
  ASSERT_TRUE(WriteBytes(jpg, "the previous picture"));
  EXPECT_EQ(Convert(BinFolder() + L"\\converter-corpus\\truncated-pixels.bmp", jpg, 50), 0);
  EXPECT_EQ(ReadBytes(jpg), "the previous picture");
  WIN32_FIND_DATAW left;
  HANDLE any = FindFirstFileW(folder_.File(L"*.tmp").c_str(), &left);
  EXPECT_EQ(any, INVALID_HANDLE_VALUE);
  if (any != INVALID_HANDLE_VALUE) FindClose(any);
}

}  // namespace
}  // namespace zarnik::test
