// The settings file through our own profile codec: its bytes are code page 932 whatever the
// machine's ANSI code page (or UTF-16 once a path needs more), so the platform's narrow
// profile functions (which decode with the ANSI code page) cannot be used for it.
#include "settings/settings.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/code_page.h"
#include "platform/file_facts.h"
#include "platform/gdi.h"
#include "platform/paths.h"
#include "settings/ini_file.h"
#include "settings/number_text.h"
#include "settings/shared_state.h"

namespace zarnik {
namespace {

constexpr UINT kSettingsCodePage = 932;
// A settings file is a few hundred bytes; anything past this is not one, and reading on would
// only cost memory.
constexpr DWORD kMaxFileBytes = 1 << 20;
// Section and key names pass through a 128-character field on the way to the writer.
constexpr size_t kMaxNameChars = 128;

// The text in code page 932 when that holds it exactly; nothing when a character would be
// lost or changed (the default character, or a best-fit look-alike such as e for é).
std::optional<std::string> ExactlyInCodePage932(std::wstring_view text) {
  std::string bytes = ToCodePage(kSettingsCodePage, text);
  if (FromCodePage(kSettingsCodePage, bytes) != text) return std::nullopt;
  return bytes;
}

std::u16string ToU16(std::wstring_view text) { return {text.begin(), text.end()}; }
std::wstring FromU16(std::u16string_view text) { return {text.begin(), text.end()}; }

// The file as the platform's profile functions resolve it: a bare name means the Windows
// folder, anything else is made a full path.
std::wstring ResolvePath(const std::wstring& file) {
  if (file.empty()) return {};
  const bool bare =
      file.find_first_of(L"\\/") == std::wstring::npos && !(file.size() >= 2 && file[1] == L':');
  if (bare) {
    wchar_t windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::wstring(windows, n) + L"\\" + file;
  }
  const DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(file.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return {};
  full.resize(got);
  return full;
}

enum class ReadStatus { kRead, kMissing, kFailed, kTooLarge };

struct FileBytes {
  ReadStatus status = ReadStatus::kFailed;
  std::string bytes;
};

// At most kMaxFileBytes of the file; kTooLarge says there was more.
FileBytes ReadCapped(const std::wstring& path) {
  FileBytes result;
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    result.status = error == ERROR_FILE_NOT_FOUND ? ReadStatus::kMissing : ReadStatus::kFailed;
    return result;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.get(), &size)) return result;
  const bool too_large = size.QuadPart > kMaxFileBytes;
  const DWORD wanted = too_large ? kMaxFileBytes : static_cast<DWORD>(size.QuadPart);
  result.bytes.resize(wanted);
  DWORD total = 0;
  while (total < wanted) {
    DWORD got = 0;
    if (!ReadFile(file.get(), result.bytes.data() + total, wanted - total, &got, nullptr)) {
      result.bytes.clear();
      return result;
    }
    if (got == 0) break;  // shrank while we read
    total += got;
  }
  file.reset();
  result.bytes.resize(total);
  result.status = too_large ? ReadStatus::kTooLarge : ReadStatus::kRead;
  return result;
}

// Unicode files (with a byte-order mark) as UTF-16 text; code page 932 files stay bytes.
std::u16string DecodeUnicode(ini::Encoding encoding, std::string_view body) {
  std::u16string text;
  if (encoding == ini::Encoding::Utf8) return ToU16(FromCodePage(CP_UTF8, body));
  text.reserve(body.size() / 2);
  for (size_t i = 0; i + 1 < body.size(); i += 2) {
    const auto a = static_cast<unsigned char>(body[i]), b = static_cast<unsigned char>(body[i + 1]);
    text += static_cast<char16_t>(encoding == ini::Encoding::Utf16Le ? a | (b << 8) : (a << 8) | b);
  }
  return text;
}

std::string EncodeUnicode(ini::Encoding encoding, std::u16string_view text) {
  if (encoding == ini::Encoding::Utf8) return "\xEF\xBB\xBF" + ToCodePage(CP_UTF8, FromU16(text));
  std::string bytes = encoding == ini::Encoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF";
  bytes.reserve(bytes.size() + text.size() * 2);
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    if (encoding == ini::Encoding::Utf16Le) {
      bytes += low;
      bytes += high;
    } else {
      bytes += high;
      bytes += low;
    }
  }
  return bytes;
}

