// Background music: a wave file looped through the sound player, an MP3 file or a music CD
// through text commands of the media control service (music/media_service.h).
#pragma once

#include <cstdint>
#include <string>

#include "settings/shared_state.h"

namespace Zarnik_BGM {

// Reply of the last MP3 mode query (30 characters) and CD mode query (256), kept between
// calls as the service left them.
inline std::wstring MP3ModeText;
inline std::wstring CDModeText;
// Buffers of the command helper, and the text of its last query or play.
inline std::wstring MciReply;
inline std::wstring MciErrorText;
inline std::wstring MciResult;

inline constexpr wchar_t kNoCommandText[] = L"コマンド文字列が指定されていません";
inline constexpr wchar_t kNoErrorText[] = L"Error (文字列が取れません)";

void WAV_Play();
void WAV_Stop();
void MP3_Play();
bool MP3_IsPlaying();
void MP3_Check();
void MP3_Stop();

void CD_Open();
void CD_Check();
void CD_Stop();

// One command; result gets the reply, or the error's description. 0, the service's code,
// or -1 for an empty command.
int32_t MCI_Send(const std::wstring& command, std::wstring& result);
// The reply, or "Error:" and the code.
std::wstring MCI_Query(const std::wstring& command);
// "play <device>[ from <from>][ to <to>]".
int32_t MCI_Play(const std::wstring& device, const std::wstring& from, const std::wstring& to);

}  // namespace Zarnik_BGM
