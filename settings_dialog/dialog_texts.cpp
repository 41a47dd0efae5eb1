#include "settings_dialog/dialog_texts.h"

namespace zarnik::dialog {

namespace {

constexpr uint16_t kPrimaryJapanese = 0x11;

constexpr DialogTexts kJapanese{
    .picture_title = L"画像の選択",
    .desktop = L"ｶﾚﾝﾄ・ﾃﾞｽｸﾄｯﾌﾟ",
    .picture_file = L"画像ﾌｧｲﾙを指定",
    .degree_title = L"劣化度",
    .degree_small = L"小",
    .degree_large = L"大",
    .music_title = L"BGM",
    .music_none = L"無し",
    .music_cd = L"音楽CD",
    .music_file = L"MP3、WAV",
    .repeat = L"曲目をﾘﾋﾟｰﾄ",
    .save = L"設定",
    .cancel = L"ｷｬﾝｾﾙ",
    .open_title = L"ﾌｧｲﾙを開く",
    .picture_filter = L"画像ﾌｧｲﾙ (BMP JPG)\0*.BMP;*.JPG\0",
    .music_filter = L"BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0",
    .access_keys = false,
};

constexpr DialogTexts kEnglish{
    .picture_title = L"Picture",
    .desktop = L"&Desktop",
    .picture_file = L"&Picture file",
    .degree_title = L"Decay &speed",
    .degree_small = L"Slow",
    .degree_large = L"Fast",
    .music_title = L"Music",
    .music_none = L"&None",
    .music_cd = L"Music &CD",
    .music_file = L"Music &file",
    .repeat = L"&Repeat track",
    .save = L"OK",
    .cancel = L"Cancel",
    .open_title = L"Open",
    .picture_filter = L"Pictures (BMP, JPG)\0*.BMP;*.JPG\0",
    .music_filter = L"Music (MP3, WAV)\0*.MP3;*.WAV\0",
    .access_keys = true,
};

}  // namespace

Language LanguageFor(uint16_t ui_language) {
  return (ui_language & 0x3FF) == kPrimaryJapanese ? Language::Japanese : Language::English;
}

const DialogTexts& TextsFor(Language language) {
  return language == Language::Japanese ? kJapanese : kEnglish;
}

wchar_t AccessKey(const wchar_t* text) {
  if (!text) return 0;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p != L'&') continue;
    const wchar_t c = p[1];
    if (c == L'&') {
      ++p;
      continue;
    }
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return c;
    return 0;
  }
  return 0;
}

}  // namespace zarnik::dialog
