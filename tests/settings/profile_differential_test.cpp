// Our reader and writer against the platform's own GetPrivateProfileStringA and
// WritePrivateProfileStringA on the same files (where the ANSI code page is 932, so that both
// read the same bytes the same way). The codec's own properties are checked in
// ini_file_test.cpp, and ini_fuzz.cpp feeds it arbitrary bytes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "tests/settings/profile_files.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

using namespace std::string_literals;

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

}  // namespace
}  // namespace zarnik::test
