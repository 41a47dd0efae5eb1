// The settings file under the platform: our reader and writer against the platform's own
// GetPrivateProfileStringA / WritePrivateProfileStringA on the same files (where the ANSI
// code page is 932, so that both read the same bytes the same way), then LoadSettings,
// FolderOf, FileExists and where the files go. The codec's own properties are checked in
// ini_file_test.cpp, and ini_fuzz.cpp feeds it arbitrary bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "startup/ini_file.h"
#include "startup/number_text.h"
#include "startup/paths.h"
#include "startup/settings.h"
#include "startup/shared_state.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::string_literals;
using test::FromCp932;
using test::ReadBytes;
using test::TempFolder;
using test::ToCp932;
using test::WriteBytes;

const wchar_t* const kSettingsKeys[] = {kKeyPicture,   kKeyPictureFile, kKeyDegree,
                                        kKeyMusicKind, kKeyMusicRepeat, kKeyMusicFile};

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += digits[c >> 4];
      out += digits[c & 15];
    }
  }
  return out;
}

// Each file gets a name of its own: the platform caches what it parsed per file name.
class FileNames {
 public:
  std::wstring Next(const wchar_t* stem = L"f") {
    return folder_.File(stem + std::to_wstring(++count_) + L".ini");
  }
  const TempFolder& folder() const { return folder_; }

 private:
  TempFolder folder_{L"zkini"};
  int count_ = 0;
};

std::string PlatformReadBytes(const std::string& section, const std::string& key,
                              const std::wstring& file) {
  char reply[256];
  std::fill(std::begin(reply), std::end(reply), '\0');
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", reply, sizeof(reply),
                           ToCp932(file).c_str());
  return std::string(reply);
}

std::wstring PlatformRead(const std::wstring& section, const std::wstring& key,
                          const std::wstring& file) {
  return FromCp932(PlatformReadBytes(ToCp932(section), ToCp932(key), file));
}

bool PlatformWrite(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                   const std::wstring& file) {
  return WritePrivateProfileStringA(ToCp932(section).c_str(), ToCp932(key).c_str(),
                                    ToCp932(value).c_str(), ToCp932(file).c_str()) != 0;
}

std::string Cp(const std::wstring& text) { return ToCp932(text); }

std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string Utf16Be(const std::wstring& text) {
  std::string bytes = "\xFE\xFF";
  for (wchar_t c : text) {
    bytes += static_cast<char>(c >> 8);
    bytes += static_cast<char>(c & 0xFF);
  }
  return bytes;
}

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  return "\xEF\xBB\xBF" + bytes;
}

struct NamedFile {
  const char* name;
  std::string bytes;
};

