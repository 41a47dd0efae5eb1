#include "tests/support/sound_level.h"

#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <vector>

namespace zarnik::test {

double RecordLevel(std::chrono::milliseconds duration) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 44100;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = 44100 * 4;
  HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HWAVEIN in = nullptr;
  if (waveInOpen(&in, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR) {
    CloseHandle(done);
    return -1;
  }
  std::vector<int16_t> samples(static_cast<size_t>(44100 * 2 * duration.count() / 1000));
  WAVEHDR header{};
  header.lpData = reinterpret_cast<LPSTR>(samples.data());
  header.dwBufferLength = static_cast<DWORD>(samples.size() * sizeof(int16_t));
  double level = -1;
  if (waveInPrepareHeader(in, &header, sizeof(header)) == MMSYSERR_NOERROR &&
      waveInAddBuffer(in, &header, sizeof(header)) == MMSYSERR_NOERROR && waveInStart(in) == MMSYSERR_NOERROR) {
    const DWORD wait_until = GetTickCount() + static_cast<DWORD>(duration.count()) + 3000;
    while (!(header.dwFlags & WHDR_DONE) && GetTickCount() < wait_until) WaitForSingleObject(done, 100);
    waveInStop(in);
    waveInReset(in);
    // The first second can come back empty while the stream starts: measure the rest.
    const size_t got = header.dwBytesRecorded / sizeof(int16_t);
    const size_t skip = std::min<size_t>(got / 2, 44100 * 2);
    double sum = 0;
    for (size_t i = skip; i < got; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    level = got > skip ? std::sqrt(sum / static_cast<double>(got - skip)) / 32768.0 : 0.0;
  }
  waveInUnprepareHeader(in, &header, sizeof(header));
  waveInClose(in);
  CloseHandle(done);
  return level;
}

unsigned PlayDevices() { return waveOutGetNumDevs(); }
unsigned RecordDevices() { return waveInGetNumDevs(); }

}  // namespace zarnik::test
