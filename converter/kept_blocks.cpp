#include "converter/kept_blocks.h"

#include <malloc.h>
#include <windows.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "platform/jpeg_error.h"

#include <jerror.h>

// The inside of libjpeg-turbo that keeping blocks relies on: the forward-transform stage's
// interface and the transform, sample loading and quantiser it runs. Known for its 2.x releases
// built with their vector code, where a transform value (DCTELEM) is 16 bits.
#if defined(WITH_SIMD) && BITS_IN_JSAMPLE == 8 && defined(LIBJPEG_TURBO_VERSION_NUMBER) && \
    LIBJPEG_TURBO_VERSION_NUMBER >= 2000000 && LIBJPEG_TURBO_VERSION_NUMBER < 3000000
#define QUORVEL_KEEPS_BLOCKS 1
#endif

#ifdef QUORVEL_KEEPS_BLOCKS
extern "C" {
typedef short DCTELEM;
struct jpeg_forward_dct {
  void (*start_pass)(j_compress_ptr cinfo);
  void (*forward_DCT)(j_compress_ptr cinfo, jpeg_component_info* compptr, JSAMPARRAY sample_data,
                      JBLOCKROW coef_blocks, JDIMENSION start_row, JDIMENSION start_col, JDIMENSION num_blocks);
};
int jsimd_can_convsamp(void);
void jsimd_convsamp(JSAMPARRAY sample_data, JDIMENSION start_col, DCTELEM* workspace);
int jsimd_can_fdct_islow(void);
void jsimd_fdct_islow(DCTELEM* data);
void jpeg_fdct_islow(DCTELEM* data);
int jsimd_can_quantize(void);
void jsimd_quantize(JCOEFPTR coef_block, DCTELEM* divisors, DCTELEM* workspace);
}
#endif

namespace quorvel {

void AlignedFree::operator()(void* p) const { _aligned_free(p); }

size_t SourceBlocks::bytes() const {
  size_t total = 0;
  for (const ComponentBlocks& c : components)
    total += static_cast<size_t>(c.width_in_blocks) * c.height_in_blocks * 64 * sizeof(int16_t);
  return total;
}

size_t SourceBlocks::BytesFor(int width, int height) {
  // libjpeg's sizes for 4:2:0: luma in 8 x 8 blocks, each chroma component at half each way.
  const auto blocks = [](int pixels, int per_block) { return (static_cast<size_t>(std::max(pixels, 0)) + per_block - 1) / per_block; };
  return (blocks(width, 8) * blocks(height, 8) + 2 * blocks(width, 16) * blocks(height, 16)) * 64 * sizeof(int16_t);
}

namespace {

constexpr int kAlignment = 64;

template <typename T>
AlignedArray<T> AllocateAligned(size_t count) {
  return AlignedArray<T>(static_cast<T*>(_aligned_malloc(count * sizeof(T), kAlignment)));
}

// libjpeg's output appended to a vector, a piece at a time.
struct VectorDestination {
  static constexpr size_t kPiece = 256 * 1024;
  jpeg_destination_mgr base{};
  std::vector<uint8_t>* out = nullptr;
  size_t start = 0;  // where this JPEG begins in out
  bool failed = false;

