// The dialog's rules without its window: the options, the track box's text, the save's keys,
// the thumbnail and the form's place.
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "settings_dialog/dialog_rules.h"

namespace zarnik::dialog {
namespace {

TEST(DialogRulesTest, StoredValuesSetTheMarksAndOutOfRangeOnesLeaveThem) {
  EXPECT_EQ(PictureMarksFor(1, {-1, -1}), (PictureMarks{0, 1}));
  EXPECT_EQ(PictureMarksFor(0, {-1, -1}), (PictureMarks{1, 0}));
  EXPECT_EQ(PictureMarksFor(2, {-1, -1}), (PictureMarks{-1, -1}));
  EXPECT_EQ(PictureMarksFor(-1, {1, 0}), (PictureMarks{1, 0}));
  EXPECT_EQ(MusicMarksFor(2), (MusicMarks{0, 0, 1}));
  EXPECT_EQ(MusicMarksFor(7), (MusicMarks{0, 0, 0}));
}

TEST(DialogRulesTest, EachOptionTurnsOnOnlyItsOwnControl) {
  const PictureChoice desktop_label = ChoosePicture(0, true), desktop_mark = ChoosePicture(0, false);
  const PictureChoice file_label = ChoosePicture(1, true);
  EXPECT_EQ(desktop_label.marks, (PictureMarks{1, 0}));
  EXPECT_FALSE(desktop_label.chooser_enabled);
  EXPECT_TRUE(desktop_label.clears_name);
  EXPECT_FALSE(desktop_mark.clears_name);  // the mark keeps the name, the label empties it
  EXPECT_EQ(file_label.marks, (PictureMarks{0, 1}));
  EXPECT_TRUE(file_label.chooser_enabled);
  EXPECT_FALSE(file_label.clears_name);

  for (int i = 0; i < 3; ++i) {
    const MusicChoice m = ChooseMusic(i);
    EXPECT_EQ(m.marks[i], 1);
    EXPECT_EQ(m.marks[0] + m.marks[1] + m.marks[2], 1);
    EXPECT_EQ(m.repeat_enabled, i == 1) << i;
    EXPECT_EQ(m.chooser_enabled, i == 2) << i;
  }
}

TEST(DialogRulesTest, TrackTextIsRoundedKeptOutOfRangeAndZeroOtherwise) {
  EXPECT_EQ(RepeatTrackFromText(L"7", 3), 7);
  EXPECT_EQ(RepeatTrackFromText(L" 2.5 ", 3), 2);   // half to even
  EXPECT_EQ(RepeatTrackFromText(L"3.5", 0), 4);
  EXPECT_EQ(RepeatTrackFromText(L"-4", 3), -4);
  EXPECT_EQ(RepeatTrackFromText(L"40000", 3), 3);   // does not fit: kept
  EXPECT_EQ(RepeatTrackFromText(L"", 3), 0);
  EXPECT_EQ(RepeatTrackFromText(L"two", 3), 0);
  EXPECT_EQ(RepeatTrackText(0), L"");
  EXPECT_EQ(RepeatTrackText(12), L"12");
}

TEST(DialogRulesTest, TheSaveWritesTheSixKeysInOrderAsNumberText) {
  const auto entries = SavedEntries({1, L"C:\\p.bmp", 4, 2, -3, L"C:\\m.mp3"});
  ASSERT_EQ(entries.size(), 6u);
  const std::pair<std::wstring, std::wstring> expected[] = {
      {kKeyPicture, L" 1"},    {kKeyPictureFile, L"C:\\p.bmp"}, {kKeyDegree, L" 4"},
      {kKeyMusicKind, L" 2"}, {kKeyMusicRepeat, L"-3"},        {kKeyMusicFile, L"C:\\m.mp3"}};
  for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i], expected[i]) << i;
}

TEST(DialogRulesTest, ThumbnailKeepsTheAspectWithTheLongerSideEighty) {
  auto size = [](double w, double h) {
    const PixelSize s = ThumbnailSize(w, h);
    return std::make_pair(s.width, s.height);
  };
  EXPECT_EQ(size(160, 100), std::make_pair(80, 50));
  EXPECT_EQ(size(100, 160), std::make_pair(50, 80));
  EXPECT_EQ(size(57, 53), std::make_pair(80, 74));      // 74.39
  EXPECT_EQ(size(160, 5), std::make_pair(80, 2));       // 2.5 to even
  EXPECT_EQ(size(160, 15), std::make_pair(80, 8));      // 7.5 to even
  EXPECT_EQ(size(40, 40), std::make_pair(80, 80));
  EXPECT_EQ(size(0, 0), std::make_pair(0, 0));
}

TEST(DialogRulesTest, TheFormIsCentredAcrossAndAThirdDown) {
  const Placement p = PlaceForm(1024, 768, 15);
  EXPECT_EQ(p.width, 397);   // 5955 / 15
  EXPECT_EQ(p.height, 390);  // 5850 / 15
  EXPECT_EQ(p.x, 313);       // (15360 - 5955) / 2 = 4702 twips
  EXPECT_EQ(p.y, 126);       // (11520 - 5850) / 3 = 1890 twips
  const Placement q = PlaceForm(1280, 800, 12);
  EXPECT_EQ(q.width, 496);
  EXPECT_EQ(q.x, (1280 * 12 - 5955) / 2 / 12);
}

TEST(DialogRulesTest, TheBackgroundIsOneArchDarkAtTheEdges) {
  EXPECT_EQ(GradientLevel(0, 390), 0);
  EXPECT_EQ(GradientLevel(195, 390), 220);
  EXPECT_LT(GradientLevel(385, 390), 10);
  EXPECT_GT(GradientLevel(100, 390), GradientLevel(50, 390));
}

}  // namespace
}  // namespace zarnik::dialog
