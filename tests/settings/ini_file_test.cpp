// The profile codec on its own: code page 932 bytes in, bytes out. What the platform does
// with the same files is checked in profile_differential_test.cpp.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace zarnik::ini {
namespace {

using namespace std::string_literals;

// The settings keys as code page 932 bytes; the half-width katakana are single bytes.
const std::string kPicture = "\x89\xE6\x91\x9C";                      // 画像
const std::string kPictureFile = "\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9";  // 画像ﾌｧｲﾙ
const std::string kDegree = "\x97\xF2\x89\xBB\x93\x78";               // 劣化度
const std::string kMusicKind = "BGM\x8B\xE6\x95\xAA";                 // BGM区分
const std::string kMusicRepeat = "BGM\xD8\xCB\xDF\xB0\xC4";           // BGMﾘﾋﾟｰﾄ
const std::string kMusicFile = "BGM\xCC\xA7\xB2\xD9";                 // BGMﾌｧｲﾙ

std::string Value(std::string_view text, std::string_view section, std::string_view key) {
  return FindValue(text, section, key).value_or("<missing>");
}

TEST(IniRead, SectionsAndKeysMatchCaseBlindAndBlanksAroundThemGo) {
  const std::string text = "[Section]\r\n" + kPicture + "= 1\r\n" + kMusicRepeat + "=7\r\n" +
                           " \t Key \x0B\x0C\x1A= \t spaced  value \t\r\n";
  EXPECT_EQ(Value(text, "Section", kPicture), "1");
  EXPECT_EQ(Value(text, "sECTION", kMusicRepeat), "7");
  EXPECT_EQ(Value(text, "  Section\t", " KEY "), "spaced  value");
  EXPECT_EQ(Value(text, "Section", "Key2"), "<missing>");
  EXPECT_EQ(Value(text, "Other", kPicture), "<missing>");
  EXPECT_EQ(Value("[ Section ]\nk=v", "Section", "k"), "v");
  // An ideographic space (81 40) is text, not a blank.
  EXPECT_EQ(Value("[S]\nk=\x81\x40v\x81\x40", "S", "k"), "\x81\x40v\x81\x40");
}

TEST(IniRead, DoubleByteCharactersAreNeverSplitIntoAsciiLookAlikes) {
  // 83 41 (ア) and 83 61 differ only in a trail byte that looks like 'A' / 'a'.
  EXPECT_EQ(Value("[S]\n\x83\x41=1\n", "S", "\x83\x61"), "<missing>");
  EXPECT_EQ(Value("[S]\n\x83\x41=1\n", "S", "\x83\x41"), "1");
  // 83 5D (ゾ) ends in ']': the line below is no header, so k stays in section S.
  EXPECT_EQ(Value("[S]\n[\x83\x5D\nk=1\n", "S", "k"), "1");
  EXPECT_EQ(Value("[\x83\x5D]\nk=2\n", "\x83\x5D", "k"), "2");
  // A lead byte takes the next byte along, whatever it is: '=' and line ends included.
  EXPECT_EQ(Value("[S]\nk\x81=v\n", "S", "k"), "<missing>");
  EXPECT_EQ(Value("[S]\na=1\x81\nb=2\n", "S", "a"), "1\x81\nb=2");
  EXPECT_EQ(Value("[S]\na=1\x81\nb=2\n", "S", "b"), "<missing>");
  // ...but not a NUL.
  EXPECT_EQ(Value("[S]\nk=a\x81\0b\n"s, "S", "k"), "a\x81");
}

TEST(IniRead, QuotesAroundTheWholeValueGo) {
  const std::string text =
      "[S]\na=\"x y\"\nb='z'\nc=\"mixed'\nd=\"\ne=\"\"\nf=  ' padded '  \ng=\"\x81\"\n";
  EXPECT_EQ(Value(text, "S", "a"), "x y");
  EXPECT_EQ(Value(text, "S", "b"), "z");
  EXPECT_EQ(Value(text, "S", "c"), "\"mixed'");
  EXPECT_EQ(Value(text, "S", "d"), "\"");
  EXPECT_EQ(Value(text, "S", "e"), "");
  EXPECT_EQ(Value(text, "S", "f"), " padded ");
  // The last '"' is the trail byte of 81 22, no closing quote.
  EXPECT_EQ(Value(text, "S", "g"), "\"\x81\"");
}

TEST(IniRead, TheFirstSectionAndTheFirstLineOfAKeyWin) {
  const std::string text = "[S]\nk=first\nk=second\nK=third\n[T]\nx=1\n[s]\nk=later\nonly=here\n";
  EXPECT_EQ(Value(text, "S", "k"), "first");
  EXPECT_EQ(Value(text, "S", "only"), "<missing>");  // a repeated section is never looked in
  EXPECT_EQ(Value(text, "T", "x"), "1");
  // A line without '=' still claims the key.
  EXPECT_EQ(Value("[S]\nk\nk=1\n", "S", "k"), "<missing>");
}

TEST(IniRead, LineEndsAndFileEnds) {
  for (const char* end : {"\r\n", "\n", "\r", "\n\r", "\r\r\n"}) {
    const std::string text = "[S]"s + end + "a=1" + end + end + "b=2" + end;
    EXPECT_EQ(Value(text, "S", "a"), "1") << end;
    EXPECT_EQ(Value(text, "S", "b"), "2") << end;
  }
  EXPECT_EQ(Value("[S]\r\nk=no newline", "S", "k"), "no newline");
  EXPECT_EQ(Value("", "S", "k"), "<missing>");
  EXPECT_EQ(Value("\r\n\r\n", "S", "k"), "<missing>");
  // Keys before any header belong to the nameless section.
  EXPECT_EQ(Value("k=top\n[S]\nk=inside\n", "", "k"), "top");
  EXPECT_EQ(Value("k=top\n", "S", "k"), "<missing>");
  EXPECT_EQ(Value("[S]\nk=v", "", "k"), "<missing>");
}

TEST(IniRead, ValuesAreCutTo255BytesOfWholeCharacters) {
  const std::string a300(300, 'a');
  EXPECT_EQ(Value("[S]\nk=" + a300, "S", "k"), std::string(255, 'a'));
  EXPECT_EQ(Value("[S]\nk=" + std::string(255, 'b') + "\n", "S", "k"), std::string(255, 'b'));
  // 254 bytes and a two-byte character: the character does not fit.
  EXPECT_EQ(Value("[S]\nk=" + std::string(254, 'c') + "\x82\xA0", "S", "k"), std::string(254, 'c'));
  std::string kana;
  for (int i = 0; i < 200; ++i) kana += "\x82\xA0";
  EXPECT_EQ(Value("[S]\nk=" + kana, "S", "k").size(), 254u);
  // A lone lead byte at the very end reads as a two-byte substitute, so it needs two.
  EXPECT_EQ(Value("[S]\nk=" + std::string(254, 'd') + "\x81", "S", "k"), std::string(254, 'd'));
  EXPECT_EQ(Value("[S]\nk=" + std::string(253, 'd') + "\x81", "S", "k"),
            std::string(253, 'd') + "\x81");
  // The quotes go first, then the cut.
  EXPECT_EQ(Value("[S]\nk=\"" + a300 + "\"", "S", "k"), std::string(255, 'a'));
  EXPECT_EQ(Value("[S]\nk=\"" + std::string(255, 'e') + "\"", "S", "k"), std::string(255, 'e'));
  // A long line before the key does not disturb it.
  EXPECT_EQ(Value("[S]\nlong=" + std::string(5000, 'x') + "\nk=1\n", "S", "k"), "1");
}

TEST(IniRead, NulEndsNamesAndValues) {
  EXPECT_EQ(Value("[S]\nk=ab\0cd\n"s, "S", "k"), "ab");
  EXPECT_EQ(Value("[S]\nab\0x=1\n"s, "S", "ab"), "1");
  EXPECT_EQ(Value("[S\0junk]\nk=2\n"s, "S", "k"), "2");
  EXPECT_EQ(Value("[S]\nk=3\n"s, "S\0ignored"s, "k\0ignored"s), "3");
  // A lead byte left alone at the end of a name asked for is dropped, as the platform's
  // decoder drops it.
  EXPECT_EQ(Value("[S]\n=empty\nk=4\n"s, "S\x81", "\x81"), "empty");
  EXPECT_EQ(Value("[S]\nk=4\n"s, "S", "k\x81\0"s), "4");
}

TEST(IniRead, UnicodeTextReadsTheSameWay) {
  const std::u16string text = u"[Section]\r\n画像= 1\r\n画像ﾌｧｲﾙ = \"C:\\写真\\海.jpg\"\r\n";
  EXPECT_EQ(FindValue(text, u"section", u"画像"), u"1");
  EXPECT_EQ(FindValue(text, u"Section", u"画像ﾌｧｲﾙ"), u"C:\\写真\\海.jpg");
  // The cut counts UTF-16 units and keeps a surrogate pair whole.
  std::u16string value(254, u'x');
  value += u"\U0001F600";
  EXPECT_EQ(FindValue(u"[S]\nk=" + value, u"S", u"k"), std::u16string(254, u'x'));
}

TEST(IniEncoding, ByteOrderMarksDecideTheEncoding) {
  EXPECT_EQ(DetectEncoding("\xEF\xBB\xBF[S]").encoding, Encoding::Utf8);
  EXPECT_EQ(DetectEncoding("\xEF\xBB\xBF[S]").mark_length, 3u);
  EXPECT_EQ(DetectEncoding("\xFF\xFE[\0"s).encoding, Encoding::Utf16Le);
  EXPECT_EQ(DetectEncoding("\xFE\xFF\0["s).encoding, Encoding::Utf16Be);
  EXPECT_EQ(DetectEncoding("\xFF").encoding, Encoding::Cp932);
  EXPECT_EQ(DetectEncoding("[S]").mark_length, 0u);
}

std::string Set(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value) {
  return SetValue(text, section, key, value).value_or("<refused>");
}

TEST(IniWrite, SixKeysIntoNothingGiveTheDialogsFile) {
  struct Key {
    std::string name, written, read;
  };
  const Key keys[] = {
      {kPicture, " 1", "1"},      {kPictureFile, "C:\\pictures\\sea.jpg", "C:\\pictures\\sea.jpg"},
      {kDegree, " 3", "3"},       {kMusicKind, " 0", "0"},
      {kMusicRepeat, "-2", "-2"}, {kMusicFile, "", ""}};
  std::string text;
  for (const Key& key : keys) text = Set(text, "Section", key.name, key.written);
  EXPECT_EQ(text, "[Section]\r\n" + kPicture + "= 1\r\n" + kPictureFile +
                      "=C:\\pictures\\sea.jpg\r\n" + kDegree + "= 3\r\n" + kMusicKind + "= 0\r\n" +
                      kMusicRepeat + "=-2\r\n" + kMusicFile + "=\r\n");
  for (const Key& key : keys) EXPECT_EQ(Value(text, "Section", key.name), key.read);
}

TEST(IniWrite, ReplacingAKeyKeepsEveryOtherByte) {
  const std::string before =
      "; comment\n\n[Other]\nk=other\n\n[section]  \n  bgm=3  \n  other = x\n\n\n[Last]\nz=1";
  const std::string after = Set(before, "Section", "BGM", " 0");
  EXPECT_EQ(after,
            "; comment\n\n[Other]\nk=other\n\n[section]  \nbgm= 0\n  other = x\n\n\n[Last]\nz=1");
  // Writing what is there already changes nothing.
  EXPECT_EQ(Set("[S]\r\nk=v\r\n", "S", "k", "v"), "[S]\r\nk=v\r\n");
  // A line without '=' that claims the key gets one; the last line keeps its missing line end.
  EXPECT_EQ(Set("[S]\nk\nk=old", "S", "k", "new"), "[S]\nk=new\nk=old");
  EXPECT_EQ(Set("[S]\nk=old", "S", "k", "new"), "[S]\nk=new");
}

TEST(IniWrite, NewKeysGoAfterTheSectionsLastLineAndNewSectionsAtTheEnd) {
  EXPECT_EQ(Set("[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3"),
            "[S]\r\na=1\r\nc=3\r\n\r\n[T]\r\nb=2\r\n");
  EXPECT_EQ(Set("[S]\r\n\r\n[T]\r\n", "s", "c", "3"), "[S]\r\nc=3\r\n\r\n[T]\r\n");
  EXPECT_EQ(Set("[S]\r\na=1", "S", "c", "3"), "[S]\r\na=1\r\nc=3\r\n");
  EXPECT_EQ(Set("[S]", "S", "c", "3"), "[S]\r\nc=3\r\n");
  EXPECT_EQ(Set("[T]\nb=2\n", "S", "c", "3"), "[T]\nb=2\n[S]\r\nc=3\r\n");
  EXPECT_EQ(Set("[T]\nb=2", "S", "c", "3"), "[T]\nb=2\r\n[S]\r\nc=3\r\n");
  // The key goes into the first section of the name, as the reader looks there.
  EXPECT_EQ(Set("[S]\na=1\n[S]\nc=old\n", "S", "c", "3"), "[S]\na=1\nc=3\r\n[S]\nc=old\n");
  // A last line ending in a lead byte keeps its line end out of reach.
  EXPECT_EQ(Value(Set("[T]\nb=2\x81\n", "S", "c", "3"), "S", "c"), "3");
}

TEST(IniWrite, WhatWouldBreakTheLineIsCut) {
  EXPECT_EQ(Set("", "S", "k", "x\r\n[Evil]\r\nk=y"), "[S]\r\nk=x\r\n");
  EXPECT_EQ(Set("", "S", "k", "x\0y"s), "[S]\r\nk=x\r\n");
  // A lone lead byte at the end of a name or value would swallow the '=', ']' or line end.
  EXPECT_EQ(Set("", "S\x81", "k\x81", "v\x81"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(Set("", " ", "k", "v"), "<refused>");
  EXPECT_EQ(Set("", "S", "\t", "v"), "<refused>");
  EXPECT_EQ(Set("", "S", "\n", "v"), "<refused>");
}

TEST(IniWrite, UnicodeTextIsEditedInPlaceToo) {
  EXPECT_EQ(SetValue(u"\uFEFF;x\n[S]\nk=1\n", u"S", u"k", u"画像"), u"\uFEFF;x\n[S]\nk=画像\n");
  EXPECT_EQ(SetValue(u"", u"S", u"k", u"v"), u"[S]\r\nk=v\r\n");
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Any bytes at all: the reader never fails, and a write changes what the file says about the
// key written and nothing else.
TEST(IniFuzz, ArbitraryFilesReadAndWriteConsistently) {
  std::mt19937 random(20240601);
  const std::string pieces[] = {
      "[", "]",    "=",        "\r",       "\n",   "\r\n",   " ",          "\t",    "\"",
      "'", "\x81", "\x82\xA0", "\x83\x5D", "\xA0", "\xFF",   "\0"s,        "\x1A",  "a",
      "A", "S",    "s",        "k",        "K",    kPicture, kMusicRepeat, "[S]\n", "k=v\n"};
  const std::string names[] = {"S", "s", "k", "K", "a", kPicture, kMusicRepeat};
  auto random_text = [&](size_t max_pieces) {
    std::string text;
    const size_t count = random() % max_pieces;
    for (size_t i = 0; i < count; ++i) {
      if (random() % 8 == 0)
        text += static_cast<char>(random() % 256);
      else
        text += pieces[random() % std::size(pieces)];
    }
    return text;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text = random_text(60);
    // A file ending in a lone lead byte would pair it with the line end written after it.
    if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80)) text += 'x';
    const std::string& section = names[random() % 3];
    const std::string& key = names[random() % std::size(names)];
    std::string value = random_text(6);
    for (char& c : value)
      if (c == '\0' || c == '\r' || c == '\n' || c == '"' || c == '\'' || c == ' ' || c == '\t' ||
          c == '\x0B' || c == '\x0C' || c == '\x1A' || (static_cast<unsigned char>(c) & 0x80))
        c = 'v';

    const auto written = SetValue(text, section, key, value);
    ASSERT_TRUE(written.has_value()) << round;
    EXPECT_EQ(FindValue(*written, section, key).value_or("<missing>"), value) << round;
    for (const std::string& other_section : names) {
      for (const std::string& other_key : names) {
        if (SameName(other_section, section) && SameName(other_key, key)) continue;
        EXPECT_EQ(FindValue(*written, other_section, other_key),
                  FindValue(text, other_section, other_key))
            << round << " " << other_section << " " << other_key;
      }
    }
  }
}

}  // namespace
}  // namespace zarnik::ini
