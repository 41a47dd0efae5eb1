#include "settings_dialog/dialog_rules.h"

#include <cmath>

#include "settings/number_text.h"
#include "settings/settings.h"

namespace zarnik::dialog {

PictureMarks PictureMarksFor(int picture_source, PictureMarks current) {
  if (picture_source != 0 && picture_source != 1) return current;
  current[picture_source] = 1;
  current[picture_source ^ 1] = 0;
  return current;
}

MusicMarks MusicMarksFor(int music_kind) {
  MusicMarks marks{0, 0, 0};
  if (music_kind >= 0 && music_kind <= 2) marks[music_kind] = 1;
  return marks;
}

PictureChoice ChoosePicture(int index, bool from_label) {
  PictureChoice choice{};
  choice.marks[index] = 1;
  choice.marks[index ^ 1] = 0;
  choice.chooser_enabled = index == 1;
  choice.clears_name = index != 1 && from_label;
  return choice;
}

MusicChoice ChooseMusic(int index) {
  return MusicChoice{MusicMarksFor(index), index == 1, index == 2};
}

int16_t RepeatTrackFromText(std::wstring_view text, int16_t current) {
  if (!StrictNumber(text)) return 0;
  if (auto value = Rounded16(text)) return *value;
  return current;
}

std::wstring RepeatTrackText(int16_t track) { return track == 0 ? std::wstring() : std::to_wstring(track); }

std::vector<std::pair<std::wstring, std::wstring>> SavedEntries(const Saved& saved) {
  return {
      {kKeyPicture, NumberText(saved.picture_source)},   {kKeyPictureFile, saved.picture_file},
      {kKeyDegree, NumberText(saved.degree)},            {kKeyMusicKind, NumberText(saved.music_kind)},
      {kKeyMusicRepeat, NumberText(saved.music_repeat)}, {kKeyMusicFile, saved.music_file},
  };
}

PixelSize ThumbnailSize(double picture_width, double picture_height) {
  const double W = picture_width, H = picture_height;
  if (!(W > 0 && H > 0)) return PixelSize{0, 0};
  double w, h;
  if (W > H) {
    w = kThumbnailSide;
    h = H * kThumbnailSide / W;
  } else {
    h = kThumbnailSide;
    w = W * kThumbnailSide / H;
  }
  return PixelSize{static_cast<int>(RoundHalfEven(w)), static_cast<int>(RoundHalfEven(h))};
}

Placement PlaceForm(int screen_width, int screen_height, int twips_per_pixel) {
  const int tpp = twips_per_pixel > 0 ? twips_per_pixel : 1;
  const long long screen_w = static_cast<long long>(screen_width) * tpp;
  const long long screen_h = static_cast<long long>(screen_height) * tpp;
  const long long left = (screen_w - kOuterWidthTwips) / 2, top = (screen_h - kOuterHeightTwips) / 3;
  return Placement{static_cast<int>(left / tpp), static_cast<int>(top / tpp), kOuterWidthTwips / tpp,
                   kOuterHeightTwips / tpp};
}

int GradientLevel(int y, double height) {
  const double k = height / 3.142;
  return static_cast<int>(RoundHalfEven(std::fabs(220.0 * std::sin(y / k))));
}

}  // namespace zarnik::dialog
