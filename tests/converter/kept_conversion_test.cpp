// What the converter keeps between calls never shows in its files: every JPEG is the one a
// first conversion of that bitmap at that quality gives, byte for byte, and a bitmap that
// changed is never answered from what was kept for the old one.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>

#include "platform/code_page.h"
#include "platform/jpeg_error.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using ConvertFn = int16_t(WINAPI*)(const char*, const char*, int32_t, int16_t, int32_t);

// The JPEG libjpeg makes of the surface's pixels with the converter's settings: what the
// converter has always written for a bitmap of them.
std::string Reference(const Surface& s, int quality) {
  jpeg_compress_struct cinfo{};
  JpegErrorTrap trap;
  cinfo.err = trap.Install();
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> row(static_cast<size_t>(s.width()) * 3);
  if (setjmp(trap.escape)) {
    jpeg_destroy_compress(&cinfo);
    free(bytes);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &bytes, &size);
  cinfo.image_width = static_cast<JDIMENSION>(s.width());
  cinfo.image_height = static_cast<JDIMENSION>(s.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint32_t* src = s.pixels() + static_cast<size_t>(cinfo.next_scanline) * s.width();
    for (int x = 0; x < s.width(); ++x) {
      row[3 * x] = src[x] & 0xFF;
      row[3 * x + 1] = (src[x] >> 8) & 0xFF;
      row[3 * x + 2] = (src[x] >> 16) & 0xFF;
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(bytes), size);
  free(bytes);
  return out;
}

// A photograph's gradients and grain, or one flat colour.
void Paint(Surface& s, int w, int h, unsigned seed, bool flat) {
  ASSERT_TRUE(s.Resize(w, h));
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int grain = flat ? 0 : static_cast<int>(random() % 41) - 20;
      auto c = [&](int v) { return static_cast<uint32_t>(std::clamp(v + grain, 0, 255)); };
      s.pixels()[static_cast<size_t>(y) * w + x] =
          flat ? 0x3C7AB4u : (c(x * 255 / std::max(w - 1, 1)) << 16) | (c(y * 255 / std::max(h - 1, 1)) << 8) | c(128);
    }
}

class KeptConversion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(BinFile(L"Quorvel.dll").c_str());
    ASSERT_NE(module_, nullptr);
    convert_ = reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ConvertBMPtoJPG")));
    ASSERT_NE(convert_, nullptr);
  }
  // The path in the ANSI code page, as the program hands it over.
  std::string Ansi(const std::wstring& name) const { return ToCodePage(CP_ACP, folder_.File(name)); }
  bool Convert(const std::wstring& bmp, const std::wstring& jpg, int quality) const {
    return convert_(Ansi(bmp).c_str(), Ansi(jpg).c_str(), -1, static_cast<int16_t>(quality), -1) == 1;
  }
  std::string Jpeg(const std::wstring& name) const { return ReadBytes(folder_.File(name)); }

  static inline HMODULE module_ = nullptr;
  static inline ConvertFn convert_ = nullptr;
  TempFolder folder_{L"zkkept"};
};

TEST_F(KeptConversion, EveryQualityTwiceInAnyOrderIsTheFirstConversionsJpeg) {
  struct Picture {
    int w, h;
    bool flat;
  };
  // Sizes that fill whole blocks, and sizes whose edges fall inside a block or a 16-pixel MCU.
  const Picture pictures[] = {{333, 77, false}, {97, 61, false}, {64, 48, true}, {16, 16, false}, {1, 1, false},
                              {17, 9, true}};
  std::mt19937 random(2026);
  for (const Picture& p : pictures) {
    SCOPED_TRACE(std::to_string(p.w) + "x" + std::to_string(p.h) + (p.flat ? " flat" : " photo"));
    Surface picture;
    Paint(picture, p.w, p.h, static_cast<unsigned>(p.w * 31 + p.h), p.flat);
    ASSERT_TRUE(picture.SaveBmp(folder_.File(L"Quorvel.bmp")));
    std::vector<std::string> expected(101);
    for (int q = 1; q <= 100; ++q) expected[q] = Reference(picture, q);
    std::vector<int> order;
    for (int q = 1; q <= 100; ++q) order.push_back(q);
    for (int round = 0; round < 2; ++round) {
      std::shuffle(order.begin(), order.end(), random);
      for (int q : order) {
        ASSERT_TRUE(Convert(L"Quorvel.bmp", L"Quorvel.jpg", q)) << "quality " << q;
        ASSERT_EQ(Jpeg(L"Quorvel.jpg"), expected[q]) << "quality " << q << ", round " << round;
      }
    }
  }
}

