// Where the program's files live.
#pragma once

#include <string>
#include <vector>

namespace zarnik {

// The folder of the running program as the system reports it: no trailing backslash, except
// for a drive root ("C:\"), which keeps its own.
std::wstring ProgramFolder();

// Every form of the running program's path the system may name it by on a command line: the
// path it was loaded from, then its long and its short (8.3) form where they differ.
std::vector<std::wstring> ProgramPathForms();

// Folder + literal name, joined unchanged: the names begin with a backslash, so a drive root
// gives a doubled one, which the file system accepts.
std::wstring FileIn(const std::wstring& folder, const wchar_t* literal_name);

// The settings file's folder: the program's folder whenever a file can be created there;
// otherwise (a saver installed in the system folder, a read-only share) the user's roaming
// "<application data>\Zarnik", created on demand, so the settings follow the user.
std::wstring SettingsFolder();

// "\Quorvel.ini" in SettingsFolder(): the file the dialog writes.
std::wstring SettingsFile();

// The file LoadSettings reads: SettingsFile() when it exists; when the settings live in the
// user's folder and none were saved there yet, the program folder's settings file.
std::wstring SettingsFileForReading();

// The decision behind SettingsFolder(), apart for tests.
std::wstring ChooseSettingsFolder(const std::wstring& program_folder, bool program_folder_writable,
                                  const std::wstring& roaming_app_data);

// SettingsFolder() for a given program folder, worked out afresh (the user's folder is
// created when it is chosen).
std::wstring SettingsFolderFor(const std::wstring& program_folder);

// SettingsFileForReading() for given folders.
std::wstring SettingsFileForReadingIn(const std::wstring& settings_folder,
                                      const std::wstring& program_folder);

// The folders the decay's work files (bitmaps and JPEGs) may go to, in the order to try: the
// program's folder when a file can be created there, then the user's local
// "<local application data>\Zarnik". Never the roaming profile: the files are large, rewritten
// twice a second and hold a picture of the user's desktop. The user's folder is made by
// whoever first writes there.
std::vector<std::wstring> WorkFolders();

// The decision behind WorkFolders(), apart for tests.
std::vector<std::wstring> ChooseWorkFolders(const std::wstring& program_folder, bool program_folder_writable,
                                            const std::wstring& local_app_data);

// WorkFolders() for a given program folder, worked out afresh.
std::vector<std::wstring> WorkFoldersFor(const std::wstring& program_folder);

// True when a new file can be created in the folder (tried, then removed).
bool FolderIsWritable(const std::wstring& folder);

}  // namespace zarnik