// The files the program meets and the odd ones around them.
std::vector<NamedFile> NamedFiles() {
  const std::wstring dialog_lines[] = {
      L"[Section]",   L"画像= 1", L"画像ﾌｧｲﾙ=C:\\pictures\\sea.jpg", L"劣化度= 3", L"BGM区分= 0",
      L"BGMﾘﾋﾟｰﾄ= 0", L"BGMﾌｧｲﾙ="};
  auto joined = [&](const wchar_t* end, bool last_end) {
    std::wstring text;
    for (size_t i = 0; i < std::size(dialog_lines); ++i) {
      text += dialog_lines[i];
      if (last_end || i + 1 < std::size(dialog_lines)) text += end;
    }
    return text;
  };
  std::string kana200;
  for (int i = 0; i < 200; ++i) kana200 += "\x82\xA0";
  return {
      {"dialog file, CR LF", Cp(joined(L"\r\n", true))},
      {"dialog file, LF", Cp(joined(L"\n", true))},
      {"dialog file, CR", Cp(joined(L"\r", true))},
      {"dialog file, no line end at the end", Cp(joined(L"\r\n", false))},
      {"blanks around everything",
       Cp(L"  [ Section ]  \r\n \t画像 \t=\t 1 \t\r\n\t劣化度=5\x0B\x0C\x1A\r\nk \t= v w \r\n"
          L"BGM区分=\u3000 2\u3000\r\n")},
      {"quoted values",
       Cp(L"[Section]\r\nk=\"quoted value\"\r\na='single'\r\nb=\"unbalanced'\r\nK2=\"\"\r\n"
          L"画像ﾌｧｲﾙ=\"C:\\a b\\c.jpg\"\r\nc=\"\r\nd= \" inner blanks \" \r\n")},
      {"duplicate keys", Cp(L"[Section]\r\nk=1\r\nK=2\r\nk=3\r\n劣化度=4\r\n劣化度=5\r\n")},
      {"duplicate sections", Cp(L"[Section]\r\nk=1\r\n[Other]\r\na=2\r\n[section]\r\nk=3\r\n画像="
                                L"9\r\n[OTHER]\r\nb=4\r\n")},
      {"empty file", ""},
      {"only blank lines", "\r\n\r\n  \r\n"},
      {"no section", Cp(L"k=1\r\n画像= 1\r\na=2")},
      {"keys before the first section", Cp(L"k=top\r\n[Section]\r\nk=inside\r\n")},
      {"a line without '=' first", Cp(L"[Section]\r\nk\r\nk=1\r\n劣化度\r\n")},
      {"comments and junk",
       Cp(L";[Section]\r\n[Section\r\nk=1\r\n;k=2\r\n[]\r\nk=3\r\n[Section]x\r\na=4\r\n=5\r\n")},
      {"overlong lines",
       "[Section]\r\nk=" + std::string(300, 'x') + "\r\na=" + std::string(1500, 'y') + "\r\n" +
           Cp(L"画像ﾌｧｲﾙ=") + kana200 + "\r\nb=" + std::string(254, 'z') + "\x82\xA0\r\nc=" +
           std::string(255, 'w') + "\r\n" + std::string(3000, 'q') + Cp(L"\r\n劣化度=7\r\n")},
      {"overlong quoted values",
       "[Section]\r\nk=\"" + std::string(300, 'x') + "\"\r\na='" + std::string(254, 'y') + "'\r\n"},
      {"half-width katakana",
       Cp(L"[ｾｸｼｮﾝ]\r\nｶﾅ=ﾃｽﾄ ﾃﾞｽ\r\n[Section]\r\nBGMﾘﾋﾟｰﾄ=12\r\nBGMﾌｧｲﾙ=C:\\ｵﾝｶﾞｸ\\ｷｮｸ.mp3\r\n")},
      {"trail bytes that look like ASCII",
       "[Section]\r\n[\x83\x5D\r\nk=1\r\n\x83\x41=2\r\na\x83\x5C=3\r\n[\x83\x5D]\r\nk=4\r\n"},
      {"lead bytes before '=' and line ends", "[Section]\r\nk\x81=1\r\na=2\x81\nb=3\r\nc=4\x81"},
      {"NUL bytes", "[Section]\r\nk=ab\0cd\r\na\0b=2\r\n\0\r\nc=\0\r\n[Other\0x]\r\nd=5\r\n"s},
      {"ASCII case", "[SECTION]\r\nK=1\r\nBgm=2\r\n"},
      {"UTF-16LE", Utf16Le(L"[Section]\r\n画像= 1\r\n劣化度=4\r\nBGMﾌｧｲﾙ=C:\\ｵﾝｶﾞｸ\\曲.mp3\r\n")},
      {"UTF-16BE", Utf16Be(L"[Section]\r\n画像= 1\r\nk=\"q\"\r\n")},
      {"UTF-8 with its mark", Utf8(L"[Section]\r\n画像ﾌｧｲﾙ=C:\\写真\\海.jpg\r\nk= v \r\n")},
  };
}

// Every name any of the files uses, in a few spellings.
const std::wstring kQuerySections[] = {L"Section", L"section", L"Other", L"ｾｸｼｮﾝ", L"ゾ", L""};
const std::wstring kQueryKeys[] = {L"画像",    L"画像ﾌｧｲﾙ", L"劣化度", L"BGM区分", L"BGMﾘﾋﾟｰﾄ",
                                   L"BGMﾌｧｲﾙ", L"k",        L"K",      L"a",       L"b",
                                   L"c",       L"d",        L"K2",     L"bgm",     L"ｶﾅ",
                                   L"ア",      L"aソ",      L";k",     L"[Section"};

// A few answers spelled out, where a slip would be plain to a user.
TEST(SettingsFile, WhatTheNamedFilesSay) {
  FileNames names;
  std::vector<std::wstring> files;
  for (const NamedFile& named : NamedFiles()) {
    files.push_back(names.Next());
    WriteBytes(files.back(), named.bytes);
  }
  auto read = [&](size_t file, const wchar_t* key) { return ReadIni(kSection, key, files[file]); };
  EXPECT_EQ(read(0, kKeyPictureFile), L"C:\\pictures\\sea.jpg");
  EXPECT_EQ(read(4, kKeyMusicKind), L"\u3000 2\u3000");  // the ideographic space is no blank
  EXPECT_EQ(read(14, kKeyPictureFile).size(), 127u);     // 254 of 400 bytes
  EXPECT_EQ(read(16, kKeyMusicFile), L"C:\\ｵﾝｶﾞｸ\\ｷｮｸ.mp3");
  EXPECT_EQ(read(21, kKeyMusicFile), L"C:\\ｵﾝｶﾞｸ\\曲.mp3");
  EXPECT_EQ(read(23, kKeyPictureFile), L"C:\\写真\\海.jpg");
}

// Where the platform's reader is odd (Wine's keeps 254 of these), ours does what the file
// plainly says.
TEST(SettingsFile, AQuotedValueOf255CharactersKeepsItsLastOne) {
  FileNames names;
  const std::wstring file = names.Next();
  WriteBytes(file, "[S]\r\nk=\"" + std::string(255, 'x') + "\"\r\n");
  EXPECT_EQ(ReadIni(L"S", L"k", file), std::wstring(255, L'x'));
}

