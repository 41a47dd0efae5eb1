// The variables every part of the program shares for the whole run. They are filled by
// LoadSettings before the dialog or the full-screen window comes up, and read and written
// directly by the code that owns each step. Only the window thread touches them: the decay's
// worker threads are given what they need as values, so there is no locking.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Zarnik_B {
inline int16_t PictureSource = 0;    // 0 desktop capture, 1 PictureFile
inline std::wstring PictureFile;
inline std::wstring PictureFolder;   // where the picture file chooser starts
inline int16_t DegradeLevel = 0;     // quality points lost per tick
inline int16_t CursorX = 0;          // mouse point remembered when the dialog opened
inline int16_t CursorY = 0;
inline int32_t LastResult = 0;       // result of the last platform call that stores one
inline std::optional<int32_t> CursorCount;  // set only when a full-screen start hid the cursor
inline std::wstring SettingValue;    // scratch: the text LoadSettings read last

// Preview window placement inside the host, in twips.
inline int16_t PreviewLeft = 0;
inline int16_t PreviewTop = 0;
inline int16_t PreviewWidth = 0;
inline int16_t PreviewHeight = 0;
}  // namespace Zarnik_B

namespace Zarnik_BGM {
inline int16_t MusicKind = 0;        // 0 none, 1 music CD, 2 music file
inline int16_t MusicRepeat = 0;      // CD track to repeat; 0 plays the disc
inline std::wstring MusicFile;
inline std::wstring MusicFolder;     // where the music file chooser starts
inline int16_t CDReady = 0;          // true (-1) while the CD can still be polled
}  // namespace Zarnik_BGM

namespace zarnik {
// Every variable above as the program starts with it: numbers 0, texts empty, no cursor count.
void ResetSharedState();
}  // namespace zarnik
