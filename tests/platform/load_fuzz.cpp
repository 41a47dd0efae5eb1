// The real load path fuzzed under Wine: mutated picture files (the corpus's seeds of every kind,
// with bytes flipped, tails cut and sizes that lie) loaded as the saver loads a chosen picture
// and drawn as it draws a tick's work file. Batches run in child processes, so that a crash
// ends a batch and not the count. Counts crashes, hangs, loads slower than the time bound and
// the children's peak memory; the exit code says whether all of them stayed at zero and
// within the bound.
//
//   picture_load_fuzz.exe FILES [SEED]                      the parent
//   picture_load_fuzz.exe --child FOLDER FIRST COUNT RESULTS  one batch
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/picture_file.h"
#include "platform/surface.h"
#include "tests/support/test_support.h"

namespace zarnik::test {
namespace {

constexpr int kBatch = 100;
constexpr long long kBoundMs = DecodeBounds{}.time.count();
// A load that takes more than the bound by this much was not given up in time.
constexpr long long kSlackMs = 500;
// The largest picture, what its decoder may hold besides, and the process itself.
constexpr size_t kMemoryBound =
    static_cast<size_t>(DecodeBounds{}.pixels * 4 + DecodeBounds{}.memory) + (64u << 20);
// No word from a child for this long: the file it is on hangs.
constexpr DWORD kHangMs = 30000;

struct Rng {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(state >> 33);
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

void PutLe(std::string& f, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes && at + i < f.size(); ++i) f[at + i] = static_cast<char>(v >> (8 * i));
}
void PutBe(std::string& f, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes && at + i < f.size(); ++i)
    f[at + i] = static_cast<char>(v >> (8 * (bytes - 1 - i)));
}
uint8_t At(const std::string& f, size_t i) { return i < f.size() ? static_cast<uint8_t>(f[i]) : 0; }

// Where a JPEG's frame header sits (its marker's first byte), 0 when none is found.
size_t JpegFrame(const std::string& f) {
  size_t p = 2;
  while (p + 4 < f.size() && At(f, p) == 0xFF) {
    const uint8_t m = At(f, p + 1);
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xCC) return p;
    p += 2 + (At(f, p + 2) << 8 | At(f, p + 3));
  }
  return 0;
}

// Where a GIF's first image descriptor sits, 0 when none is found.
size_t GifImage(const std::string& f) {
  size_t p = 13 + ((At(f, 10) & 0x80) ? 3u << ((At(f, 10) & 7) + 1) : 0);
  while (p < f.size() && At(f, p) == 0x21) {
    p += 2;
    while (p < f.size() && At(f, p)) p += At(f, p) + 1;
    ++p;
  }
  return p < f.size() && At(f, p) == 0x2C ? p : 0;
}

uint32_t LyingSize(Rng& rng) {
  static const uint32_t kSizes[] = {0,      1,      2,          255,         256,        1000,
                                    4096,   8000,   16384,      30000,       60000,      65535,
                                    0x7FFF, 0x8000, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
  return rng.Below(4) == 0 ? rng.Next() : kSizes[rng.Below(sizeof(kSizes) / sizeof(kSizes[0]))];
}

// Width and height fields of the seed's kind given values that need not be true.
void LieAboutSize(std::string& f, Rng& rng) {
  const uint32_t w = LyingSize(rng), h = LyingSize(rng);
  if (At(f, 0) == 'B' && At(f, 1) == 'M') {
    const bool core = At(f, 14) == 12;
    PutLe(f, 18, w, core ? 2 : 4);
    PutLe(f, core ? 20 : 22, h, core ? 2 : 4);
  } else if (At(f, 0) == 0x89 && At(f, 1) == 'P') {
    PutBe(f, 16, w, 4);
    PutBe(f, 20, h, 4);
  } else if (At(f, 0) == 'G') {
    if (rng.Below(2)) {
      PutLe(f, 6, w, 2);
      PutLe(f, 8, h, 2);
    }
    if (const size_t image = GifImage(f)) {
      PutLe(f, image + 5, w, 2);
      PutLe(f, image + 7, h, 2);
    }
  } else if (const size_t sof = JpegFrame(f)) {
    PutBe(f, sof + 5, h, 2);
    PutBe(f, sof + 7, w, 2);
  }
}

std::string Mutate(const std::string& seed, Rng& rng) {
  std::string f = seed;
  const uint32_t how = rng.Below(7);
  if (how == 0 || how == 3 || how == 5 || how == 6) LieAboutSize(f, rng);
  if ((how == 1 || how == 3 || how == 6) && !f.empty()) {
    const uint32_t flips = 1 + rng.Below(16);
    for (uint32_t i = 0; i < flips; ++i) {
      // Mostly in the headers, where a flip changes most.
      const size_t at = rng.Below(2) ? rng.Below(static_cast<uint32_t>(std::min<size_t>(f.size(), 64)))
                                     : rng.Below(static_cast<uint32_t>(f.size()));
      f[at] = static_cast<char>(f[at] ^ (1 + rng.Below(255)));
    }
  }
  if ((how == 2 || how == 5 || how == 6) && !f.empty()) f.resize(rng.Below(static_cast<uint32_t>(f.size())));
  if (how == 4 && f.size() > 16) {  // a stretch of the file repeated: chunks and blocks twice
    const size_t from = rng.Below(static_cast<uint32_t>(f.size())), n = 1 + rng.Below(512);
    f.insert(std::min(f.size(), from + n), f.substr(from, n));
  }
  return f;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)) ? counters.PeakWorkingSetSize
                                                                                : 0;
}

