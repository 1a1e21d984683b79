// PNG files through libpng. Reading gives 8-bit gray (depth 1), 16-bit
// gray (depth 2) or 8-bit colour (depth 3): palettes and small bit depths
// are expanded, alpha is dropped and 16-bit colour is scaled to 8 bits.
//
// libpng reports errors by a long jump: the functions that set a jump point
// hold no C++ object that needs destruction and change no local after it.
#include <png.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
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

// How a PNG is compressed. Measured on 8-bit 512 x 512 CT slices windowed
// for display, a smooth ramp and a noisy phantom (bench/io_peer.py): every
// row through the Paeth filter at zlib level 4 takes 0.55 to 0.8 of the
// time of libpng's default (level 6, each row's filter chosen among the
// five) for files 0 to 4 % larger. A level given by the script keeps
// Paeth from 1 to 8; level 9 chooses each row's filter, for the smallest
// files; level 0 stores the rows as they are.
void SetCompression(png_structp png, int level) {
  constexpr int kDefaultLevel = 4;
  if (level < 0 || level > 9) level = kDefaultLevel;
  png_set_compression_level(png, level);
  png_set_filter(png, PNG_FILTER_TYPE_BASE,
                 level == 0   ? PNG_FILTER_NONE
                 : level == 9 ? PNG_ALL_FILTERS
                              : PNG_FILTER_PAETH);
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
