#include "startup/paths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

namespace zarnik {

std::wstring ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      std::wstring path(buffer.data(), n);
      size_t slash = path.find_last_of(L"\\/");
      if (slash == std::wstring::npos) return {};
      std::wstring folder = path.substr(0, slash);
      if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive root keeps its own
      return folder;
    }
    if (buffer.size() > 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring FileIn(const std::wstring& folder, const wchar_t* literal_name) {
  return folder + literal_name;
}

bool FolderIsWritable(const std::wstring& folder) {
  if (folder.empty()) return false;
  wchar_t name[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"zk", 0, name)) return false;  // creates the file
  DeleteFileW(name);
  return true;
}

std::wstring ChooseFilesFolder(const std::wstring& program_folder, bool program_folder_writable,
                               const std::wstring& user_app_data) {
  if (program_folder_writable || user_app_data.empty()) return program_folder;
  std::wstring folder = user_app_data;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder + L"\\Zarnik";
}

namespace {

std::wstring UserAppData() {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)) && path)
    result = path;
  CoTaskMemFree(path);
  return result;
}

}  // namespace

std::wstring FilesFolder() {
  static const std::wstring folder = [] {
    std::wstring program = ProgramFolder();
    if (FolderIsWritable(program)) return program;
    std::wstring chosen = ChooseFilesFolder(program, false, UserAppData());
    if (chosen != program) CreateDirectoryW(chosen.c_str(), nullptr);
    return chosen;
  }();
  return folder;
}

std::wstring SettingsFile() { return FileIn(FilesFolder(), L"\\Quorvel.ini"); }

std::wstring SettingsFileForReading() {
  std::wstring own = SettingsFile();
  if (GetFileAttributesW(own.c_str()) != INVALID_FILE_ATTRIBUTES) return own;
  std::wstring program = FileIn(ProgramFolder(), L"\\Quorvel.ini");
  return program;
}

}  // namespace zarnik
