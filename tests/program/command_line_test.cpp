#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/command_line.h"
#include "settings/number_text.h"

namespace zarnik {
namespace {

TEST(CommandLine, ArgumentsFollowTheProgramNameQuotedOrNot) {
  EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Zarnik.scr\" /s"), L"/s");
  EXPECT_EQ(ArgumentsOf(L"C:\\Zarnik.scr   /p 1234"), L"/p 1234");
  EXPECT_EQ(ArgumentsOf(L"Zarnik.scr"), L"");
  EXPECT_EQ(ArgumentsOf(L"\"unclosed"), L"");
}

// The system may start the program by its path unquoted, blanks and all, in its long or its
// short form: the mode comes from what follows the path, never from inside it.
TEST(CommandLine, TheProgramsOwnPathIsReadWholeInAnyForm) {
  const std::vector<std::wstring> own = {L"C:\\My Screens\\Zarnik.scr", L"C:\\MYSCRE~1\\Zarnik.scr"};
  struct Case {
    const wchar_t* line;
    const wchar_t* arguments;
  };
  for (const Case& c : {
           Case{L"C:\\My Screens\\Zarnik.scr /s", L"/s"},
           Case{L"C:\\My Screens\\Zarnik.scr", L""},
           Case{L"c:\\my screens\\ZARNIK.SCR\t/p 1234", L"/p 1234"},
           Case{L"C:\\MYSCRE~1\\Zarnik.scr /c:77", L"/c:77"},
           Case{L"C:\\MYSCRE~1\\ZARNIK.SCR /s", L"/s"},
           Case{L"\"C:\\My Screens\\Zarnik.scr\" /s", L"/s"},
           // A relative start, or folders in mixed forms: the program's file name ends the path.
           Case{L"My Screens\\Zarnik.scr /s", L"/s"},
           Case{L"D:\\Other Place\\MYSCRE~1\\Zarnik.scr /c", L"/c"},
           Case{L"Zarnik.scr /s", L"/s"},
           // A name that only begins like the program's is no match.
           Case{L"C:\\My Screens\\Zarnik.scr.bak /s", L"Screens\\Zarnik.scr.bak /s"},
           // Some other name: up to the first blank, as before.
           Case{L"other.exe /s", L"/s"},
       }) {
    EXPECT_EQ(ArgumentsOf(c.line, own), c.arguments) << c.line;
  }
  EXPECT_EQ(ModeOf(ArgumentsOf(L"C:\\My Screens\\Zarnik.scr", own)), StartMode::FullScreen);
  EXPECT_FALSE(HidesCursor(ArgumentsOf(L"C:\\My Screens\\Zarnik.scr", own)));
  // Without the program's path forms the first blank ends the name, and the mode would be read
  // from "Screens".
  EXPECT_EQ(ModeOf(ArgumentsOf(L"C:\\My Screens\\Zarnik.scr /s")), StartMode::Settings);
}

TEST(CommandLine, TheSwitchIsTheSecondCharacterAndTheFirstIsNeverLookedAt) {
  for (const wchar_t* line : {L"/s", L"/S", L"-s", L"xs"}) {
    EXPECT_EQ(ModeOf(line), StartMode::FullScreen) << line;
    EXPECT_TRUE(HidesCursor(line)) << line;
  }
  EXPECT_EQ(ModeOf(L""), StartMode::FullScreen);
  EXPECT_FALSE(HidesCursor(L""));
  for (const wchar_t* line : {L"/c", L"/c:5678", L"-C 99"}) EXPECT_EQ(ModeOf(line), StartMode::Settings) << line;
  for (const wchar_t* line : {L"/p 1234", L"/p:1234", L"/p", L"/P"}) EXPECT_EQ(ModeOf(line), StartMode::Preview) << line;
  // One character: the switch is empty, but the line is not.
  for (const wchar_t* line : {L"/a", L"foo", L"s", L"/", L"/ "}) {
    EXPECT_EQ(ModeOf(line), StartMode::Quit) << line;
    EXPECT_FALSE(HidesCursor(line)) << line;
  }
}