TEST(SettingsFile, AWriteLeavesASectionWithoutANameWhereItWas) {
  FileNames names;
  const std::wstring file = names.Next();
  const std::string bytes = "top=1\r\n[]\r\nk=2\r\n";
  WriteBytes(file, bytes);
  WriteIni(L"S", L"x", L"1", file);
  EXPECT_EQ(ReadBytes(file), bytes + "[S]\r\nx=1\r\n");
}

// The names a file might use, picked out crudely; they only serve as questions.
struct Names {
  std::vector<std::string> sections, keys;
};

std::string TrimBlanks(std::string text) {
  auto blank = [](char c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' '; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  return text.substr(start);
}

Names GuessNames(const std::string& bytes) {
  Names names{{"", "S"}, {"k"}};
  auto add = [](std::vector<std::string>& list, const std::string& name, size_t most) {
    if (list.size() < most && std::find(list.begin(), list.end(), name) == list.end())
      list.push_back(name);
  };
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = TrimBlanks(bytes.substr(start, end - start));
    line = line.substr(0, line.find('\0'));
    if (!line.empty() && line[0] == '[' && line.find(']') != std::string::npos)
      add(names.sections, TrimBlanks(line.substr(1, line.rfind(']') - 1)), 6);
    const std::string key = TrimBlanks(line.substr(0, line.find('=')));
    if (!key.empty()) add(names.keys, key, 16);
    start = end + 1;
  }
  return names;
}