std::wstring FolderPartOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// New content goes to a file beside the old one, which it then replaces in one step: a write
// that fails half-way (full disk, lost share) leaves the old file as it was.
bool ReplaceContent(const std::wstring& path, const std::string& bytes) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;

  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  const std::wstring temp =
      FolderPartOf(path) + L"\\~" + name + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  ScopedHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD wrote = 0;
  bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
            wrote == bytes.size();
  ok = FlushFileBuffers(file.get()) && ok;
  ok = file.Close() && ok;

  if (ok && exists) {
    // ReplaceFileW keeps the old file's permissions; its attributes (a hidden file stays
    // hidden) are put back by hand, as not every implementation carries them over.
    ok =
        ReplaceFileW(path.c_str(), temp.c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr,
                     nullptr) ||
        MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (ok) SetFileAttributesW(path.c_str(), attributes);
  } else if (ok) {
    ok = MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

bool WriteIniFile(const std::wstring& section, const std::wstring& key, const std::wstring& value,
                  const std::wstring& file) {
  const std::wstring path = ResolvePath(file);
  if (path.empty()) return false;
  const std::wstring section_name = section.substr(0, kMaxNameChars);
  const std::wstring key_name = key.substr(0, kMaxNameChars);

  const FileBytes old = ReadCapped(path);
  // Content we could not read in full would be lost by rewriting the file.
  if (old.status == ReadStatus::kFailed || old.status == ReadStatus::kTooLarge) return false;

  const ini::Detected detected = ini::DetectEncoding(old.bytes);
  const std::string_view body = std::string_view(old.bytes).substr(detected.mark_length);
  std::string bytes;
  ini::Encoding encoding = detected.encoding;
  std::u16string unicode_body;
  if (encoding == ini::Encoding::Cp932) {
    const auto section_bytes = ExactlyInCodePage932(section_name);
    const auto key_bytes = ExactlyInCodePage932(key_name);
    const auto value_bytes = ExactlyInCodePage932(value);
    if (section_bytes && key_bytes && value_bytes) {
      auto changed = ini::SetValue(body, *section_bytes, *key_bytes, *value_bytes);
      if (!changed) return false;
      bytes = std::move(*changed);
    } else {
      // A name or value code page 932 cannot hold (a path in another language): the file
      // becomes UTF-16 with its mark, which the platform's profile functions read natively.
      // Its other lines go along only when they come through the change unaltered.
      const std::wstring text = FromCodePage(kSettingsCodePage, body);
      if (ToCodePage(kSettingsCodePage, text) != body) return false;
      encoding = ini::Encoding::Utf16Le;
      unicode_body = ToU16(text);
    }
  } else {
    unicode_body = DecodeUnicode(encoding, body);
  }
  if (encoding != ini::Encoding::Cp932) {
    auto changed = ini::SetValue(unicode_body, ToU16(section_name), ToU16(key_name), ToU16(value));
    if (!changed) return false;
    bytes = EncodeUnicode(encoding, *changed);
  }
  if (old.status == ReadStatus::kRead && bytes == old.bytes) return true;  // already so
  if (bytes.size() > kMaxFileBytes) return false;  // we could not read it back
  return ReplaceContent(path, bytes);
}

// One step of LoadSettings: a failure skips the step, not the rest.
void Step(const std::function<void()>& step) {
  try {
    step();
  } catch (...) {
  }
}

// A number setting: empty takes the default, a text that is no 16-bit number keeps the old value.
void ReadNumber(const std::wstring& file, const wchar_t* key, int16_t& target, int16_t if_empty) {
  Step([&] {
    Zarnik_B::SettingValue = ReadIni(kSection, key, file);
    if (Zarnik_B::SettingValue.empty()) {
      target = if_empty;
    } else if (const std::optional<int16_t> value = WholePart16(Zarnik_B::SettingValue)) {
      target = *value;
    }
  });
}

// A file setting: kept only when the file can be read; otherwise cleared, and a kind that
// needs the file falls back.
void ReadFileSetting(const std::wstring& file, const wchar_t* key, std::wstring& target,
                     std::wstring& folder, int16_t& kind, int16_t kind_needing_it) {
  Step([&] {
    Zarnik_B::SettingValue = ReadIni(kSection, key, file);
    if (!Zarnik_B::SettingValue.empty() && FileExists(Zarnik_B::SettingValue)) {
      target = Zarnik_B::SettingValue;
      folder = FolderOf(target);
    } else {
      target.clear();
      if (kind == kind_needing_it) kind = 0;
    }
  });
}

}  // namespace

std::wstring ReadIni(const std::wstring& section, const std::wstring& key,
                     const std::wstring& file) {
  try {
    const std::wstring path = ResolvePath(file);
    if (path.empty()) return {};
    const FileBytes content = ReadCapped(path);
    if (content.status != ReadStatus::kRead && content.status != ReadStatus::kTooLarge) return {};

    const ini::Detected detected = ini::DetectEncoding(content.bytes);
    const std::string_view body = std::string_view(content.bytes).substr(detected.mark_length);
    if (detected.encoding == ini::Encoding::Cp932) {
      const auto value = ini::FindValue(body, ToCodePage(kSettingsCodePage, section),
                                        ToCodePage(kSettingsCodePage, key));
      return value ? FromCodePage(kSettingsCodePage, *value) : std::wstring();
    }
    const auto value =
        ini::FindValue(DecodeUnicode(detected.encoding, body), ToU16(section), ToU16(key));
    return value ? FromU16(*value) : std::wstring();
  } catch (...) {
    return {};
  }
}

void WriteIni(const std::wstring& section, const std::wstring& key, const std::wstring& value,
              const std::wstring& file) {
  bool ok = false;
  try {
    ok = WriteIniFile(section, key, value, file);
  } catch (...) {
    ok = false;
  }
  Zarnik_B::LastResult = ok ? 1 : 0;
}

void LoadSettings() {
  std::wstring file, program;
  Step([&] { file = SettingsFileForReading(); });
  Step([&] { program = ProgramFolder(); });
  LoadSettingsFrom(file, program);
}

void LoadSettingsFrom(const std::wstring& file, const std::wstring& program_folder) {
  using namespace Zarnik_B;
  using namespace Zarnik_BGM;
  // The file keys come after their kind keys: a file gone missing switches its kind back.
  ReadNumber(file, kKeyPicture, PictureSource, 0);
  Step([&] { PictureFolder = program_folder; });
  ReadFileSetting(file, kKeyPictureFile, PictureFile, PictureFolder, PictureSource, 1);
  ReadNumber(file, kKeyDegree, DegradeLevel, 1);
  ReadNumber(file, kKeyMusicKind, MusicKind, 0);
  ReadNumber(file, kKeyMusicRepeat, MusicRepeat, 0);
  Step([&] { MusicFolder = program_folder; });
  ReadFileSetting(file, kKeyMusicFile, MusicFile, MusicFolder, MusicKind, 2);
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L":\\");
  if (cut == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, cut + 1);
  if (folder.back() == L'\\') folder.pop_back();
  return folder;
}

bool FileExists(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return OpensForReading(path);
}

}  // namespace zarnik