std::wstring FileName(const std::wstring& folder, int i) {
  return folder + L"\\" + std::to_wstring(i) + L".pic";
}

// One batch: each file loaded as a chosen picture and drawn as a work file; a line before
// (so that a crash names its file) and one after, with the times and the peak memory so far.
int RunChild(const std::wstring& folder, int first, int count, const std::wstring& results) {
  FILE* out = _wfopen(results.c_str(), L"a");
  if (!out) return 2;
  Surface screen;
  screen.Resize(640, 480);
  for (int i = first; i < first + count; ++i) {
    fprintf(out, "start %d\n", i);
    fflush(out);
    const auto t0 = std::chrono::steady_clock::now();
    // The picture goes before the draw: one load's memory at a time, as in the program.
    const bool loaded = [&] {
      Surface picture;
      return LoadPictureFile(FileName(folder, i), picture);
    }();
    const auto t1 = std::chrono::steady_clock::now();
    const bool drawn = DrawPictureFile(FileName(folder, i), screen);
    const auto t2 = std::chrono::steady_clock::now();
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    fprintf(out, "done %d %lld %lld %d %d %zu\n", i,
            static_cast<long long>(duration_cast<milliseconds>(t1 - t0).count()),
            static_cast<long long>(duration_cast<milliseconds>(t2 - t1).count()), loaded, drawn,
            PeakWorkingSet());
    fflush(out);
  }
  fclose(out);
  return 0;
}

struct Tally {
  int files = 0, loaded = 0, drawn = 0, crashes = 0, hangs = 0, slow = 0;
  long long slowest_ms = 0;
  size_t peak = 0;
  int peak_file = -1;  // the file during which the peak was reached
};

// Reads the batch's results from `from` on; returns the files the child finished, and the
// one it had started last without finishing (-1 for none).
int ReadResults(const std::wstring& path, Tally& t, int* unfinished) {
  FILE* in = _wfopen(path.c_str(), L"r");
  *unfinished = -1;
  if (!in) return 0;
  int finished = 0;
  char word[16];
  int i = 0;
  while (fscanf(in, "%15s %d", word, &i) == 2) {
    if (std::string(word) == "start") {
      *unfinished = i;
      continue;
    }
    long long load_ms = 0, draw_ms = 0;
    int loaded = 0, drawn = 0;
    size_t peak = 0;
    if (fscanf(in, "%lld %lld %d %d %zu", &load_ms, &draw_ms, &loaded, &drawn, &peak) != 5) break;
    *unfinished = -1;
    ++finished;
    t.loaded += loaded;
    t.drawn += drawn;
    t.slowest_ms = std::max({t.slowest_ms, load_ms, draw_ms});
    t.slow += (load_ms > kBoundMs + kSlackMs) + (draw_ms > kBoundMs + kSlackMs);
    if (peak > t.peak) {
      t.peak = peak;
      t.peak_file = i;
    }
  }
  fclose(in);
  return finished;
}

