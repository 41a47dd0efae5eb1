// What the file system says of a path: the one place the program asks whether a file is
// there, how long it is and when it was last written.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zarnik {

struct FileFacts {
  unsigned long long size = 0;
  FILETIME last_write{};
};

// The facts of a file; nothing for a folder or a path the file system does not know.
std::optional<FileFacts> FactsOf(const std::wstring& path);

// Whether the path names a folder there now.
bool IsFolder(const std::wstring& path);

// Whether the file can be opened for reading now and is a file on a disk: a folder, a device
// (NUL, COM1, a pipe) and a file locked against reading give false.
bool OpensForReading(const std::wstring& path);

}  // namespace zarnik
