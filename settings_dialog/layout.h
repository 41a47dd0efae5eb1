// Where everything of the settings dialog sits, in pixels of its inner area. Panel children
// are given relative to their panel, as designed.
#pragma once

#include <windows.h>

namespace zarnik::dialog {

inline constexpr RECT Box(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }
inline constexpr RECT In(const RECT& panel, const RECT& r) {
  return RECT{panel.left + r.left, panel.top + r.top, panel.left + r.right, panel.top + r.bottom};
}

// The index of the rectangle (given inside the panel) under the point; -1 for none.
inline int HitIn(POINT pt, const RECT* rects, int count, const RECT& panel) {
  for (int i = 0; i < count; ++i) {
    const RECT r = In(panel, rects[i]);
    if (PtInRect(&r, pt)) return i;
  }
  return -1;
}

inline constexpr RECT kPanelPicture = Box(12, 12, 365, 101);   // Pic_D(2)
inline constexpr RECT kPanelDegree = Box(12, 120, 365, 53);    // Pic_D(0)
inline constexpr RECT kPanelMusic = Box(12, 180, 365, 121);    // Pic_D(1)

inline constexpr RECT kTitlePlate = Box(8, 8, 95, 22);         // Img_TT in each panel
inline constexpr RECT kTitleText = Box(8, 12, 95, 13);         // lbl(0), lbl(3), lbl(1)

inline constexpr RECT kSelMark[2] = {Box(116, 12, 13, 13), Box(116, 32, 13, 13)};
inline constexpr RECT kSelLabel[2] = {Box(132, 12, 83, 13), Box(132, 32, 92, 13)};
inline constexpr RECT kCmdPic = Box(232, 28, 33, 21);
inline constexpr RECT kDisplay = Box(272, 8, 80, 80);
inline constexpr RECT kPictureName = Box(8, 56, 257, 33);      // lbl_Fname(1)

inline constexpr RECT kSmall = Box(128, 12, 13, 13);           // lbl(4)
inline constexpr RECT kSmallWide = Box(106, 12, 38, 13);       // lbl(4) with a word: right-aligned
inline constexpr RECT kScroll = Box(148, 12, 117, 17);         // HS_Fast
inline constexpr RECT kLarge = Box(272, 12, 13, 13);           // lbl(5)
inline constexpr RECT kDegreeText = Box(148, 32, 117, 13);     // lbl_Fast

// Music options by index: 1 stands first, then 0, then 2.
inline constexpr RECT kBgmMark[3] = {Box(116, 32, 13, 13), Box(116, 12, 13, 13), Box(116, 52, 13, 13)};
inline constexpr RECT kBgmLabel[3] = {Box(132, 32, 23, 13), Box(132, 12, 43, 13), Box(132, 52, 60, 13)};
// The English words are longer: their labels take the room up to the track box and the chooser.
inline constexpr RECT kBgmLabelWide[3] = {Box(132, 32, 64, 13), Box(132, 12, 64, 13), Box(132, 52, 64, 13)};
inline constexpr RECT kRepeat = Box(200, 8, 41, 20);           // BGM_Repeat
inline constexpr RECT kRepeatLabel = Box(248, 12, 66, 13);     // lbl(2)
inline constexpr RECT kCmdBgm = Box(200, 48, 33, 21);
inline constexpr RECT kMusicName = Box(8, 76, 345, 33);        // lbl_Fname(0)

inline constexpr RECT kCredit = Box(12, 312, 165, 13);         // lbl(9)
inline constexpr RECT kUrl = Box(12, 328, 214, 13);            // lbl_URL
inline constexpr RECT kCmdCan = Box(236, 312, 69, 29);
inline constexpr RECT kCmdSet = Box(308, 312, 69, 29);

inline constexpr wchar_t kCreditText[] = L"Zarnik screen saver";
inline constexpr wchar_t kUrlText[] = L"https://zarnik.example/";

}  // namespace zarnik::dialog