// Runs the files [first, end) in children until every one was done, crashed or hung.
void RunBatch(const std::wstring& folder, int first, int end, Tally& t, const std::wstring& keep) {
  while (first < end) {
    const std::wstring results = folder + L"\\results-" + std::to_wstring(first) + L".txt";
    Process child;
    const std::wstring self = BinFile(L"picture_load_fuzz.exe");
    if (!child.Start(L"\"" + self + L"\" --child \"" + folder + L"\" " + std::to_wstring(first) + L" " +
                     std::to_wstring(end - first) + L" \"" + results + L"\"")) {
      fprintf(stderr, "no child started\n");
      return;
    }
    // Waits while the child makes progress.
    int done = 0, unfinished = -1;
    for (;;) {
      const bool ended = child.Wait(std::chrono::milliseconds(kHangMs));
      Tally scratch;
      const int now = ReadResults(results, scratch, &unfinished);
      if (ended || now == done) break;
      done = now;
    }
    const bool ended = !child.Running();
    if (!ended) child.Kill();
    Tally batch;
    done = ReadResults(results, batch, &unfinished);
    t.loaded += batch.loaded;
    t.drawn += batch.drawn;
    t.slow += batch.slow;
    t.slowest_ms = std::max(t.slowest_ms, batch.slowest_ms);
    if (batch.peak > t.peak) {
      t.peak = batch.peak;
      t.peak_file = batch.peak_file;
      CopyFileW(FileName(folder, batch.peak_file).c_str(), (keep + L"\\peak.pic").c_str(), FALSE);
    }
    // The file a child was on when it crashed or stopped answering; a child that ended or
    // stalled between two files is held to the next one.
    const int culprit = unfinished >= 0 ? unfinished : first + done;
    if (culprit >= end || (unfinished < 0 && ended && first + done >= end)) {
      first = end;
      continue;
    }
    (ended ? t.crashes : t.hangs)++;
    fwprintf(stderr, L"%ls on file %d (exit %lu; kept in %ls)\n", ended ? L"crash" : L"hang", culprit,
             child.ExitCode(), keep.c_str());
    CopyFileW(FileName(folder, culprit).c_str(), (keep + L"\\" + std::to_wstring(culprit) + L".pic").c_str(),
              FALSE);
    first = culprit + 1;
  }
}

int RunParent(int files, uint32_t seed) {
  std::vector<std::string> seeds;
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const std::wstring corpus = BinFolder() + L"\\picture-corpus";
  HANDLE find = FindFirstFileW((corpus + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string bytes = ReadBytes(corpus + L"\\" + found.cFileName);
      if (bytes.size() > 64 * 1024) continue;  // the large bombs are in the regression set
      seeds.push_back(std::move(bytes));
      names.push_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  if (seeds.empty()) {
    fprintf(stderr, "no seeds in %ls\n", corpus.c_str());
    return 2;
  }
  TempFolder work(L"zkfuzz");
  const std::wstring keep = BinFolder() + L"\\load-fuzz-findings";
  CreateDirectoryW(keep.c_str(), nullptr);
  Rng rng{seed * 0x9E3779B97F4A7C15ULL + 1};
  Tally t;
  const auto start = std::chrono::steady_clock::now();
  for (int first = 0; first < files; first += kBatch) {
    const int end = std::min(files, first + kBatch);
    for (int i = first; i < end; ++i)
      WriteBytes(FileName(work.path(), i), Mutate(seeds[i % seeds.size()], rng));
    RunBatch(work.path(), first, end, t, keep);
    for (int i = first; i < end; ++i) DeleteFileW(FileName(work.path(), i).c_str());
  }
  t.files = files;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  printf("load path fuzzing: %d files from %zu seeds (seed %u) in %.0f s\n", t.files, seeds.size(), seed,
         seconds);
  printf("  loaded as pictures %d, drawn as work files %d\n", t.loaded, t.drawn);
  printf("  crashes %d, hangs %d, loads over the %lld ms bound %d (slowest %lld ms)\n", t.crashes, t.hangs,
         kBoundMs, t.slow, t.slowest_ms);
  printf("  peak memory of a child %zu MB (bound %zu MB), reached on file %d (kept as peak.pic)\n", t.peak >> 20,
         kMemoryBound >> 20, t.peak_file);
  const bool good = t.crashes == 0 && t.hangs == 0 && t.slow == 0 && t.peak < kMemoryBound;
  printf("%s\n", good ? "PASSED" : "FAILED");
  return good ? 0 : 1;
}

}  // namespace
}  // namespace zarnik::test

int wmain(int argc, wchar_t** argv) {
  using namespace zarnik::test;
  // A crash must end the child quietly, not wait in the system's crash dialog.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  if (argc == 6 && std::wstring(argv[1]) == L"--child")
    return RunChild(argv[2], _wtoi(argv[3]), _wtoi(argv[4]), argv[5]);
  const int files = argc > 1 ? _wtoi(argv[1]) : 300;
  const uint32_t seed = argc > 2 ? static_cast<uint32_t>(_wtoi(argv[2])) : 24;
  return RunParent(files, seed);
}