// The platform compares names as decoded text with full Unicode case folding; we compare
// bytes with ASCII case folding. Two different byte spellings of one character (an invalid
// pair, the NEC and IBM duplicates, full-width letters in another case) are one name there.
bool SameToThePlatform(const std::string& a, const std::string& b) {
  const std::wstring wa = FromCp932(a), wb = FromCp932(b);
  return a != b && CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                        static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool ExplainedByDecoding(const Names& names, const std::string& section, const std::string& key) {
  for (const std::string& other : names.sections)
    if (SameToThePlatform(other, section)) return true;
  for (const std::string& other : names.keys)
    if (SameToThePlatform(other, key)) return true;
  return false;
}

// Files of arbitrary bytes, some shapeless, most in lines of a sort (headers and key=value
// lines whose names and values are arbitrary bytes).
class RandomFiles {
 public:
  explicit RandomFiles(unsigned seed) : random_(seed) {}

  std::string Next() {
    std::string bytes;
    if (++count_ % 4 == 0) {
      bytes = Junk(80);
    } else {
      for (int line = static_cast<int>(random_() % 12); line > 0; --line) {
        const unsigned kind = random_() % 6;
        if (kind == 0) {
          bytes += '[';
          bytes += Junk(3);
          bytes += ']';
        } else if (kind < 5) {
          bytes += Junk(3);
          bytes += '=';
          bytes += Junk(4);
        } else {
          bytes += Junk(6);
        }
        bytes += kLineEnds[random_() % std::size(kLineEnds)];
      }
    }
    if (count_ % 10 == 0)
      bytes += "\r\nlong=" + std::string(200 + random_() % 200, 'x') + "\x82\xA0";
    return bytes;
  }
  unsigned Pick(unsigned n) { return random_() % n; }

 private:
  std::string Junk(int most) {
    std::string text;
    for (int i = 1 + static_cast<int>(random_() % most); i > 0; --i) {
      if (random_() % 4 == 0)
        text += static_cast<char>(random_() % 256);
      else
        text += kPieces[random_() % std::size(kPieces)];
    }
    return text;
  }

  // clang-format off
  static inline const std::string kPieces[] = {
      "[", "]", "=", "\r", "\n", "\r\n", " ", "\t", "\"", "'", ";", "\x1A", "\0"s, "\x81",
      "\x81\x40", "\x82\xA0", "\x83\x5D", "\x83\x41", "\xA0", "\xB1", "\xFD", "\xFF", "a", "A",
      "S", "s", "k", "K", "\x89\xE6\x91\x9C", "[S]\r\n", "k=v\r\n"};
  // clang-format on
  static constexpr const char* kLineEnds[] = {"\r\n", "\n", "\r", ""};
  std::mt19937 random_;
  int count_ = 0;
};

// Our reader against the platform's on one file. Names given as text are asked through
// ReadIni and must agree exactly; names picked out of arbitrary bytes are asked of the codec
// and may differ only where the platform's decoding makes two spellings one name.
struct ReadComparison {
  int compared = 0, found = 0, explained = 0;

  void Text(const char* what, const std::wstring& file) {
    for (const std::wstring& section : kQuerySections) {
      for (const std::wstring& key : kQueryKeys) {
        const std::wstring ours = ReadIni(section, key, file);
        EXPECT_EQ(ours, PlatformRead(section, key, file)) << what << ": [" << Cp(section) << "] " << Cp(key);
        ++compared;
        found += !ours.empty();
      }
    }
  }

  void Bytes(int round, const std::string& bytes, const std::wstring& file) {
    const Names guessed = GuessNames(bytes);
    for (const std::string& section : guessed.sections) {
      for (const std::string& key : guessed.keys) {
        const std::wstring ours = FromCp932(ini::FindValue(bytes, section, key).value_or(""));
        const std::wstring platform = FromCp932(PlatformReadBytes(section, key, file));
        ++compared;
        found += !ours.empty();
        if (ours == platform) continue;
        if (ExplainedByDecoding(guessed, section, key)) {
          ++explained;
          continue;
        }
        ADD_FAILURE() << "round " << round << " [" << Hex(section) << "] " << Hex(key) << "\nfile " << Hex(bytes)
                      << "\nours " << Hex(ToCp932(ours)) << "\nplatform " << Hex(ToCp932(platform));
      }
    }
  }
};

TEST(SettingsDifferential, NamedAndArbitraryFilesReadAsThePlatformReadsThem) {
  ZARNIK_SKIP_UNLESS_CP932();
  FileNames names;
  ReadComparison named;
  for (const NamedFile& file : NamedFiles()) {
    const std::wstring path = names.Next();
    ASSERT_TRUE(WriteBytes(path, file.bytes));
    named.Text(file.name, path);
  }
  EXPECT_GT(named.compared, 2000);
  EXPECT_GT(named.found, 150);  // agreeing on "nothing there" alone would prove little

  RandomFiles files(932);
  ReadComparison arbitrary;
  for (int round = 0; round < 400; ++round) {
    const std::string bytes = files.Next();
    const std::wstring path = names.Next(L"r");
    ASSERT_TRUE(WriteBytes(path, bytes));
    arbitrary.Bytes(round, bytes, path);
  }
  EXPECT_GT(arbitrary.compared, 5000);
  EXPECT_GT(arbitrary.found, 500);
  EXPECT_LT(arbitrary.explained * 50, arbitrary.compared);  // the exception stays one
}

// The same writes through the platform's writer and through WriteIni: to the platform's
// reader, and to ours, both files must then say the same. Fixed runs of writes into typical
// files first, then one write into each of many arbitrary files, where the key written must
// say the same in both and every other name what it said before. (The platform's writer
// may rewrite the whole file and change other names, so those are compared with the file
// before the write.)
TEST(SettingsDifferential, WritesAgreeWithThePlatformsWriter) {
  ZARNIK_SKIP_UNLESS_CP932();
  struct Write {
    std::wstring section, key, value;
  };
  const std::vector<Write> dialog = {
      {L"Section", kKeyPicture, L" 1"},     {L"Section", kKeyPictureFile, L"C:\\写真\\ｼｰ.jpg"},
      {L"Section", kKeyDegree, L" 3"},      {L"Section", kKeyMusicKind, L" 2"},
      {L"Section", kKeyMusicRepeat, L"-1"}, {L"Section", kKeyMusicFile, L""}};
  std::vector<Write> mixed(dialog.begin(), dialog.end());
  mixed.push_back({L"section", L"k", L"replaced"});
  mixed.push_back({L"New", L"k", L"\"kept quotes\""});
  mixed.push_back({L"Section", kKeyDegree, L" 4"});

  const std::string starts[] = {
      "",
      Cp(L"[Section]\n画像= 0\n劣化度= 1\n"),
      Cp(L";comment\r\n\r\n[Other]\r\nk=1\r\n\r\n[Section]\r\n  k = old  \r\n\r\n[Last]\r\nz=1"),
      Cp(L"[Section]\r\nk=1\r\n[Section]\r\nk=2\r\n劣化度=9\r\n"),
      Cp(L"[Section]\r\nk\r\n劣化度\r\nBGM区分=\u3000\r\n"),
      Cp(L"top=1\r\n[section]\r\nbgm区分=5"),
      "[Section]\r\n\x83\x5D=1\r\na=2\x81\nk=3\r\n",
      Utf16Le(L"[Section]\r\n画像= 0\r\nk=old\r\n"),
      Utf8(L"[Other]\r\nk=1\r\n"),
  };
  FileNames names;
  for (const std::vector<Write>* writes : {&dialog, static_cast<const std::vector<Write>*>(&mixed)}) {
    for (const std::string& start : starts) {
      const std::wstring theirs = names.Next(L"p"), ours = names.Next(L"o");
      if (!start.empty()) {
        WriteBytes(theirs, start);
        WriteBytes(ours, start);
      }
      for (const Write& w : *writes) {
        EXPECT_TRUE(PlatformWrite(w.section, w.key, w.value, theirs));
        Zarnik_B::LastResult = -7;
        WriteIni(w.section, w.key, w.value, ours);
        EXPECT_EQ(Zarnik_B::LastResult, 1);
      }
      std::vector<std::wstring> keys(std::begin(kQueryKeys), std::end(kQueryKeys));
      keys.push_back(L"top");
      for (const std::wstring section : {L"Section", L"New", L"Other", L"Last", L""}) {
        for (const std::wstring& key : keys) {
          const std::wstring expected = PlatformRead(section, key, theirs);
          EXPECT_EQ(PlatformRead(section, key, ours), expected)
              << Hex(start) << " [" << Cp(section) << "] " << Cp(key) << "\nours " << Hex(ReadBytes(ours))
              << "\ntheirs " << Hex(ReadBytes(theirs));
          EXPECT_EQ(ReadIni(section, key, ours), expected);
          EXPECT_EQ(ReadIni(section, key, theirs), expected);
        }
      }
    }
  }

  RandomFiles files(4932);
  int compared = 0, explained = 0;
  const std::wstring values[] = {L" 1", L"C:\\写真\\ｼｰ.jpg", L"", L"v=w", L"\"q\""};
  auto same = [](const std::string& a, const std::string& b) { return a == b || SameToThePlatform(a, b); };
  for (int round = 0; round < 120; ++round) {
    const std::string bytes = files.Next();
    const Names guessed = GuessNames(bytes);
    // Names the platform's writer takes through text unchanged (it decodes and encodes them).
    std::vector<std::string> sections, keys;
    for (const std::string& name : guessed.sections)
      if (!name.empty() && ToCp932(FromCp932(name)) == name) sections.push_back(name);
    for (const std::string& name : guessed.keys)
      if (ToCp932(FromCp932(name)) == name) keys.push_back(name);
    if (sections.empty() || keys.empty()) continue;
    const std::string section = sections[files.Pick(static_cast<unsigned>(sections.size()))];
    const std::string key = keys[files.Pick(static_cast<unsigned>(keys.size()))];
    const std::wstring value = values[files.Pick(std::size(values))];

    const std::wstring before = names.Next(L"wb"), theirs = names.Next(L"wp"), ours = names.Next(L"wo");
    for (const std::wstring& file : {before, theirs, ours}) WriteBytes(file, bytes);
    WritePrivateProfileStringA(section.c_str(), key.c_str(), ToCp932(value).c_str(), ToCp932(theirs).c_str());
    WriteIni(FromCp932(section), FromCp932(key), value, ours);
    ASSERT_EQ(Zarnik_B::LastResult, 1);
    for (const std::string& s : guessed.sections) {
      for (const std::string& k : guessed.keys) {
        const bool written = same(s, section) && same(k, key);
        const std::string expected = PlatformReadBytes(s, k, written ? theirs : before);
        ++compared;
        if (PlatformReadBytes(s, k, ours) == expected) continue;
        if (ExplainedByDecoding(guessed, s, k)) {
          ++explained;
          continue;
        }
        ADD_FAILURE() << "round " << round << " wrote [" << Hex(section) << "] " << Hex(key) << "; read ["
                      << Hex(s) << "] " << Hex(k) << "\nfile " << Hex(bytes) << "\nours " << Hex(ReadBytes(ours))
                      << "\ntheirs " << Hex(ReadBytes(theirs));
      }
    }
  }
  EXPECT_GT(compared, 1000);
  EXPECT_LT(explained * 50, compared);
}

TEST(SettingsFile, AFreshFileIsTheDialogsFileByteForByte) {
  FileNames names;
  const std::wstring ours = names.Next(L"o");
  const std::pair<const wchar_t*, std::wstring> writes[] = {
      {kKeyPicture, NumberText(1)},     {kKeyPictureFile, L"C:\\pictures\\sea.jpg"},
      {kKeyDegree, NumberText(3)},      {kKeyMusicKind, NumberText(0)},
      {kKeyMusicRepeat, NumberText(0)}, {kKeyMusicFile, L""}};
  for (const auto& [key, value] : writes) WriteIni(kSection, key, value, ours);
  EXPECT_EQ(ReadBytes(ours), Cp(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=C:\\pictures\\sea.jpg\r\n劣化度= 3\r\n"
                                L"BGM区分= 0\r\nBGMﾘﾋﾟｰﾄ= 0\r\nBGMﾌｧｲﾙ=\r\n"));
}

TEST(SettingsWrite, FailuresLeaveTheFileAsItWasAndSayZero) {
  FileNames names;
  const std::string content = Cp(L"[Section]\r\n劣化度= 3\r\n");

  WriteIni(kSection, kKeyDegree, L" 5", names.folder().File(L"no such folder\\Quorvel.ini"));
  EXPECT_EQ(Zarnik_B::LastResult, 0);

  WriteIni(kSection, kKeyDegree, L" 5", names.folder().path());  // a folder
  EXPECT_EQ(Zarnik_B::LastResult, 0);

  const std::wstring read_only = names.Next();
  WriteBytes(read_only, content);
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteIni(kSection, kKeyDegree, L" 5", read_only);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadBytes(read_only), content);
  SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);

  // Held open by someone who lets nobody read it: rewriting would lose what we cannot see.
  const std::wstring locked = names.Next();
  WriteBytes(locked, content);
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  WriteIni(kSection, kKeyDegree, L" 5", locked);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, locked), L"");
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(locked), content);

  // Larger than any settings file: read in part, never rewritten.
  const std::wstring huge = names.Next();
  WriteBytes(huge, content + std::string(3 << 20, 'x') + "\r\nk=beyond\r\n");
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, huge), L"3");
  EXPECT_EQ(ReadIni(kSection, L"k", huge), L"");
  WriteIni(kSection, kKeyDegree, L" 5", huge);
  EXPECT_EQ(Zarnik_B::LastResult, 0);
  EXPECT_EQ(ReadBytes(huge).size(), content.size() + (3 << 20) + 12);

  WriteIni(L"", kKeyDegree, L" 5", names.Next());
  EXPECT_EQ(Zarnik_B::LastResult, 0);
}

