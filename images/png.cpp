// PNG files through libpng. Reading gives 8-bit gray (depth 1), 16-bit
// gray (depth 2) or 8-bit colour (depth 3): palettes and small bit depths
// are expanded, alpha is dropped and 16-bit colour is scaled to 8 bits.
// Writing filters and compresses a picture whole, with libdeflate, up to
// 64 MiB; a larger one streams through libpng and zlib.
//
// libpng reports errors by a long jump: the functions that set a jump point
// hold no C++ object that needs destruction and change no local after it.
#include <libdeflate.h>
#include <png.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "images/formats.h"

namespace zorl {

namespace {

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool writing = false;
  char message[200] = "";
};

void OnError(png_structp png, png_const_charp message) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(s->message, sizeof s->message, "%s",
                message ? message : "unknown fault");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The writer's memory (zlib's state, some 300 KiB, and libpng's rows):
// blocks released are kept by the thread, a few, and given again for the
// same size, so that writing one file after another neither returns the
// heap's top to the system nor faults it back in each time.
struct KeptBlocks {
  static constexpr int kMost = 8;
  struct Block {
    void* p = nullptr;
    std::size_t size = 0;
  } kept[kMost];
  ~KeptBlocks() {
    for (Block& b : kept) std::free(b.p);
  }
};

thread_local KeptBlocks t_kept;

// Each block has its size before it.
constexpr std::size_t kHeader = alignof(std::max_align_t);

png_voidp Allocate(png_structp, png_alloc_size_t n) {
  for (KeptBlocks::Block& b : t_kept.kept)
    if (b.p && b.size == n) {
      void* p = b.p;
      b = {};
      return static_cast<char*>(p) + kHeader;
    }
  if (n > static_cast<png_alloc_size_t>(-1) - kHeader) return nullptr;
  void* p = std::malloc(n + kHeader);
  if (!p) return nullptr;
  std::memcpy(p, &n, sizeof n);
  return static_cast<char*>(p) + kHeader;
}

void Free(png_structp, png_voidp at) {
  if (!at) return;
  void* p = static_cast<char*>(at) - kHeader;
  std::size_t n;
  std::memcpy(&n, p, sizeof n);
  for (KeptBlocks::Block& b : t_kept.kept)
    if (!b.p) {
      b = {p, n};
      return;
    }
  std::free(p);
}

// Frees libpng's structures on every path.
class PngHolder {
 public:
  explicit PngHolder(PngState* s) : s_(s) {}
  ~PngHolder() {
    if (!s_->png) return;
    if (s_->writing)
      png_destroy_write_struct(&s_->png, &s_->info);
    else
      png_destroy_read_struct(&s_->png, &s_->info, nullptr);
  }
  PngHolder(const PngHolder&) = delete;
  PngHolder& operator=(const PngHolder&) = delete;

 private:
  PngState* s_;
};

// Reads the header and sets the transformations; the size after them.
bool ReadHeader(PngState* s, std::FILE* f, png_uint_32* width,
                png_uint_32* height, int* depth, png_size_t* rowBytes) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_init_io(s->png, f);
  png_read_info(s->png, s->info);
  int colour = png_get_color_type(s->png, s->info);
  int bits = png_get_bit_depth(s->png, s->info);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s->png);
  if (colour == PNG_COLOR_TYPE_GRAY && bits < 8)
    png_set_expand_gray_1_2_4_to_8(s->png);
  if (colour & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(s->png);
  if ((colour & PNG_COLOR_MASK_COLOR) && bits == 16) png_set_scale_16(s->png);
  if (!(colour & PNG_COLOR_MASK_COLOR) && bits == 16) png_set_swap(s->png);
  if (colour & PNG_COLOR_MASK_COLOR) png_set_bgr(s->png);
  png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);
  *width = png_get_image_width(s->png, s->info);
  *height = png_get_image_height(s->png, s->info);
  *rowBytes = png_get_rowbytes(s->png, s->info);
  int channels = png_get_channels(s->png, s->info);
  bits = png_get_bit_depth(s->png, s->info);
  *depth = channels == 3 && bits == 8    ? 3
           : channels == 1 && bits == 8  ? 1
           : channels == 1 && bits == 16 ? 2
                                         : 0;
  return true;
}

