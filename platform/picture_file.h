// Pictures from files and from the program's resources, decoded into a surface at their own
// size. The kind comes from the file's first bytes, never from its name: JPEG (through
// libjpeg-turbo), BMP, PNG and GIF (its first picture; through the system's imaging component).
// Anything else is refused. Every picture, a tick's work file included, is held to the decode
// bounds: its header is read and judged (picture_header.h) before any decoder sees it, the
// decoder is given only what was judged, and it gives up past the deadline.
#pragma once

#include <windows.h>

#include <string>

#include "platform/decode_bounds.h"
#include "platform/surface.h"

namespace zarnik {

// Largest picture file read (bigger ones are refused before any decoding).
inline constexpr long long kMaxPictureFileBytes = 512LL * 1024 * 1024;

// False, with the surface unchanged, when the file is missing, unreadable, not a picture of a
// kind taken, over a bound, or broken before any row could be decoded.
bool LoadPictureFile(const std::wstring& path, Surface& out, const DecodeBounds& bounds = {});
bool LoadPictureBytes(const void* data, size_t size, Surface& out, const DecodeBounds& bounds = {});
// An RCDATA resource of the module holding a picture file's bytes.
bool LoadPictureResource(HINSTANCE module, int id, Surface& out);
// A BITMAP resource of the module, copied into the surface at its own size.
bool LoadBitmapResource(HINSTANCE module, int id, Surface& out);

// Puts the picture file onto the surface as it is: at the top-left, unscaled, the rest of the
// surface cleared to its background, the surface's size kept. A JPEG is decoded straight into
// the surface's pixels, a few rows at a time (the saver does this twice a second at screen
// size); anything else goes through LoadPictureFile. False, with the surface untouched, when
// the file cannot be read as a picture; a JPEG that breaks after its headers leaves what was
// decoded of it, and one given up at the deadline what was decoded by then.
bool DrawPictureFile(const std::wstring& path, Surface& out, const DecodeBounds& bounds = {});

}  // namespace zarnik