TEST(SettingsWrite, SuccessLeavesOnlyTheFileBehind) {
  TempFolder folder;
  const std::wstring file = folder.File(L"Quorvel.ini");
  for (int i = 0; i < 3; ++i) {
    WriteIni(kSection, kKeyDegree, NumberText(i), file);
    EXPECT_EQ(Zarnik_B::LastResult, 1);
  }
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(folder.File(L"*").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::wstring> entries;
  do {
    if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
      entries.push_back(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  EXPECT_EQ(entries, std::vector<std::wstring>{L"Quorvel.ini"});
  EXPECT_EQ(ReadBytes(file), Cp(L"[Section]\r\n劣化度= 2\r\n"));

  // A hidden file stays hidden.
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteIni(kSection, kKeyDegree, NumberText(7), file);
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(ReadIni(kSection, kKeyDegree, file), L"7");
}

TEST(SettingsWrite, UnicodeFilesKeepTheirEncodingAndTheirOtherLines) {
  FileNames names;
  const std::wstring utf16 = names.Next();
  WriteBytes(utf16, Utf16Le(L"; 😀 コメント\r\n[Section]\r\n画像= 0\r\n"));
  WriteIni(kSection, kKeyPicture, L" 1", utf16);
  WriteIni(kSection, kKeyPictureFile, L"C:\\한국\\사진.jpg", utf16);  // no code page 932 here
  EXPECT_EQ(Zarnik_B::LastResult, 1);
  EXPECT_EQ(ReadBytes(utf16),
            Utf16Le(L"; 😀 コメント\r\n[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=C:\\한국\\사진.jpg\r\n"));
  EXPECT_EQ(ReadIni(kSection, kKeyPictureFile, utf16), L"C:\\한국\\사진.jpg");

  const std::wstring utf8 = names.Next();
  WriteBytes(utf8, Utf8(L"[Section]\r\n劣化度=2\r\n"));
  WriteIni(kSection, kKeyDegree, L" 8", utf8);
  EXPECT_EQ(ReadBytes(utf8), Utf8(L"[Section]\r\n劣化度= 8\r\n"));
}

TEST(SettingsWrite, GarbageNeverCrashesAndStillTakesAValue) {
  std::mt19937 random(4242);
  FileNames names;
  for (int round = 0; round < 20; ++round) {
    std::string bytes(static_cast<size_t>(random() % 65536), '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    if (round % 4 == 1) bytes.insert(0, "\xFF\xFE");
    if (round % 4 == 2) bytes.insert(0, "\xEF\xBB\xBF");
    const std::wstring file = names.Next(L"g");
    WriteBytes(file, bytes);
    for (const wchar_t* key : kSettingsKeys) ReadIni(kSection, key, file);
    WriteIni(kSection, kKeyDegree, L" 6", file);
    EXPECT_EQ(Zarnik_B::LastResult, 1);
    EXPECT_EQ(ReadIni(kSection, kKeyDegree, file), L"6") << round;
  }
}

// LoadSettings from a file with the given lines; the shared variables are set to marks first.
class LoadSettingsTest : public ::testing::Test {
 protected:
  void Load(const std::wstring& lines, int16_t start_value = 0) {
    Zarnik_B::PictureSource = Zarnik_B::DegradeLevel = start_value;
    Zarnik_BGM::MusicKind = Zarnik_BGM::MusicRepeat = start_value;
    Zarnik_B::PictureFile = Zarnik_BGM::MusicFile = L"stale";
    Zarnik_B::PictureFolder = Zarnik_BGM::MusicFolder = L"stale";
    const std::wstring file = folder_.File(L"Quorvel" + std::to_wstring(++count_) + L".ini");
    if (!lines.empty()) WriteBytes(file, Cp(lines));
    LoadSettingsFrom(lines.empty() ? folder_.File(L"missing.ini") : file, kProgram);
  }
  std::wstring ExistingFile(const wchar_t* name) {
    const std::wstring file = folder_.File(name);
    WriteBytes(file, "data");
    return file;
  }

  static constexpr const wchar_t* kProgram = L"C:\\Program";
  TempFolder folder_;
  int count_ = 0;
};

TEST_F(LoadSettingsTest, NoFileGivesTheDefaults) {
  Load(L"", 9);
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
  EXPECT_EQ(Zarnik_B::PictureFolder, kProgram);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 1);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 0);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  EXPECT_EQ(Zarnik_BGM::MusicFolder, kProgram);
}

TEST_F(LoadSettingsTest, FilesThatAreGoneSwitchTheirKindBack) {
  const std::wstring gone = folder_.File(L"gone\\sea.jpg");
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + gone + L"\r\nBGM区分= 2\r\nBGMﾌｧｲﾙ=" + gone +
       L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
  EXPECT_EQ(Zarnik_B::PictureFolder, kProgram);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 0);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  EXPECT_EQ(Zarnik_BGM::MusicFolder, kProgram);

  // A folder is no picture either.
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + folder_.path() + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
}

TEST_F(LoadSettingsTest, FilesThatExistAreKeptWithTheirFolders) {
  const std::wstring picture = ExistingFile(L"海の写真.jpg");
  const std::wstring music = ExistingFile(L"ｷｮｸ.mp3");
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + picture + L"\r\nBGM区分= 2\r\nBGMﾌｧｲﾙ=" + music +
       L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 1);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
  EXPECT_EQ(Zarnik_B::PictureFolder, folder_.path());
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);
  EXPECT_EQ(Zarnik_BGM::MusicFile, music);
  EXPECT_EQ(Zarnik_BGM::MusicFolder, folder_.path());
  EXPECT_EQ(Zarnik_B::SettingValue, music);  // the last text read
}