TEST_F(KeptConversion, ABitmapChangedUnderTheSameSizeAndTimesIsConvertedAfresh) {
  Surface first, second;
  Paint(first, 120, 80, 1, false);
  Paint(second, 120, 80, 2, false);
  const std::wstring bmp = folder_.File(L"Quorvel.bmp");
  ASSERT_TRUE(first.SaveBmp(bmp));
  for (int q : {90, 80, 70}) ASSERT_TRUE(Convert(L"Quorvel.bmp", L"Quorvel.jpg", q));
  ASSERT_EQ(Jpeg(L"Quorvel.jpg"), Reference(first, 70));

  // The same file rewritten in place with another picture of the same size, and every time
  // it carries put back as it was.
  HANDLE f = CreateFileW(bmp.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  FILE_BASIC_INFO times{};
  ASSERT_TRUE(GetFileInformationByHandleEx(f, FileBasicInfo, &times, sizeof(times)));
  CloseHandle(f);
  const std::string old_bytes = ReadBytes(bmp);
  const std::string new_bytes = second.BmpBytes();
  ASSERT_EQ(new_bytes.size(), old_bytes.size());
  f = CreateFileW(bmp.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                  nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD wrote = 0;
  ASSERT_TRUE(WriteFile(f, new_bytes.data(), static_cast<DWORD>(new_bytes.size()), &wrote, nullptr));
  FILE_BASIC_INFO put_back = times;
  put_back.FileAttributes = 0;  // leave the attributes alone
  SetFileInformationByHandle(f, FileBasicInfo, &put_back, sizeof(put_back));
  SetFileTime(f, nullptr, nullptr, reinterpret_cast<const FILETIME*>(&times.LastWriteTime));
  CloseHandle(f);
  WIN32_FILE_ATTRIBUTE_DATA now{};
  ASSERT_TRUE(GetFileAttributesExW(bmp.c_str(), GetFileExInfoStandard, &now));
  ASSERT_EQ(CompareFileTime(&now.ftLastWriteTime, reinterpret_cast<const FILETIME*>(&times.LastWriteTime)), 0);

  // A quality already kept for the old picture, and one not seen yet.
  for (int q : {80, 60}) {
    ASSERT_TRUE(Convert(L"Quorvel.bmp", L"Quorvel.jpg", q));
    EXPECT_EQ(Jpeg(L"Quorvel.jpg"), Reference(second, q)) << "quality " << q;
  }
}

TEST_F(KeptConversion, CallersOnSeveralThreadsEachGetTheirOwnPicturesJpegs) {
  constexpr int kCallers = 3;
  Surface pictures[kCallers];
  for (int i = 0; i < kCallers; ++i) Paint(pictures[i], 90 + 10 * i, 50 + 7 * i, 10u + i, false);
  for (int i = 0; i < kCallers; ++i)
    ASSERT_TRUE(pictures[i].SaveBmp(folder_.File(L"Quorvel-" + std::to_wstring(i) + L".bmp")));
  std::vector<std::string> failures[kCallers];
  std::vector<std::thread> callers;
  for (int i = 0; i < kCallers; ++i)
    callers.emplace_back([&, i] {
      const std::wstring name = L"Quorvel-" + std::to_wstring(i);
      for (int round = 0; round < 3; ++round)
        for (int q = 95; q > 10; q -= 7) {
          if (!Convert(name + L".bmp", name + L".jpg", q) || Jpeg(name + L".jpg") != Reference(pictures[i], q))
            failures[i].push_back("quality " + std::to_string(q) + ", round " + std::to_string(round));
        }
    });
  for (std::thread& t : callers) t.join();
  for (int i = 0; i < kCallers; ++i) EXPECT_TRUE(failures[i].empty()) << "caller " << i << ": " << failures[i].front();
}

}  // namespace
}  // namespace zarnik::test
