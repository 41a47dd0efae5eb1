// The dialog's words in each of its languages: Japanese where the user's UI language is
// Japanese, English everywhere else. Pure data and rules: no windows.h.
#pragma once

#include <cstdint>

namespace zarnik::dialog {

enum class Language { Japanese, English };

// The language for a user's UI language (a Windows language id): its primary language decides.
Language LanguageFor(uint16_t ui_language);

// Texts with an access key mark it with '&' before the letter, drawn underlined; only the
// English texts have them.
struct DialogTexts {
  const wchar_t* picture_title;
  const wchar_t* desktop;
  const wchar_t* picture_file;
  const wchar_t* degree_title;
  const wchar_t* degree_small;
  const wchar_t* degree_large;
  const wchar_t* music_title;
  const wchar_t* music_none;
  const wchar_t* music_cd;
  const wchar_t* music_file;
  const wchar_t* repeat;
  const wchar_t* save;
  const wchar_t* cancel;
  const wchar_t* open_title;
  const wchar_t* picture_filter;  // file chooser filters: pairs of NUL-ended texts, then a NUL
  const wchar_t* music_filter;
  bool access_keys;
};

const DialogTexts& TextsFor(Language language);

// The upper-case letter or digit after a text's '&' ("&&" is a literal '&'); 0 when it has none.
wchar_t AccessKey(const wchar_t* text);

}  // namespace zarnik::dialog