TEST_F(LoadSettingsTest, ACdSettingStaysWithAnEmptyMusicFile) {
  Load(L"[Section]\r\nBGM区分= 1\r\nBGMﾘﾋﾟｰﾄ= 4\r\nBGMﾌｧｲﾙ=\r\n");
  EXPECT_EQ(Zarnik_BGM::MusicKind, 1);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 4);
  EXPECT_EQ(Zarnik_BGM::MusicFile, L"");
  // A picture file without the picture kind is kept, the kind stays the desktop.
  const std::wstring picture = ExistingFile(L"p.jpg");
  Load(L"[Section]\r\n画像= 0\r\n画像ﾌｧｲﾙ=" + picture + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
}

TEST_F(LoadSettingsTest, NumbersTakeTheirWholePartOrKeepTheOldValue) {
  struct Case {
    const wchar_t* text;
    int16_t start, expected;
  };
  const Case cases[] = {{L"abc", 0, 0},       {L"abc", 7, 7},   {L"", 7, 1},
                        {L"2.9", 0, 2},       {L"40000", 0, 0}, {L"40000", 5, 5},
                        {L" 5", 0, 5},        {L"-0.5", 0, -1}, {L"-32768", 0, -32768},
                        {L"32767", 0, 32767}, {L"32768", 3, 3}, {L"1e1", 0, 10},
                        {L"\"9\"", 0, 9},     {L"1 2", 4, 4}};
  for (const Case& c : cases) {
    Load(L"[Section]\r\n劣化度=" + std::wstring(c.text) + L"\r\n", c.start);
    EXPECT_EQ(Zarnik_B::DegradeLevel, c.expected) << Cp(c.text);
  }
  Load(L"[Section]\r\n画像= 5\r\nBGM区分=-3\r\nBGMﾘﾋﾟｰﾄ=99.99\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 5);
  EXPECT_EQ(Zarnik_BGM::MusicKind, -3);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 99);
}

