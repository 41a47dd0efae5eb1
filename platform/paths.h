// Where the program's files live.
#pragma once

#include <string>

namespace zarnik {

// The folder of the running program as the system reports it: no trailing backslash, except
// for a drive root ("C:\"), which keeps its own.
std::wstring ProgramFolder();

// The one answer to "where do the settings file and the work files go". The program's folder
// whenever a file can be created there; otherwise (a saver installed in the system folder,
// a read-only share) the user's own "<application data>\Zarnik", created on demand.
std::wstring FilesFolder();

// Folder + literal name, joined unchanged: the names begin with a backslash, so a drive root
// gives a doubled one, which the file system accepts.
std::wstring FileIn(const std::wstring& folder, const wchar_t* literal_name);

// "\Quorvel.ini" in FilesFolder(): the file the dialog writes.
std::wstring SettingsFile();

// The file LoadSettings reads: SettingsFile() when it exists; when the files live in the
// user's folder and no settings were saved there yet, the program folder's settings file.
std::wstring SettingsFileForReading();

// The decision behind FilesFolder(), apart for tests.
std::wstring ChooseFilesFolder(const std::wstring& program_folder, bool program_folder_writable,
                               const std::wstring& user_app_data);

// FilesFolder() for a given program folder, worked out afresh (the user's folder is created
// when it is chosen).
std::wstring FilesFolderFor(const std::wstring& program_folder);

// SettingsFileForReading() for given folders.
std::wstring SettingsFileForReadingIn(const std::wstring& files_folder,
                                      const std::wstring& program_folder);

// True when a new file can be created in the folder (tried, then removed).
bool FolderIsWritable(const std::wstring& folder);

}  // namespace zarnik
