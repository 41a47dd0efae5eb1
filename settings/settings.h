// The settings file: one section, six keys, code page 932 bytes on every system, until a value
// needs a character code page 932 lacks: from then on UTF-16 with a byte-order mark.
#pragma once

#include <string>

namespace zarnik {

inline constexpr wchar_t kSection[] = L"Section";
inline constexpr wchar_t kKeyPicture[] = L"画像";
inline constexpr wchar_t kKeyPictureFile[] = L"画像ﾌｧｲﾙ";
inline constexpr wchar_t kKeyDegree[] = L"劣化度";
inline constexpr wchar_t kKeyMusicKind[] = L"BGM区分";
inline constexpr wchar_t kKeyMusicRepeat[] = L"BGMﾘﾋﾟｰﾄ";
inline constexpr wchar_t kKeyMusicFile[] = L"BGMﾌｧｲﾙ";

// One key of a private-profile file; empty when the file, section or key is missing.
// Values are cut to 255 bytes of code page 932.
std::wstring ReadIni(const std::wstring& section, const std::wstring& key, const std::wstring& file);

// Writes or replaces key=value in the section, creating file and section as needed. A code
// page 932 file stays so byte for byte while the names and value fit it exactly; otherwise it
// is rewritten as UTF-16 LE with a mark. A Unicode file keeps its encoding. The result
// (non-zero on success) goes to LastResult.
void WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value,
              const std::wstring& file);

// Fills the shared settings variables from SettingsFileForReading().
void LoadSettings();
// The same from a given file, with a given program folder (for the start folders).
void LoadSettingsFrom(const std::wstring& file, const std::wstring& program_folder);

// The folder part of a path: up to the last ':' or '\', a trailing '\' dropped.
std::wstring FolderOf(const std::wstring& path);

// Whether the file can be opened for reading; folders give false.
bool FileExists(std::wstring path);

}  // namespace zarnik
