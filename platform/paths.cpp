#include "platform/paths.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "platform/file_facts.h"
#include "platform/gdi.h"

namespace zarnik {

namespace {

// The user's folder of the program's name inside a known folder; empty when the system has no
// such folder for the user.
std::wstring OwnFolderIn(const std::wstring& known_folder) {
  if (known_folder.empty()) return {};
  std::wstring folder = known_folder;
  if (folder.back() == L'\\') folder.pop_back();
  return folder + L"\\Zarnik";
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path) result = path;
  CoTaskMemFree(path);
  return result;
}

// A path in another form; empty when the system gives none.
std::wstring OtherForm(const std::wstring& path, DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD)) {
  const DWORD n = convert(path.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::vector<wchar_t> buffer(n);
  const DWORD got = convert(path.c_str(), buffer.data(), n);
  if (got == 0 || got >= n) return {};
  return std::wstring(buffer.data(), got);
}

std::wstring ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    if (buffer.size() > 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::wstring FileIn(const std::wstring& folder, const wchar_t* literal_name) {
  return folder + literal_name;
}

std::wstring ProgramFolder() {
  const std::wstring path = ProgramPath();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive root keeps its own
  return folder;
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


std::vector<std::wstring> ProgramPathForms() {
  std::vector<std::wstring> forms;
  const std::wstring loaded = ProgramPath();
  for (const std::wstring& form : {loaded, OtherForm(loaded, GetLongPathNameW), OtherForm(loaded, GetShortPathNameW)}) {
    if (!form.empty() && std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
  }
  return forms;
}

std::wstring ChooseSettingsFolder(const std::wstring& program_folder, bool program_folder_writable,
                                  const std::wstring& roaming_app_data) {
  if (program_folder_writable || roaming_app_data.empty()) return program_folder;
  return OwnFolderIn(roaming_app_data);
}

std::wstring SettingsFolderFor(const std::wstring& program_folder) {
  if (FolderIsWritable(program_folder)) return program_folder;
  std::wstring chosen = ChooseSettingsFolder(program_folder, false, KnownFolder(FOLDERID_RoamingAppData));
  if (chosen != program_folder) CreateDirectoryW(chosen.c_str(), nullptr);
  return chosen;
}

std::wstring SettingsFolder() {
  static const std::wstring folder = SettingsFolderFor(ProgramFolder());
  return folder;
}

std::wstring SettingsFile() { return FileIn(SettingsFolder(), L"\\Quorvel.ini"); }

std::wstring SettingsFileForReadingIn(const std::wstring& settings_folder,
                                      const std::wstring& program_folder) {
  std::wstring own = FileIn(settings_folder, L"\\Quorvel.ini");
  if (settings_folder == program_folder || FactsOf(own)) return own;
  return FileIn(program_folder, L"\\Quorvel.ini");
}

std::wstring SettingsFileForReading() {
  return SettingsFileForReadingIn(SettingsFolder(), ProgramFolder());
}

std::vector<std::wstring> ChooseWorkFolders(const std::wstring& program_folder, bool program_folder_writable,
                                            const std::wstring& local_app_data) {
  std::vector<std::wstring> folders;
  if (program_folder_writable || local_app_data.empty()) folders.push_back(program_folder);
  if (!local_app_data.empty()) folders.push_back(OwnFolderIn(local_app_data));
  return folders;
}

std::vector<std::wstring> WorkFoldersFor(const std::wstring& program_folder) {
  return ChooseWorkFolders(program_folder, FolderIsWritable(program_folder), KnownFolder(FOLDERID_LocalAppData));
}

std::vector<std::wstring> WorkFolders() {
  static const std::vector<std::wstring> folders = WorkFoldersFor(ProgramFolder());
  return folders;
}

}  // namespace zarnik
