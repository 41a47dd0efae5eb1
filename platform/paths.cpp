#include "platform/paths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/file_facts.h"
#include "platform/gdi.h"

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
  if (!IsFolder(folder)) return false;
  // Created here rather than through GetTempFileNameW, which under Wine reports success in a
  // folder where the file could not be created.
  std::wstring base = folder;
  if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
  base += L"~zk" + std::to_wstring(GetCurrentProcessId()) + L"_";
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    const std::wstring name = base + std::to_wstring(GetTickCount64() + attempt) + L".tmp";
    ScopedHandle file(CreateFileW(
        name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
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
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &path)) &&
      path)
    result = path;
  CoTaskMemFree(path);
  return result;
}

}  // namespace

std::wstring FilesFolderFor(const std::wstring& program_folder) {
  if (FolderIsWritable(program_folder)) return program_folder;
  std::wstring chosen = ChooseFilesFolder(program_folder, false, UserAppData());
  if (chosen != program_folder) CreateDirectoryW(chosen.c_str(), nullptr);
  return chosen;
}

std::wstring FilesFolder() {
  static const std::wstring folder = FilesFolderFor(ProgramFolder());
  return folder;
}

std::wstring SettingsFile() { return FileIn(FilesFolder(), L"\\Quorvel.ini"); }

std::wstring SettingsFileForReadingIn(const std::wstring& files_folder,
                                      const std::wstring& program_folder) {
  std::wstring own = FileIn(files_folder, L"\\Quorvel.ini");
  if (files_folder == program_folder || FactsOf(own)) return own;
  return FileIn(program_folder, L"\\Quorvel.ini");
}

std::wstring SettingsFileForReading() {
  return SettingsFileForReadingIn(FilesFolder(), ProgramFolder());
}

}  // namespace zarnik
