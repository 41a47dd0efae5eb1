// Pictures from files and from the program's resources, decoded by the system's imaging
// component (BMP, JPEG, PNG, GIF, TIFF) into a surface at their own size.
#pragma once

#include <windows.h>

#include <string>

#include "platform/surface.h"

namespace zarnik {

// Largest picture file read (bigger ones are refused before any decoding).
inline constexpr long long kMaxPictureFileBytes = 512LL * 1024 * 1024;

// False, with the surface unchanged, when the file is missing, unreadable, not a picture,
// truncated, or larger than a surface takes. COM must be initialised on the thread.
bool LoadPictureFile(const std::wstring& path, Surface& out);
bool LoadPictureBytes(const void* data, size_t size, Surface& out);
// An RCDATA resource of the module holding a picture file's bytes.
bool LoadPictureResource(HINSTANCE module, int id, Surface& out);
// A BITMAP resource of the module, copied into the surface at its own size.
bool LoadBitmapResource(HINSTANCE module, int id, Surface& out);

// Puts the picture file onto the surface as it is: at the top-left, unscaled, the rest of the
// surface cleared to its background, the surface's size kept. A baseline or progressive JPEG
// is decoded straight into the surface's pixels, a row at a time (the saver does this twice a
// second at screen size); anything else goes through LoadPictureFile. False, with the surface
// untouched, when the file cannot be read as a picture; a JPEG that breaks after its headers
// leaves what was decoded of it.
bool DrawPictureFile(const std::wstring& path, Surface& out);

}  // namespace zarnik