  void Attach(j_compress_ptr cinfo, std::vector<uint8_t>* target) {
    out = target;
    start = out->size();
    base.init_destination = Init;
    base.empty_output_buffer = Full;
    base.term_destination = Term;
    cinfo->dest = &base;
  }
  bool Grow(size_t used) {
    try {
      // All the room the buffer already has: one kept from earlier calls needs no more.
      out->resize(std::max(out->capacity(), used + kPiece));
    } catch (...) {
      failed = true;
      out->resize(used);
      return false;
    }
    base.next_output_byte = out->data() + used;
    base.free_in_buffer = out->size() - used;
    return true;
  }
  static VectorDestination* Of(j_compress_ptr cinfo) { return reinterpret_cast<VectorDestination*>(cinfo->dest); }
  static void Init(j_compress_ptr cinfo) {
    if (!Of(cinfo)->Grow(Of(cinfo)->out->size())) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  }
  static boolean Full(j_compress_ptr cinfo) {
    VectorDestination* d = Of(cinfo);
    if (!d->Grow(d->out->size())) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    return TRUE;
  }
  static void Term(j_compress_ptr cinfo) {
    VectorDestination* d = Of(cinfo);
    d->out->resize(d->out->size() - d->base.free_in_buffer);
  }
};

// The settings every JPEG of the converter is made with.
void SetUp(jpeg_compress_struct& cinfo, int width, int height, int quality) {
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);  // baseline tables
}

#ifdef QUORVEL_KEEPS_BLOCKS

// The transform stage of libjpeg-turbo's forward-DCT controller, for its islow transform: the
// quantiser's divisors as it computes them from a quantisation table (reciprocal, correction,
// scale and shift, 64 of each), and the quantiser and sample loading it runs.
struct Divisors {
  alignas(kAlignment) DCTELEM values[4 * DCTSIZE2];
};

int HighestBit(uint16_t value) {
  int bit = 0;
  while (value) {
    ++bit;
    value >>= 1;
  }
  return bit;
}

void ComputeReciprocal(uint16_t divisor, DCTELEM* table) {
  if (divisor == 1) {
    table[DCTSIZE2 * 0] = 1;
    table[DCTSIZE2 * 1] = 0;
    table[DCTSIZE2 * 2] = 1;
    table[DCTSIZE2 * 3] = static_cast<DCTELEM>(-static_cast<int>(sizeof(DCTELEM) * 8));
    return;
  }
  const int b = HighestBit(divisor) - 1;
  int r = static_cast<int>(sizeof(DCTELEM) * 8) + b;
  uint32_t fq = (1u << r) / divisor;
  const uint32_t fr = (1u << r) % divisor;
  uint16_t c = divisor / 2;
  if (fr == 0) {
    fq >>= 1;
    --r;
  } else if (fr <= divisor / 2u) {
    ++c;
  } else {
    ++fq;
  }
  table[DCTSIZE2 * 0] = static_cast<DCTELEM>(fq);
  table[DCTSIZE2 * 1] = static_cast<DCTELEM>(c);
  table[DCTSIZE2 * 2] = static_cast<DCTELEM>(1 << (sizeof(DCTELEM) * 8 * 2 - r));
  table[DCTSIZE2 * 3] = static_cast<DCTELEM>(r - static_cast<int>(sizeof(DCTELEM) * 8));
}

void DivisorsFor(const JQUANT_TBL& table, Divisors* out) {
  for (int i = 0; i < DCTSIZE2; ++i) ComputeReciprocal(static_cast<uint16_t>(table.quantval[i] << 3), out->values + i);
}

void QuantizePlain(JCOEFPTR coef, const DCTELEM* divisors, const DCTELEM* workspace) {
  for (int i = 0; i < DCTSIZE2; ++i) {
    DCTELEM temp = workspace[i];
    const auto recip = static_cast<uint16_t>(divisors[i + DCTSIZE2 * 0]);
    const auto corr = static_cast<uint16_t>(divisors[i + DCTSIZE2 * 1]);
    const int shift = divisors[i + DCTSIZE2 * 3];
    const bool negative = temp < 0;
    if (negative) temp = static_cast<DCTELEM>(-temp);
    uint32_t product = static_cast<uint32_t>(static_cast<uint16_t>(temp) + corr) * recip;
    product >>= shift + static_cast<int>(sizeof(DCTELEM) * 8);
    temp = static_cast<DCTELEM>(product);
    coef[i] = static_cast<JCOEF>(negative ? -temp : temp);
  }
}

void LoadPlain(JSAMPARRAY rows, JDIMENSION start_col, DCTELEM* workspace) {
  for (int r = 0; r < DCTSIZE; ++r)
    for (int c = 0; c < DCTSIZE; ++c)
      workspace[r * DCTSIZE + c] = static_cast<DCTELEM>(rows[r][start_col + c] - CENTERJSAMPLE);
}

// The stages the library would run, chosen as it chooses them.
struct Stages {
  void (*load)(JSAMPARRAY, JDIMENSION, DCTELEM*);
  void (*transform)(DCTELEM*);
  void (*quantize)(JCOEFPTR, DCTELEM*, DCTELEM*);
};

void QuantizePlainStage(JCOEFPTR coef, DCTELEM* divisors, DCTELEM* workspace) {
  QuantizePlain(coef, divisors, workspace);
}

const Stages& LibraryStages() {
  static const Stages stages{jsimd_can_convsamp() ? jsimd_convsamp : LoadPlain,
                             jsimd_can_fdct_islow() ? jsimd_fdct_islow : jpeg_fdct_islow,
                             jsimd_can_quantize() ? jsimd_quantize : QuantizePlainStage};
  return stages;
}

// While a picture is encoded from its rows: the library's transform stage, with each block's
// transform kept before it is quantised.
struct Capture {
  SourceBlocks* keep = nullptr;
  int imcu_row = -1;
  Divisors divisors[NUM_QUANT_TBLS];
};

void CaptureForwardDct(j_compress_ptr cinfo, jpeg_component_info* comp, JSAMPARRAY sample_data,
                       JBLOCKROW coef_blocks, JDIMENSION start_row, JDIMENSION start_col, JDIMENSION num_blocks) {
  auto* capture = static_cast<Capture*>(cinfo->client_data);
  const Stages& stages = LibraryStages();
  // Each row of MCUs begins with the first luma block at the left.
  if (comp->component_index == 0 && start_row == 0 && start_col == 0) ++capture->imcu_row;
  ComponentBlocks& kept = capture->keep->components[comp->component_index];
  const int block_row = capture->imcu_row * comp->v_samp_factor + static_cast<int>(start_row / DCTSIZE);
  DCTELEM* divisors = capture->divisors[comp->quant_tbl_no].values;
  sample_data += start_row;
  for (JDIMENSION bi = 0; bi < num_blocks; ++bi, start_col += DCTSIZE) {
    const int block_col = static_cast<int>(start_col / DCTSIZE);
    DCTELEM* workspace =
        kept.values.get() + (static_cast<size_t>(block_row) * kept.width_in_blocks + block_col) * DCTSIZE2;
    stages.load(sample_data, start_col, workspace);
    stages.transform(workspace);
    stages.quantize(coef_blocks[bi], divisors, workspace);
  }
}

// Blocks for the picture's components as the compressor laid them out.
bool MakeRoom(const jpeg_compress_struct& cinfo, SourceBlocks* keep) {
  if (cinfo.num_components != 3) return false;
  keep->width = static_cast<int>(cinfo.image_width);
  keep->height = static_cast<int>(cinfo.image_height);
  for (int ci = 0; ci < 3; ++ci) {
    ComponentBlocks& c = keep->components[ci];
    c.width_in_blocks = static_cast<int>(cinfo.comp_info[ci].width_in_blocks);
    c.height_in_blocks = static_cast<int>(cinfo.comp_info[ci].height_in_blocks);
    c.values = AllocateAligned<int16_t>(static_cast<size_t>(c.width_in_blocks) * c.height_in_blocks * DCTSIZE2);
    if (!c.values) return false;
  }
  return true;
}

// While kept blocks are encoded: each row of blocks quantised when the coefficient controller
// asks the memory manager for it, into one small buffer a component.
struct Replay {
  const SourceBlocks* blocks = nullptr;
  Divisors divisors[NUM_QUANT_TBLS];
  int table[3] = {};
  int handle[3] = {};  // what stands for each component's coefficient array
  JBLOCKROW row_ptrs[3][MAX_SAMP_FACTOR] = {};
};

JBLOCKARRAY ReplayRows(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION start_row, JDIMENSION num_rows,
                       boolean) {
  auto* replay = static_cast<Replay*>(cinfo->client_data);
  int ci = 0;
  while (ci < 3 && reinterpret_cast<int*>(array) != &replay->handle[ci]) ++ci;
  if (ci == 3 || num_rows > MAX_SAMP_FACTOR) ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
  const ComponentBlocks& kept = replay->blocks->components[ci];
  DCTELEM* divisors = replay->divisors[replay->table[ci]].values;
  const Stages& stages = LibraryStages();
  for (JDIMENSION r = 0; r < num_rows; ++r) {
    const JDIMENSION block_row = start_row + r;
    if (block_row >= static_cast<JDIMENSION>(kept.height_in_blocks)) continue;  // never read: dummy rows
    const int16_t* source = kept.values.get() + static_cast<size_t>(block_row) * kept.width_in_blocks * DCTSIZE2;
    JBLOCKROW row = replay->row_ptrs[ci][r];
    for (int b = 0; b < kept.width_in_blocks; ++b)
      stages.quantize(row[b], divisors, const_cast<DCTELEM*>(source + static_cast<size_t>(b) * DCTSIZE2));
  }
  return replay->row_ptrs[ci];
}

#endif  // QUORVEL_KEEPS_BLOCKS

}  // namespace

