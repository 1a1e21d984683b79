// JPEG files through libjpeg-turbo: 8-bit gray (depth 1) and colour
// (depth 3, from YCbCr or RGB) are read and written. A warning about
// corrupt data (a file cut short, a bad Huffman code) fails the read, as
// an error does; a progressive file of more scans than any encoder makes,
// and a decoder that would need more memory than the allocation limit, are
// refused.
//
// The library reports errors by a long jump: the functions that set a jump
// point hold no C++ object that needs destruction and change no local after
// it.
#include <csetjmp>
#include <cstdio>
#include <new>
#include <vector>

// jpeglib.h needs the declarations of <cstdio> first.
#include <jerror.h>
#include <jpeglib.h>

#include "engine/budget.h"
#include "images/formats.h"

namespace zorl {

namespace {

// A progressive file gives a scan for each band of coefficients; encoders
// make about ten. Many more only cost time.
constexpr int kMostScans = 1000;

struct JpegState {
  jpeg_decompress_struct in;
  jpeg_compress_struct out;
  jpeg_error_mgr errors;
  jpeg_progress_mgr progress;
  bool writing = false, made = false;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = "";
};

JpegState* StateOf(j_common_ptr c) {
  return static_cast<JpegState*>(c->client_data);
}

void OnError(j_common_ptr c) {
  JpegState* s = StateOf(c);
  c->err->format_message(c, s->message);
  std::longjmp(s->jump, 1);
}

// Level -1 is a warning, of corrupt data but for a few of the header's
// oddities: an error here. Other levels are traces.
void OnMessage(j_common_ptr c, int level) {
  int code = c->err->msg_code;
  if (level < 0 && code != JWRN_JFIF_MAJOR && code != JWRN_ADOBE_XFORM &&
      code != JWRN_BOGUS_ICC)
    OnError(c);
}

void OnProgress(j_common_ptr c) {
  JpegState* s = StateOf(c);
  if (c->is_decompressor && s->in.input_scan_number > kMostScans) {
    std::snprintf(s->message, sizeof s->message, "more than %d scans",
                  kMostScans);
    std::longjmp(s->jump, 1);
  }
}

// Frees the library's structures on every path.
class JpegHolder {
 public:
  explicit JpegHolder(JpegState* s) : s_(s) {}
  ~JpegHolder() {
    if (!s_->made) return;
    if (s_->writing)
      jpeg_destroy_compress(&s_->out);
    else
      jpeg_destroy_decompress(&s_->in);
  }
  JpegHolder(const JpegHolder&) = delete;
  JpegHolder& operator=(const JpegHolder&) = delete;

 private:
  JpegState* s_;
};

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// Sets up the decoder and reads the header; the depth it gives (0: none).
bool ReadHeader(JpegState* s, std::FILE* f, int* depth) {
  if (setjmp(s->jump)) return false;
  s->in.err = jpeg_std_error(&s->errors);
  s->errors.error_exit = OnError;
  s->errors.emit_message = OnMessage;
  s->in.client_data = s;
  jpeg_create_decompress(&s->in);
  s->made = true;
  s->progress.progress_monitor = OnProgress;
  s->in.progress = &s->progress;
  s->in.mem->max_memory_to_use = static_cast<long>(MaxBytes());
  jpeg_stdio_src(&s->in, f);
  jpeg_read_header(&s->in, TRUE);
  *depth = s->in.num_components == 1 ? 1 : s->in.num_components == 3 ? 3 : 0;
  s->in.out_color_space = *depth == 3 ? JCS_EXT_BGR : JCS_GRAYSCALE;
  jpeg_calc_output_dimensions(&s->in);
  return true;
}

bool ReadRows(JpegState* s, JSAMPARRAY rows) {
  if (setjmp(s->jump)) return false;
  jpeg_start_decompress(&s->in);
  while (s->in.output_scanline < s->in.output_height)
    jpeg_read_scanlines(&s->in, rows + s->in.output_scanline,
                        s->in.output_height - s->in.output_scanline);
  jpeg_finish_decompress(&s->in);
  return true;
}

bool WriteRows(JpegState* s, std::FILE* f, const ImageView* image,
               int quality) {
  if (setjmp(s->jump)) return false;
  s->out.err = jpeg_std_error(&s->errors);
  s->errors.error_exit = OnError;
  s->out.client_data = s;
  jpeg_create_compress(&s->out);
  s->made = true;
  jpeg_stdio_dest(&s->out, f);
  s->out.image_width = static_cast<JDIMENSION>(image->width);
  s->out.image_height = static_cast<JDIMENSION>(image->height);
  s->out.input_components = static_cast<int>(image->depth);
  s->out.in_color_space = image->depth == 3 ? JCS_EXT_BGR : JCS_GRAYSCALE;
  jpeg_set_defaults(&s->out);
  jpeg_set_quality(&s->out, quality, TRUE);
  jpeg_start_compress(&s->out, TRUE);
  for (long long y = 0; y < image->height; ++y) {
    JSAMPROW row =
        const_cast<JSAMPROW>(image->pixels + y * image->width * image->depth);
    jpeg_write_scanlines(&s->out, &row, 1);
  }
  jpeg_finish_compress(&s->out);
  return true;
}

}  // namespace

bool ReadJpeg(std::FILE* f, ImageData* image, std::string* error) {
  JpegState s;
  JpegHolder holder(&s);
  int depth = 0;
  if (!ReadHeader(&s, f, &depth))
    return Fail(error, std::string("corrupt JPEG: ") + s.message);
  if (depth == 0)
    return Fail(error, "a JPEG of " + std::to_string(s.in.num_components) +
                           " components (CMYK?); gray and colour are read");
  long long width = s.in.image_width, height = s.in.image_height;
  if (!CheckImageSize(width, height, depth, error)) return false;
  if (s.in.output_width != s.in.image_width ||
      s.in.output_height != s.in.image_height ||
      s.in.output_components != depth)
    return Fail(error, "a JPEG the decoder would give at another size");
  std::vector<JSAMPROW> rows;
  try {
    image->pixels.resize(static_cast<std::size_t>(width * height * depth));
    rows.resize(static_cast<std::size_t>(height));
  } catch (const OverBudget&) {
    throw;  // host error 8, raised where the statement runs
  } catch (const std::bad_alloc&) {
    return Fail(error,
                "no memory for " + SizeText(width, height, depth) + " bytes");
  }
  for (long long y = 0; y < height; ++y)
    rows[y] =
        reinterpret_cast<JSAMPROW>(image->pixels.data()) + y * width * depth;
  if (!ReadRows(&s, rows.data()))
    return Fail(error, std::string("corrupt or truncated JPEG: ") + s.message);
  image->width = width;
  image->height = height;
  image->depth = depth;
  return true;
}

bool WriteJpeg(std::FILE* f, const ImageView& image, int quality,
               std::string* error) {
  if (image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION)
    return Fail(error, "a JPEG is at most " +
                           std::to_string(JPEG_MAX_DIMENSION) +
                           " pixels on a side");
  JpegState s;
  s.writing = true;
  JpegHolder holder(&s);
  if (!WriteRows(&s, f, &image, quality))
    return Fail(error, std::string("cannot write the JPEG: ") + s.message);
  return true;
}

}  // namespace zorl
