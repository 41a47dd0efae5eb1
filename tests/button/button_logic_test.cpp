#include <gtest/gtest.h>

#include "button/button_logic.h"
#include "button/property_bag.h"

namespace zarnik {
namespace {

TEST(ButtonLogic, ColourStringsBecomeHighByteChannels) {
  EXPECT_EQ(ColourChannels(L"&HFFFFFF"), (std::array<uint16_t, 3>{0xFF00, 0xFF00, 0xFF00}));
  EXPECT_EQ(ColourChannels(L"&HC6C5D7"), (std::array<uint16_t, 3>{0xC600, 0xC500, 0xD700}));
  // Digits read left to right, whatever byte order a colour number has.
  EXPECT_EQ(ColourChannels(L"&H123456"), (std::array<uint16_t, 3>{0x1200, 0x3400, 0x5600}));
}

TEST(PropertyBag, CaseBlindKeysAndDefaultsLeftOut) {
  PropertyBag bag;
  EXPECT_EQ(bag.Read(L"Caption", L"Command1"), L"Command1");
  bag.Write(L"Caption", L"Command", L"Command");
  EXPECT_FALSE(bag.Has(L"caption"));
  EXPECT_EQ(bag.Read(L"Caption", L"Command1"), L"Command1");  // the stored default differs
  bag.Write(L"Caption", L"設定", L"Command");
  EXPECT_EQ(bag.Read(L"CAPTION", L"Command1"), L"設定");
  // Numbers equal their text defaults by value.
  bag.Write(L"FirstRun", L"1", L"1");
  bag.Write(L"FontColour", L"0", L"0");
  bag.Write(L"Visible", L"1.0", L"1");
  bag.Write(L"Enabled", L"-1", L"-1");
  EXPECT_EQ(bag.size(), 1u);
  bag.Write(L"Visible", L"0", L"1");
  EXPECT_EQ(bag.Read(L"visible", L"1"), L"0");
  // The text form keeps keys in lower case and survives a round trip.
  const std::wstring text = bag.Text();
  EXPECT_NE(text.find(L"caption=設定"), std::wstring::npos);
  PropertyBag again = PropertyBag::Parse(text);
  EXPECT_EQ(again.Read(L"Caption", L""), L"設定");
  EXPECT_EQ(again.Read(L"Visible", L""), L"0");
  EXPECT_EQ(PropertyBag::Parse(L"; comment\n\nnoequals\n=x\nA=b=c\n").Read(L"a", L""), L"b=c");
  EXPECT_EQ(PropertyBag::Parse(L"").size(), 0u);
}

TEST(ButtonLogic, FontTextRoundTripsWithCommasInTheFaceAndBooleansReadAsMinusOneOrZero) {
  FontSpec font;
  font.face = L"A, B";
  font.points = 12.5;
  font.weight = 700;
  font.italic = true;
  EXPECT_EQ(font.Text(), L"A, B,12.5,700,128,1,0,0");
  FontSpec back;
  ASSERT_TRUE(FontSpec::Parse(font.Text(), &back));
  EXPECT_EQ(back, font);
  for (const wchar_t* bad : {L"", L"face,1,2,3", L",9,400,128,0,0,0", L"f,x,400,128,0,0,0"})
    EXPECT_FALSE(FontSpec::Parse(bad, &back)) << bad;
  EXPECT_EQ(back, font);  // untouched by the failures

  int16_t value = 5;
  EXPECT_TRUE(ReadBoolean(L"TRUE", &value));
  EXPECT_EQ(value, -1);
  EXPECT_TRUE(ReadBoolean(L"false", &value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ReadBoolean(L" 2 ", &value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(ReadBoolean(L"yes", &value));
  EXPECT_EQ(value, -1);
}

}  // namespace
}  // namespace zarnik