bool BlocksCanBeKept() {
#ifdef QUORVEL_KEEPS_BLOCKS
  return true;
#else
  return false;
#endif
}

bool EncodeRows(int width, int height, const RowSource& rows, int quality, std::vector<uint8_t>* out,
                SourceBlocks* keep) {
  const size_t start = out->size();
  jpeg_compress_struct cinfo{};
  zarnik::JpegErrorTrap trap;
  VectorDestination dest;
#ifdef QUORVEL_KEEPS_BLOCKS
  Capture capture;
#endif
  cinfo.err = trap.Install();
  if (setjmp(trap.escape)) {
    jpeg_destroy_compress(&cinfo);
    out->resize(start);
    if (keep) *keep = SourceBlocks{};
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.Attach(&cinfo, out);
  SetUp(cinfo, width, height, quality);
  jpeg_start_compress(&cinfo, TRUE);
#ifdef QUORVEL_KEEPS_BLOCKS
  if (keep && cinfo.dct_method == JDCT_ISLOW && MakeRoom(cinfo, keep)) {
    capture.keep = keep;
    for (int t = 0; t < NUM_QUANT_TBLS; ++t)
      if (cinfo.quant_tbl_ptrs[t]) DivisorsFor(*cinfo.quant_tbl_ptrs[t], &capture.divisors[t]);
    cinfo.client_data = &capture;
    cinfo.fdct->forward_DCT = CaptureForwardDct;
  } else if (keep) {
    *keep = SourceBlocks{};
  }
#else
  if (keep) *keep = SourceBlocks{};
#endif
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rows(static_cast<int>(cinfo.next_scanline)));
    if (!row || dest.failed) ERREXIT(&cinfo, JERR_INPUT_EMPTY);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return !dest.failed;
}