bool ReadRows(PngState* s, png_bytepp rows) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_read_image(s->png, rows);
  png_read_end(s->png, nullptr);
  return true;
}

// Level 0 stores the rows as they are; 1 to 9 put every row through the
// Paeth filter, the best of the five on CT slices and photographs alike.
int FilterFor(int level) { return level == 0 ? 0 : 4; }

// Level 6 unless a script gives one. On 512 x 512 CT slices windowed to 8
// bits (bench/io_peer.py) it wrote files 3 % larger to 5 % smaller than
// Pillow's default, in a third to a half of its time.
constexpr int kDefaultLevel = 6;
constexpr long long kWholeUpTo = 64LL << 20;
constexpr std::size_t kKeptUpTo = std::size_t(16) << 20;

// The streaming writer, for pictures too large to be filtered whole in
// memory: libpng with zlib at the same level.
void SetCompression(png_structp png, int level) {
  png_set_compression_level(png, level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE,
                 FilterFor(level) ? PNG_FILTER_PAETH : PNG_FILTER_NONE);
}

bool WriteRows(PngState* s, std::FILE* f, const ImageView* image, int level) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_init_io(s->png, f);
  SetCompression(s->png, level);
  png_set_IHDR(s->png, s->info, static_cast<png_uint_32>(image->width),
               static_cast<png_uint_32>(image->height),
               image->depth == 2 ? 16 : 8,
               image->depth == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(s->png, s->info);
  if (image->depth == 2) png_set_swap(s->png);
  if (image->depth == 3) png_set_bgr(s->png);
  for (long long y = 0; y < image->height; ++y)
    png_write_row(s->png, const_cast<png_bytep>(
                              image->pixels + y * image->width * image->depth));
  png_write_end(s->png, nullptr);
  return true;
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

unsigned char PaethPredictor(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
      pc = std::abs(p - c);
  return static_cast<unsigned char>(pa <= pb && pa <= pc ? a
                                    : pb <= pc           ? b
                                                         : c);
}

// out[x] = cur[x] less its Paeth prediction from the byte bpp before it,
// the one above and the one above that, for x from bpp to n. The filter
// reads only unfiltered bytes, so eight are filtered at once: the
// predictor's three distances in 16 bits, and the first of a, b, c whose
// distance is least chosen by masks.
void PaethRow(const unsigned char* cur, const unsigned char* prev,
              std::size_t bpp, std::size_t n, unsigned char* out) {
  std::size_t x = bpp;
#ifdef __SSE2__
  const __m128i zero = _mm_setzero_si128();
  auto bytes8 = [&zero](const unsigned char* p) {
    return _mm_unpacklo_epi8(
        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  };
  auto abs16 = [&zero](__m128i v) {
    return _mm_max_epi16(v, _mm_sub_epi16(zero, v));
  };
  for (; x + 8 <= n; x += 8) {
    __m128i a = bytes8(cur + x - bpp), b = bytes8(prev + x),
            c = bytes8(prev + x - bpp);
    __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
    __m128i pa = abs16(bc), pb = abs16(ac), pc = abs16(_mm_add_epi16(bc, ac));
    __m128i notA =
        _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    __m128i notB = _mm_cmpgt_epi16(pb, pc);
    __m128i bOrC =
        _mm_or_si128(_mm_and_si128(notB, c), _mm_andnot_si128(notB, b));
    __m128i pred =
        _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
    __m128i in = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cur + x));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x),
                     _mm_sub_epi8(in, _mm_packus_epi16(pred, zero)));
  }
#endif
  for (; x < n; ++x)
    out[x] = static_cast<unsigned char>(
        cur[x] - PaethPredictor(cur[x - bpp], prev[x], prev[x - bpp]));
}

