// The converter is bound by name from the program's own folder, never from the current
// directory or PATH, and a missing library or entry is a clean failure.
#include <gtest/gtest.h>

#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::chrono_literals;

DWORD RunProbe(const std::wstring& probe, const std::wstring& bmp, const std::wstring& jpg,
               const std::wstring& current_dir) {
  Process p;
  EXPECT_TRUE(p.Start(L"\"" + probe + L"\" \"" + bmp + L"\" \"" + jpg + L"\"", current_dir));
  EXPECT_TRUE(p.Wait(30s));
  return p.ExitCode();
}

TEST(ConverterBinding, FromTheProgramsFolderOnly) {
  TempFolder program, work;
  const std::wstring probe = program.File(L"binding_probe.exe");
  ASSERT_TRUE(CopyFileW(BinFile(L"binding_probe.exe").c_str(), probe.c_str(), FALSE));
  // A small bitmap written by hand: 24-bit, 2 x 2, bottom-up.
  std::string bmp = {'B', 'M'};
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF); };
  auto u16 = [&](uint16_t v) { bmp += static_cast<char>(v & 0xFF); bmp += static_cast<char>(v >> 8); };
  u32(14 + 40 + 16); u32(0); u32(54);
  u32(40); u32(2); u32(2); u16(1); u16(24); u32(0); u32(16); u32(2835); u32(2835); u32(0); u32(0);
  bmp += std::string(16, '\x7f');
  ASSERT_TRUE(WriteBytes(work.File(L"in.bmp"), bmp));
  const std::wstring jpg = work.File(L"out.jpg");

  // The library sits in the current directory and on PATH, but not beside the program.
  std::wstring old_path(32768, L'\0');
  old_path.resize(GetEnvironmentVariableW(L"PATH", old_path.data(), 32768));
  SetEnvironmentVariableW(L"PATH", (BinFolder() + L";" + old_path).c_str());
  EXPECT_EQ(RunProbe(probe, work.File(L"in.bmp"), jpg, BinFolder()), 2u);
  EXPECT_FALSE(FileExistsW(jpg));

  // A library of that name without the entry.
  ASSERT_TRUE(CopyFileW((BinFolder() + L"\\noexport\\Quorvel.dll").c_str(), program.File(L"Quorvel.dll").c_str(), FALSE));
  EXPECT_EQ(RunProbe(probe, work.File(L"in.bmp"), jpg, BinFolder()), 2u);
  EXPECT_FALSE(FileExistsW(jpg));

  // The real one beside the program.
  ASSERT_TRUE(CopyFileW(BinFile(L"Quorvel.dll").c_str(), program.File(L"Quorvel.dll").c_str(), FALSE));
  EXPECT_EQ(RunProbe(probe, work.File(L"in.bmp"), jpg, work.path()), 0u);
  EXPECT_TRUE(FileExistsW(jpg));
  // And a bitmap it cannot read: bound, but failing.
  ASSERT_TRUE(WriteBytes(work.File(L"bad.bmp"), "BM nonsense"));
  EXPECT_EQ(RunProbe(probe, work.File(L"bad.bmp"), work.File(L"bad.jpg"), work.path()), 1u);
  SetEnvironmentVariableW(L"PATH", old_path.c_str());
}

}  // namespace
}  // namespace zarnik::test
