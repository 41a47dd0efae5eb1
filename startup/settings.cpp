// Placeholder until the settings codec lands: every key reads as missing.
#include "startup/settings.h"

#include "startup/paths.h"
#include "startup/shared_state.h"

namespace zarnik {

std::wstring ReadIni(const std::wstring&, const std::wstring&, const std::wstring&) { return {}; }
void WriteIni(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&) {
  Zarnik_B::LastResult = 0;
}
void LoadSettings() { LoadSettingsFrom(SettingsFileForReading(), ProgramFolder()); }
void LoadSettingsFrom(const std::wstring&, const std::wstring& program_folder) {
  Zarnik_B::PictureSource = 0;
  Zarnik_B::DegradeLevel = 1;
  Zarnik_B::PictureFolder = program_folder;
  Zarnik_BGM::MusicFolder = program_folder;
}
std::wstring FolderOf(const std::wstring&) { return {}; }
bool FileExists(std::wstring) { return false; }

}  // namespace zarnik
