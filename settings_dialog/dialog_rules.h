// The settings dialog's rules, apart from its window: what each option turns on, what the
// save writes, how the thumbnail and the form are sized. Pure logic: no windows.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarnik::dialog {

// The outer size of the form as designed.
inline constexpr int kOuterWidthTwips = 5955;
inline constexpr int kOuterHeightTwips = 5850;

// A round mark: 1 chosen, 0 not chosen, -1 empty (the panel shows through).
using PictureMarks = std::array<int, 2>;  // 0 the desktop, 1 a picture file
using MusicMarks = std::array<int, 3>;    // 0 none, 1 a music CD, 2 a music file

// The marks the stored settings show; a value out of range leaves them as they were.
PictureMarks PictureMarksFor(int picture_source, PictureMarks current);
MusicMarks MusicMarksFor(int music_kind);

// A picture option chosen: its marks, whether the file chooser works, and whether the file
// name and thumbnail are emptied (the desktop's label clears them, its mark does not).
struct PictureChoice {
  PictureMarks marks;
  bool chooser_enabled;
  bool clears_name;
};
PictureChoice ChoosePicture(int index, bool from_label);

// A music option chosen: its marks, and which of the track box and the file chooser work.
struct MusicChoice {
  MusicMarks marks;
  bool repeat_enabled;
  bool chooser_enabled;
};
MusicChoice ChooseMusic(int index);

// The track to repeat from the box's text: a number is rounded (half to even); one out of
// range keeps the current track; anything else (empty included) means the whole disc, 0.
int16_t RepeatTrackFromText(std::wstring_view text, int16_t current);
// The box's text for a stored track: empty for the whole disc.
std::wstring RepeatTrackText(int16_t track);

// The six keys the save writes, in order, with their text.
struct Saved {
  int16_t picture_source;
  std::wstring picture_file;
  int degree;
  int16_t music_kind;
  int16_t music_repeat;
  std::wstring music_file;
};
std::vector<std::pair<std::wstring, std::wstring>> SavedEntries(const Saved& saved);

// The thumbnail of a picture of this size: its longer side 80, the other kept in proportion,
// each rounded half to even.
struct PixelSize {
  int width;
  int height;
};
inline constexpr int kThumbnailSide = 80;
PixelSize ThumbnailSize(double picture_width, double picture_height);

// The form on a screen of this size in pixels: centred across, a third of the free height
// from the top, all in whole twips per pixel.
struct Placement {
  int x, y, width, height;
};
Placement PlaceForm(int screen_width, int screen_height, int twips_per_pixel);

// The level (0 to 220) of the background's row y on a form of this height: one arch of a
// sine from top to bottom.
int GradientLevel(int y, double height);

}  // namespace zarnik::dialog