TEST(CommandLine, PreviewHandleIsReadLeniently) {
  EXPECT_EQ(PreviewHandleOf(L"/p 1234"), 1234);
  EXPECT_EQ(PreviewHandleOf(L"/p:1234"), 1234);
  EXPECT_EQ(PreviewHandleOf(L"/p"), 0);
  EXPECT_EQ(PreviewHandleOf(L"/p "), 0);
  EXPECT_EQ(PreviewHandleOf(L"/p 1 2\t3\n4"), 1234);   // blanks anywhere
  EXPECT_EQ(PreviewHandleOf(L"/p 12ab34"), 12);        // stops at the first bad character
  EXPECT_EQ(PreviewHandleOf(L"/p &H1F"), 31);
  EXPECT_EQ(PreviewHandleOf(L"/p &o17"), 15);
  EXPECT_EQ(PreviewHandleOf(L"/p 2.5"), 2);            // halves to even
  EXPECT_EQ(PreviewHandleOf(L"/p 3.5"), 4);
  EXPECT_EQ(PreviewHandleOf(L"/p -7"), -7);
  EXPECT_EQ(PreviewHandleOf(L"/pX99"), 99);            // the third character is skipped unseen
  EXPECT_EQ(PreviewHandleOf(L"/p 99999999999"), 0);    // does not fit a handle
  EXPECT_EQ(PreviewHandleOf(L"/p 1e3"), 1000);
}

TEST(NumberText, LenientValueFollowsTheLegacyReader) {
  EXPECT_DOUBLE_EQ(LenientValue(L""), 0);
  EXPECT_DOUBLE_EQ(LenientValue(L"abc"), 0);
  EXPECT_DOUBLE_EQ(LenientValue(L"  - 1 2 . 5"), -12.5);
  EXPECT_DOUBLE_EQ(LenientValue(L"&HFFFF"), -1);       // four hex digits are a 16-bit pattern
  EXPECT_DOUBLE_EQ(LenientValue(L"&H10000"), 65536);
  EXPECT_DOUBLE_EQ(LenientValue(L"&HFFFFFFFF"), -1);
  EXPECT_DOUBLE_EQ(LenientValue(L"&Q12"), 0);
  EXPECT_DOUBLE_EQ(LenientValue(L"1e"), 1);
}

TEST(NumberText, StrictNumbersAndTheirWholePart) {
  EXPECT_EQ(WholePart16(L"1"), 1);
  EXPECT_EQ(WholePart16(L"1.9"), 1);
  EXPECT_EQ(WholePart16(L" 1"), 1);
  EXPECT_EQ(WholePart16(L"2.9"), 2);
  EXPECT_EQ(WholePart16(L"-0.5"), -1);                 // towards minus infinity
  EXPECT_EQ(WholePart16(L"32767"), 32767);
  EXPECT_EQ(WholePart16(L"-32768"), -32768);
  EXPECT_EQ(WholePart16(L"-32768.5"), std::nullopt);
  EXPECT_EQ(WholePart16(L"40000"), std::nullopt);
  EXPECT_EQ(WholePart16(L"abc"), std::nullopt);
  EXPECT_EQ(WholePart16(L""), std::nullopt);
  EXPECT_EQ(WholePart16(L"1 2"), std::nullopt);
  EXPECT_EQ(WholePart16(L"5e1"), 50);
  EXPECT_EQ(WholePart16(L"1e999"), std::nullopt);
  EXPECT_EQ(Rounded16(L"2.5"), 2);
  EXPECT_EQ(Rounded16(L"3.5"), 4);
  EXPECT_EQ(Rounded16(L" 12 "), 12);
  EXPECT_EQ(Rounded16(L"99999"), std::nullopt);
}

TEST(NumberText, WrittenNumbersHaveABlankOrAMinus) {
  EXPECT_EQ(NumberText(0), L" 0");
  EXPECT_EQ(NumberText(5), L" 5");
  EXPECT_EQ(NumberText(-3), L"-3");
  EXPECT_EQ(NumberText(-32768), L"-32768");
}

}  // namespace
}  // namespace zarnik
