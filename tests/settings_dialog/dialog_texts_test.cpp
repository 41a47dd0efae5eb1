// The dialog's languages without its window: which UI languages get Japanese, and the access
// keys of the English texts.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "settings_dialog/dialog_texts.h"

namespace zarnik::dialog {
namespace {

TEST(DialogTextsTest, JapaneseOnlyForJapaneseUiLanguages) {
  EXPECT_EQ(LanguageFor(0x0411), Language::Japanese);  // ja-JP
  EXPECT_EQ(LanguageFor(0x0011), Language::Japanese);  // Japanese, no region
  for (uint16_t other : {0x0409, 0x0809, 0x040C, 0x0407, 0x0804, 0x0404, 0x0412, 0x0419, 0x0C0A, 0x0000})
    EXPECT_EQ(LanguageFor(other), Language::English) << std::hex << other;
  // A language whose id only shares bits with Japanese's is not Japanese.
  EXPECT_EQ(LanguageFor(0x0451), Language::English);  // bo-CN
  EXPECT_EQ(LanguageFor(0x0431), Language::English);  // ts-ZA
}

TEST(DialogTextsTest, AccessKeysAreTheLetterAfterTheMark) {
  EXPECT_EQ(AccessKey(L"&Desktop"), L'D');
  EXPECT_EQ(AccessKey(L"Music &file"), L'F');
  EXPECT_EQ(AccessKey(L"Track &2"), L'2');
  EXPECT_EQ(AccessKey(L"Salt && &pepper"), L'P');
  EXPECT_EQ(AccessKey(L"Salt && pepper"), 0);
  EXPECT_EQ(AccessKey(L"Ends with &"), 0);
  EXPECT_EQ(AccessKey(L"& space"), 0);
  EXPECT_EQ(AccessKey(L"plain"), 0);
  EXPECT_EQ(AccessKey(nullptr), 0);
}

std::vector<const wchar_t*> Labels(const DialogTexts& t) {
  return {t.picture_title, t.desktop, t.picture_file, t.degree_title, t.degree_small, t.degree_large,
          t.music_title,   t.music_none, t.music_cd,  t.music_file,   t.repeat,       t.save,
          t.cancel};
}

TEST(DialogTextsTest, EnglishOptionsHaveAccessKeysNoTwoAlikeAndJapaneseNone) {
  const DialogTexts& english = TextsFor(Language::English);
  ASSERT_TRUE(english.access_keys);
  std::set<wchar_t> keys;
  int with_key = 0;
  for (const wchar_t* text : Labels(english)) {
    if (const wchar_t key = AccessKey(text)) {
      ++with_key;
      EXPECT_TRUE(keys.insert(key).second) << "two texts share Alt+" << static_cast<char>(key);
    }
  }
  // Each of the five options and the two controls reached by name.
  for (const wchar_t* text : {english.desktop, english.picture_file, english.music_none, english.music_cd,
                              english.music_file, english.degree_title, english.repeat})
    EXPECT_NE(AccessKey(text), 0) << std::wstring(text).size();
  EXPECT_EQ(with_key, 7);

  const DialogTexts& japanese = TextsFor(Language::Japanese);
  EXPECT_FALSE(japanese.access_keys);
  for (const wchar_t* text : Labels(japanese)) EXPECT_EQ(std::wstring(text).find(L'&'), std::wstring::npos);
}

}  // namespace
}  // namespace zarnik::dialog