// The picture's rows as the file holds them (red, green, blue; 16-bit
// samples high byte first), each behind its filter type.
void FilterRows(const ImageView& image, int filter, unsigned char* out) {
  const std::size_t bpp = static_cast<std::size_t>(image.depth);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * bpp;
  std::vector<unsigned char> rows(2 * rowBytes);
  unsigned char *prev = rows.data(), *cur = rows.data() + rowBytes;
  for (long long y = 0; y < image.height; ++y) {
    const unsigned char* in = image.pixels + y * rowBytes;
    if (bpp == 1) {
      std::memcpy(cur, in, rowBytes);
    } else {  // depth 2: swap each sample's bytes; 3: blue and red
      for (std::size_t x = 0; x < rowBytes; x += bpp) {
        cur[x] = in[x + bpp - 1];
        if (bpp == 3) cur[x + 1] = in[x + 1];
        cur[x + bpp - 1] = in[x];
      }
    }
    *out++ = static_cast<unsigned char>(filter);
    if (filter == 0) {
      std::memcpy(out, cur, rowBytes);
    } else {
      for (std::size_t x = 0; x < bpp && x < rowBytes; ++x)
        out[x] =
            static_cast<unsigned char>(cur[x] - PaethPredictor(0, prev[x], 0));
      PaethRow(cur, prev, bpp, rowBytes, out);
    }
    out += rowBytes;
    std::swap(prev, cur);
  }
}

void Put32(unsigned char* at, std::uint32_t v) {
  at[0] = static_cast<unsigned char>(v >> 24);
  at[1] = static_cast<unsigned char>(v >> 16);
  at[2] = static_cast<unsigned char>(v >> 8);
  at[3] = static_cast<unsigned char>(v);
}

bool PutChunk(std::FILE* f, const char* type, const unsigned char* data,
              std::size_t n) {
  unsigned char head[8], tail[4];
  Put32(head, static_cast<std::uint32_t>(n));
  std::memcpy(head + 4, type, 4);
  std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
  if (n > 0) crc = libdeflate_crc32(crc, data, n);  // (null restarts it)
  Put32(tail, crc);
  return std::fwrite(head, 1, 8, f) == 8 &&
         (n == 0 || std::fwrite(data, 1, n, f) == n) &&
         std::fwrite(tail, 1, 4, f) == 4;
}

// The compressor of a level, kept by the thread for the next file.
libdeflate_compressor* CompressorFor(int level) {
  struct Kept {
    int level = -1;
    libdeflate_compressor* c = nullptr;
    ~Kept() { libdeflate_free_compressor(c); }
  };
  thread_local Kept kept;
  if (kept.level != level) {
    libdeflate_free_compressor(kept.c);
    kept.c = libdeflate_alloc_compressor(level);
    kept.level = kept.c ? level : -1;
  }
  return kept.c;
}

// The whole picture filtered in memory and compressed at once by
// libdeflate: at the same level some twice as fast as zlib, in files as
// small or smaller.
bool WriteWhole(std::FILE* f, const ImageView& image, int level,
                std::string* error) {
  const std::size_t filtered =
      static_cast<std::size_t>(image.height) *
      (static_cast<std::size_t>(image.width * image.depth) + 1);
  libdeflate_compressor* c = CompressorFor(level);
  if (!c) return Fail(error, "no memory for the PNG writer");
  // The buffers of a slice's size are kept by the thread for the next
  // file: fresh pages for them cost more than the compression itself on
  // virtual machines that shadow page tables.
  thread_local std::vector<unsigned char> keptRows, keptPacked;
  std::vector<unsigned char> ownRows, ownPacked;
  const std::size_t bound = libdeflate_zlib_compress_bound(c, filtered);
  const bool keep = bound <= kKeptUpTo;
  std::vector<unsigned char>& rows = keep ? keptRows : ownRows;
  std::vector<unsigned char>& packed = keep ? keptPacked : ownPacked;
  try {
    rows.resize(filtered);
    packed.resize(bound);
  } catch (const std::bad_alloc&) {
    return Fail(error, "no memory for the PNG writer");
  }
  FilterRows(image, FilterFor(level), rows.data());
  std::size_t n = libdeflate_zlib_compress(c, rows.data(), filtered,
                                           packed.data(), packed.size());
  if (n == 0) return Fail(error, "cannot compress the PNG");
  static const unsigned char kSignature[8] = {0x89, 'P',  'N',  'G',
                                              '\r', '\n', 0x1a, '\n'};
  unsigned char header[13] = {};
  Put32(header, static_cast<std::uint32_t>(image.width));
  Put32(header + 4, static_cast<std::uint32_t>(image.height));
  header[8] = image.depth == 2 ? 16 : 8;
  header[9] = image.depth == 3 ? 2 : 0;  // colour or gray
  if (std::fwrite(kSignature, 1, 8, f) != 8 ||
      !PutChunk(f, "IHDR", header, sizeof header) ||
      !PutChunk(f, "IDAT", packed.data(), n) ||
      !PutChunk(f, "IEND", nullptr, 0))
    return Fail(error, std::string("cannot write the PNG: ") +
                           std::strerror(errno ? errno : EIO));
  return true;
}

}  // namespace