TEST_F(LoadSettingsTest, ADialogWrittenFileReadsBack) {
  const std::wstring picture = ExistingFile(L"ｼｰ.jpg");
  const std::wstring music = ExistingFile(L"曲.wav");
  const std::wstring file = folder_.File(L"Quorvel.ini");
  const std::pair<const wchar_t*, std::wstring> writes[] = {
      {kKeyPicture, NumberText(1)},     {kKeyPictureFile, picture},
      {kKeyDegree, NumberText(12)},     {kKeyMusicKind, NumberText(2)},
      {kKeyMusicRepeat, NumberText(3)}, {kKeyMusicFile, music}};
  for (const auto& [key, value] : writes) {
    WriteIni(kSection, key, value, file);
    ASSERT_EQ(Zarnik_B::LastResult, 1);
  }
  LoadSettingsFrom(file, kProgram);
  EXPECT_EQ(Zarnik_B::PictureSource, 1);
  EXPECT_EQ(Zarnik_B::PictureFile, picture);
  EXPECT_EQ(Zarnik_B::DegradeLevel, 12);
  EXPECT_EQ(Zarnik_BGM::MusicKind, 2);
  EXPECT_EQ(Zarnik_BGM::MusicRepeat, 3);
  EXPECT_EQ(Zarnik_BGM::MusicFile, music);
  const std::string head = Cp(L"[Section]\r\n画像= 1\r\n");
  EXPECT_EQ(ReadBytes(file).substr(0, head.size()), head);
}

