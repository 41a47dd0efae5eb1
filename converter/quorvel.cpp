// Quorvel.dll: ConvertBMPtoJPG turns a Windows bitmap file into a baseline JPEG file.
//
//   int16_t ConvertBMPtoJPG(const char* bitmap_path, const char* jpeg_path,
//                           int32_t reserved1, int16_t quality, int32_t reserved2);
//
// Paths are in the system's ANSI code page. The quality is libjpeg's usual 1..100 scale;
// values outside it are taken as the nearest end. The two reserved arguments (callers pass
// -1) are ignored. Result: 1 when the JPEG file was written, 0 when not; on failure no JPEG
// file is left behind and a JPEG file already at the path is untouched.
//
// The same bitmap converted again, unchanged, is not read again where what was kept serves: the
// JPEG of a quality seen before is written as it was kept, or the picture's transformed blocks
// are only quantised and entropy-coded at the new quality. Either way the file holds the very
// bytes a first conversion would have written.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "converter/bitmap_file.h"
#include "converter/bitmap_reader.h"
#include "converter/kept_blocks.h"
#include "converter/kept_sources.h"
#include "platform/code_page.h"
#include "platform/kernel_handle.h"

namespace quorvel {

namespace {

// A path as the caller's ANSI code page spells it; empty when its bytes are no text there.
std::wstring Wide(const char* ansi) {
  return ansi ? zarnik::FromCodePage(CP_ACP, ansi, MB_ERR_INVALID_CHARS) : std::wstring();
}

// Writes beside the target and moves the file over it only when complete.
bool WriteWhole(const std::wstring& target, const std::vector<uint8_t>& jpeg) {
  const std::wstring temp = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  // A work file rewritten every tick: temporary, so the system may keep it in memory.
  zarnik::KernelHandle<> file(
      CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < jpeg.size();) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(jpeg.size() - done, 1u << 30));
    DWORD wrote = 0;
    ok = WriteFile(file.get(), jpeg.data() + done, ask, &wrote, nullptr) && wrote == ask;
    done += wrote;
  }
  ok = file.Close() && ok;
  if (ok) ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

// Whether what is kept was made from the file as it is now. A file system that keeps change
// times vouches for an unchanged file by its identity, checked against a few rows; one that
// does not (FAT) is checked row by row.
bool StillKept(const KeptSource& kept, BitmapFile& file, BitmapReader& bitmap,
               const std::optional<FileIdentity>& identity) {
  if (!kept.known || !identity || !(kept.identity == *identity)) return false;
  const std::optional<uint64_t> digest = file.Digest(bitmap, identity->changed == 0);
  return digest && *digest == kept.digest;
}

// The picture's rows encoded, its blocks kept on the way when they are wanted.
bool FromRows(KeptSource& kept, BitmapFile& file, BitmapReader& bitmap, int quality, bool keep_blocks) {
  SourceBlocks blocks;
  const RowSource rows = [&](int y) { return file.Row(bitmap, y); };
  kept.output.clear();
  if (keep_blocks) kept.MakeRoomForBlocks(bitmap.width(), bitmap.height());
  if (!EncodeRows(bitmap.width(), bitmap.height(), rows, quality, &kept.output, keep_blocks ? &blocks : nullptr))
    return false;
  if (keep_blocks) kept.KeepBlocks(std::move(blocks));
  return true;
}

// The JPEG of the file at the quality: as kept, from the kept blocks, or from the file's rows;
// whatever it was made from, the same bytes. Null on failure.
const std::vector<uint8_t>* Jpeg(KeptSource& kept, BitmapFile& file, BitmapReader& bitmap,
                                 const std::optional<FileIdentity>& identity, int quality) {
  if (!StillKept(kept, file, bitmap, identity)) {
    // A picture seen for the first time: converted as it always was, and only its identity and
    // JPEG kept until it proves to come back.
    kept.Reset(bitmap.width(), bitmap.height());
    const std::optional<uint64_t> digest =
        identity ? file.Digest(bitmap, identity->changed == 0) : std::optional<uint64_t>();
    if (!FromRows(kept, file, bitmap, quality, false)) return nullptr;
    // Kept only when the file stayed the same throughout.
    if (digest && file.Identity() == identity) {
      kept.identity = *identity;
      kept.digest = *digest;
      kept.known = true;
    }
  } else if (auto found = kept.jpegs.find(quality); found != kept.jpegs.end()) {
    return &found->second;
  } else if (kept.blocks.components[0].values) {
    kept.output.clear();
    if (!EncodeBlocks(kept.blocks, quality, &kept.output, &kept.scratch) &&
        !FromRows(kept, file, bitmap, quality, false))
      return nullptr;
  } else if (!FromRows(kept, file, bitmap, quality, BlocksCanBeKept() && kept.WantsBlocks(quality))) {
    return nullptr;
  }
  if (kept.known) {
    kept.seen.insert(quality);
    kept.Keep(quality, kept.output);
  }
  return &kept.output;
}

int16_t Convert(const char* bitmap_path, const char* jpeg_path, int16_t quality) {
  const std::wstring source = Wide(bitmap_path);
  const std::wstring target = Wide(jpeg_path);
  if (source.empty() || target.empty()) return 0;
  const DWORD target_attrs = GetFileAttributesW(target.c_str());
  if (target_attrs != INVALID_FILE_ATTRIBUTES && (target_attrs & FILE_ATTRIBUTE_DIRECTORY)) return 0;

  BitmapFile file(source);
  BitmapReader bitmap;
  if (!file.Open(bitmap)) return 0;
  const int q = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  const std::optional<FileIdentity> identity = file.Identity();

  std::shared_ptr<KeptSource> kept = KeptFor(source);
  std::lock_guard<std::mutex> hold(kept->busy);
  const std::vector<uint8_t>* jpeg = Jpeg(*kept, file, bitmap, identity, q);
  return jpeg && WriteWhole(target, *jpeg) ? 1 : 0;
}

}  // namespace

}  // namespace quorvel

extern "C" __declspec(dllexport) int16_t WINAPI ConvertBMPtoJPG(const char* bitmap_path, const char* jpeg_path,
                                                                int32_t /*reserved1*/, int16_t quality,
                                                                int32_t /*reserved2*/) {
  try {
    return quorvel::Convert(bitmap_path, jpeg_path, quality);
  } catch (...) {
    return 0;
  }
}