bool ReadPng(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error) {
  PngState s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  PngHolder holder(&s);
  if (!s.png || !s.info) return Fail(error, "no memory for the PNG reader");
  png_uint_32 width = 0, height = 0;
  int depth = 0;
  png_size_t rowBytes = 0;
  if (!ReadHeader(&s, f, &width, &height, &depth, &rowBytes))
    return Fail(error, std::string("corrupt PNG: ") + s.message);
  if (depth == 0) return Fail(error, "PNG of a kind that has no depth here");
  if (!CheckImageSize(width, height, depth, error)) return false;
  long long bytes = static_cast<long long>(width) * height * depth;
  if (static_cast<long long>(rowBytes) != static_cast<long long>(width) * depth)
    return Fail(error, "PNG rows of an unexpected length");
  // Deflate packs at most about 1032 bytes into one: more pixels than that
  // from this file cannot be there.
  long long excess = bytes - 65536;
  if (excess > 0 && (excess - 1) / 1040 >= fileSize)
    return Fail(error, "corrupt PNG: " + std::to_string(width) + " x " +
                           std::to_string(height) +
                           " pixels cannot fit in the file");
  std::vector<png_bytep> rows;
  try {
    image->pixels.resize(static_cast<std::size_t>(bytes));
    rows.resize(height);
  } catch (const OverBudget&) {
    throw;  // host error 8, raised where the statement runs
  } catch (const std::bad_alloc&) {
    return Fail(error, "no memory for " + std::to_string(bytes) + " bytes");
  }
  for (png_uint_32 y = 0; y < height; ++y)
    rows[y] = reinterpret_cast<png_bytep>(image->pixels.data()) + y * rowBytes;
  if (!ReadRows(&s, rows.data()))
    return Fail(error, std::string("corrupt or truncated PNG: ") + s.message);
  image->width = width;
  image->height = height;
  image->depth = depth;
  return true;
}

bool WritePng(std::FILE* f, const ImageView& image, int level,
              std::string* error) {
  if (image.width > 0x7FFFFFFF || image.height > 0x7FFFFFFF)
    return Fail(error, "too large for a PNG");
  if (level < 0 || level > 9) level = kDefaultLevel;
  // A picture of up to 64 MiB is filtered and compressed whole; a larger
  // one streams through libpng a row at a time.
  if (image.width * image.height * image.depth <= kWholeUpTo)
    return WriteWhole(f, image, level, error);
  PngState s;
  s.writing = true;
  s.png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &s, OnError,
                                    OnWarning, nullptr, Allocate, Free);
  if (s.png) s.info = png_create_info_struct(s.png);
  PngHolder holder(&s);
  if (!s.png || !s.info) return Fail(error, "no memory for the PNG writer");
  if (!WriteRows(&s, f, &image, level))
    return Fail(error, std::string("cannot write the PNG: ") + s.message +
                           (errno ? std::string(": ") + std::strerror(errno)
                                  : std::string()));
  return true;
}

}  // namespace zorl