TEST_F(LoadSettingsTest, APathLongerThan255BytesIsCutAndSoCleared) {
  std::wstring deep = folder_.path();
  while (ToCp932(deep).size() < 300) {
    deep += L"\\フォルダ";
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  const std::wstring picture = deep + L"\\a.jpg";
  WriteBytes(picture, "x");
  ASSERT_TRUE(FileExists(picture));
  Load(L"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ=" + picture + L"\r\n");
  EXPECT_EQ(Zarnik_B::PictureSource, 0);
  EXPECT_EQ(Zarnik_B::PictureFile, L"");
}

TEST(FolderOf, IsThePathUpToTheLastColonOrBackslash) {
  EXPECT_EQ(FolderOf(L"C:\\pictures\\sea.jpg"), L"C:\\pictures");
  EXPECT_EQ(FolderOf(L"C:\\sea.jpg"), L"C:");
  EXPECT_EQ(FolderOf(L"C:sea.jpg"), L"C:");
  EXPECT_EQ(FolderOf(L"\\\\server\\share\\sea.jpg"), L"\\\\server\\share");
  EXPECT_EQ(FolderOf(L"sea.jpg"), L"");
  EXPECT_EQ(FolderOf(L""), L"");
  EXPECT_EQ(FolderOf(L"C:\\folder\\"), L"C:\\folder");
  EXPECT_EQ(FolderOf(L"\\"), L"");
  EXPECT_EQ(FolderOf(L"C:\\写真\\海.jpg"), L"C:\\写真");
  EXPECT_EQ(FolderOf(L"a/b/c.jpg"), L"");  // a forward slash is no separator here
}

TEST(FileExists, TellsReadableFilesFromEverythingElse) {
  TempFolder folder;
  const std::wstring file = folder.File(L"写真.jpg");
  WriteBytes(file, "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(file + L"\\"));
  EXPECT_FALSE(FileExists(folder.path()));
  EXPECT_FALSE(FileExists(folder.path() + L"\\"));
  EXPECT_FALSE(FileExists(L""));
  EXPECT_FALSE(FileExists(L"\\"));
  EXPECT_FALSE(FileExists(folder.File(L"missing.jpg")));
  EXPECT_FALSE(FileExists(L"NUL"));
  HANDLE holder = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(FileExists(file));  // locked against reading
  CloseHandle(holder);
  EXPECT_TRUE(FileExists(file));
}

TEST(FilesFolder, TheProgramFolderWhenWritableElseTheUsersOwn) {
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Saver", true, L"C:\\Users\\u\\AppData\\Roaming"), L"C:\\Saver");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L"C:\\Users\\u\\AppData\\Roaming"),
            L"C:\\Users\\u\\AppData\\Roaming\\Zarnik");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L"D:\\"), L"D:\\Zarnik");
  EXPECT_EQ(ChooseFilesFolder(L"C:\\Windows\\System32", false, L""), L"C:\\Windows\\System32");

  TempFolder folder;
  EXPECT_TRUE(FolderIsWritable(folder.path()));
  EXPECT_TRUE(FolderIsWritable(folder.path() + L"\\"));
  EXPECT_FALSE(FolderIsWritable(folder.File(L"missing")));
  const std::wstring file = folder.File(L"a.txt");
  WriteBytes(file, "x");
  EXPECT_FALSE(FolderIsWritable(file));
  EXPECT_FALSE(FolderIsWritable(L""));
  EXPECT_EQ(FilesFolderFor(folder.path()), folder.path());
  EXPECT_EQ(ProgramFolder(), test::BinFolder());
  EXPECT_EQ(FileIn(L"C:\\", L"\\Quorvel.ini"), L"C:\\\\Quorvel.ini");
}

TEST(FilesFolder, SettingsAreReadFromTheProgramFolderUntilTheUserHasOwn) {
  TempFolder program, user;
  EXPECT_EQ(SettingsFileForReadingIn(user.path(), program.path()), program.File(L"Quorvel.ini"));
  WriteBytes(user.File(L"Quorvel.ini"), "");
  EXPECT_EQ(SettingsFileForReadingIn(user.path(), program.path()), user.File(L"Quorvel.ini"));
  EXPECT_EQ(SettingsFileForReadingIn(program.path(), program.path()), program.File(L"Quorvel.ini"));
}

}  // namespace
}  // namespace zarnik