bool EncodeBlocks(const SourceBlocks& blocks, int quality, std::vector<uint8_t>* out, EncodeScratch* scratch) {
#ifdef QUORVEL_KEEPS_BLOCKS
  const size_t start = out->size();
  jpeg_compress_struct cinfo{};
  zarnik::JpegErrorTrap trap;
  VectorDestination dest;
  Replay replay;
  replay.blocks = &blocks;
  cinfo.err = trap.Install();
  if (setjmp(trap.escape)) {
    jpeg_destroy_compress(&cinfo);
    out->resize(start);
    return false;
  }
  jpeg_create_compress(&cinfo);
  SetUp(cinfo, blocks.width, blocks.height, quality);
  if (cinfo.num_components != 3) ERREXIT(&cinfo, JERR_BAD_J_COLORSPACE);
  jvirt_barray_ptr arrays[3];
  for (int ci = 0; ci < 3; ++ci) {
    const ComponentBlocks& kept = blocks.components[ci];
    const int v = cinfo.comp_info[ci].v_samp_factor;
    if (!kept.values || v < 1 || v > MAX_SAMP_FACTOR) ERREXIT(&cinfo, JERR_BAD_SAMPLING);
    replay.table[ci] = cinfo.comp_info[ci].quant_tbl_no;
    const size_t needed = static_cast<size_t>(v) * kept.width_in_blocks * DCTSIZE2;
    if (scratch->capacity[ci] < needed) {
      scratch->rows[ci] = AllocateAligned<int16_t>(needed);
      scratch->capacity[ci] = scratch->rows[ci] ? needed : 0;
      if (!scratch->rows[ci]) ERREXIT(&cinfo, JERR_OUT_OF_MEMORY);
    }
    JBLOCKROW row_blocks = reinterpret_cast<JBLOCKROW>(scratch->rows[ci].get());
    for (int r = 0; r < v; ++r) replay.row_ptrs[ci][r] = row_blocks + static_cast<size_t>(r) * kept.width_in_blocks;
    arrays[ci] = reinterpret_cast<jvirt_barray_ptr>(&replay.handle[ci]);
  }
  for (int t = 0; t < NUM_QUANT_TBLS; ++t)
    if (cinfo.quant_tbl_ptrs[t]) DivisorsFor(*cinfo.quant_tbl_ptrs[t], &replay.divisors[t]);
  dest.Attach(&cinfo, out);
  cinfo.client_data = &replay;
  jpeg_write_coefficients(&cinfo, arrays);
  // The library's layout of the blocks must be the one they were kept in.
  for (int ci = 0; ci < 3; ++ci) {
    if (static_cast<int>(cinfo.comp_info[ci].width_in_blocks) != blocks.components[ci].width_in_blocks ||
        static_cast<int>(cinfo.comp_info[ci].height_in_blocks) != blocks.components[ci].height_in_blocks)
      ERREXIT(&cinfo, JERR_BAD_SAMPLING);
  }
  cinfo.mem->access_virt_barray = ReplayRows;
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return !dest.failed;
#else
  (void)blocks;
  (void)quality;
  (void)out;
  (void)scratch;
  return false;
#endif
}

}  // namespace quorvel
