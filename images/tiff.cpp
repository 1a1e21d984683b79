// TIFF files through libtiff. Each page (directory) is a frame. Reading
// gives 8- and 16-bit gray, signed or unsigned (min-is-white read as
// stored, palette images as their indices), and 8-bit RGB, chunky or
// planar, from strips of any compression the library decodes; extra
// samples such as alpha are dropped. Tiles, other bits per sample, floating
// point and other colour spaces are refused. Writing makes one page a
// picture, uncompressed, LZW, deflate or PackBits (the last three with
// horizontal differencing), little endian.
//
// The library reports through handlers of the open file: they keep the
// text of an error for the message and print nothing.
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "engine/budget.h"
#include "images/formats.h"
#include "images/tiff_pages.h"

namespace zorl {

namespace {

// The open file behind a TIFF handle, and the first error that the library
// reported since it was last cleared.
struct TiffIo {
  std::FILE* f;
  char message[256] = "";
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n) {
  if (n < 0) return -1;
  return static_cast<tmsize_t>(std::fread(buf, 1, static_cast<std::size_t>(n),
                                          static_cast<TiffIo*>(h)->f));
}

// Writing a page after the first reads the link of the one before: the file
// being written is open for reading too (WriteWholeFile's temporary file,
// from mkstemp), and is read past the stream once its buffer is flushed.
tmsize_t ReadBackProc(thandle_t h, void* buf, tmsize_t n) {
  std::FILE* f = static_cast<TiffIo*>(h)->f;
  off_t at = ftello(f);
  if (n < 0 || at < 0 || std::fflush(f) != 0) return -1;
  ssize_t got = pread(fileno(f), buf, static_cast<std::size_t>(n), at);
  if (got < 0 || fseeko(f, at + got, SEEK_SET) != 0) return -1;
  return static_cast<tmsize_t>(got);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t n) {
  if (n < 0) return -1;
  return static_cast<tmsize_t>(std::fwrite(buf, 1, static_cast<std::size_t>(n),
                                           static_cast<TiffIo*>(h)->f));
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
  std::FILE* f = static_cast<TiffIo*>(h)->f;
  const toff_t fail = static_cast<toff_t>(-1);
  // An offset that off_t can't hold (a damaged header's) fails the seek.
  if (offset > static_cast<toff_t>(std::numeric_limits<off_t>::max()) ||
      fseeko(f, static_cast<off_t>(offset), whence) != 0)
    return fail;
  off_t at = ftello(f);
  return at < 0 ? fail : static_cast<toff_t>(at);
}

int CloseProc(thandle_t) { return 0; }  // the caller closes the file

toff_t SizeProc(thandle_t h) {
  struct stat st;
  if (fstat(fileno(static_cast<TiffIo*>(h)->f), &st) != 0) return 0;
  return static_cast<toff_t>(st.st_size);
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }  // read, not mapped
void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* io = static_cast<TiffIo*>(user);
  if (!io->message[0])
    std::vsnprintf(io->message, sizeof io->message, format, args);
  return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// The handle is named "file" for the library's messages; What drops that
// name where a message begins with it.
const char kName[] = "file";

std::string What(const TiffIo& io, const char* otherwise) {
  std::string m = io.message;
  std::string prefix = std::string(kName) + ": ";
  if (m.compare(0, prefix.size(), prefix) == 0) m.erase(0, prefix.size());
  // A strip read whole reports row -1.
  std::size_t at = m.find(" at scanline 4294967295");
  if (at != std::string::npos) m.erase(at, 23);
  return m.empty() ? otherwise : m;
}

// Closes the handle on every path.
class TiffHandle {
 public:
  TiffHandle(TiffIo* io, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return;
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, io);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, io);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options,
                                        static_cast<tmsize_t>(MaxBytes()));
    t_ = TIFFClientOpenExt(
        kName, mode, io, mode[0] == 'r' ? ReadProc : ReadBackProc, WriteProc,
        SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
  }
  ~TiffHandle() { Close(); }
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;
  TIFF* get() const { return t_; }
  void Close() {
    if (t_) TIFFClose(t_);
    t_ = nullptr;
  }

 private:
  TIFF* t_ = nullptr;
};

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool LittleEndianHost() {
  const std::uint16_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// What a page holds, from its tags.
struct PageLayout {
  std::uint32_t width = 0, height = 0;
  std::uint16_t bits = 0, samples = 0, format = 0, photometric = 0, planar = 0,
                compression = 0;
  long long depth = 0;  // 0: not read here (*why says what it is)
};

const char* PhotometricName(std::uint16_t p) {
  switch (p) {
    case PHOTOMETRIC_SEPARATED:
      return "separated (CMYK)";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr";
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
      return "Lab";
    case PHOTOMETRIC_MASK:
      return "transparency mask";
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV:
      return "LogLuv";
    default:
      return nullptr;
  }
}

bool Layout(TIFF* t, PageLayout* p, std::string* why) {
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &p->width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &p->height);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &p->bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &p->samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &p->format);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &p->planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &p->compression);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &p->photometric))
    return Fail(why, "no photometric interpretation");
  bool colour = p->photometric == PHOTOMETRIC_RGB;
  bool gray = p->photometric == PHOTOMETRIC_MINISBLACK ||
              p->photometric == PHOTOMETRIC_MINISWHITE ||
              p->photometric == PHOTOMETRIC_PALETTE;
  if (!colour && !gray) {
    const char* name = PhotometricName(p->photometric);
    return Fail(
        why, "photometric interpretation " +
                 (name ? std::string(name) : std::to_string(p->photometric)) +
                 "; gray, palette and RGB pages are read");
  }
  if (TIFFIsTiled(t))
    return Fail(why,
                "tiled pages are not read; save the file in strips (as "
                "ImageJ and most microscope software do)");
  if (p->samples < (colour ? 3 : 1))
    return Fail(why, std::to_string(p->samples) + " samples per pixel for " +
                         (colour ? "RGB" : "gray"));
  if (p->format == SAMPLEFORMAT_IEEEFP || p->format > SAMPLEFORMAT_VOID)
    return Fail(why, p->format == SAMPLEFORMAT_IEEEFP
                         ? "floating-point samples; 8- and 16-bit whole "
                           "numbers are read"
                         : "complex samples");
  if (p->bits != 8 && (p->bits != 16 || colour))
    return Fail(why, std::to_string(p->bits) + " bits per sample; " +
                         (colour ? "RGB is read of 8 bits"
                                 : "gray is read of 8 or 16 bits"));
  p->depth = colour ? 3 : p->bits / 8;
  return true;
}

// Places one row of the file's samples (native order; one plane's, or
// every sample of each pixel when chunky) into the row of pixels out.
void PlaceRow(const PageLayout& p, const unsigned char* in, int plane,
              unsigned char* out) {
  bool chunky = p.planar != PLANARCONFIG_SEPARATE;
  std::size_t step = chunky ? p.samples : 1;
  std::size_t bytes = p.bits / 8;
  // Red, green, blue in the file; blue first in memory.
  std::size_t to = p.depth == 3 && !chunky ? 2 - plane : 0;
  bool swap = bytes == 2 && !LittleEndianHost();
  for (std::uint32_t x = 0; x < p.width; ++x) {
    const unsigned char* s = in + x * step * bytes;
    unsigned char* d = out + x * p.depth;
    if (p.depth == 3 && chunky) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    } else if (bytes == 2) {
      d[0] = s[swap ? 1 : 0];
      d[1] = s[swap ? 0 : 1];
    } else {
      d[to] = s[0];
    }
  }
}

bool ReadRows(TIFF* t, const PageLayout& p, unsigned char* pixels,
              std::string* why) {
  tmsize_t lineBytes = TIFFScanlineSize(t);
  std::size_t step = p.planar == PLANARCONFIG_SEPARATE ? 1 : p.samples;
  if (lineBytes < 0 ||
      static_cast<unsigned long long>(lineBytes) <
          static_cast<unsigned long long>(p.width) * step * (p.bits / 8))
    return Fail(why, "rows of an unexpected length");
  std::vector<unsigned char> line;
  try {
    line.resize(static_cast<std::size_t>(lineBytes));
  } catch (const std::bad_alloc&) {
    return Fail(why, "no memory for a row");
  }
  // Plane by plane: each one's rows in order, as the strips hold them.
  int planes = p.planar == PLANARCONFIG_SEPARATE ? (p.depth == 3 ? 3 : 1) : 1;
  std::size_t rowBytes = static_cast<std::size_t>(p.width) * p.depth;
  for (int plane = 0; plane < planes; ++plane) {
    for (std::uint32_t y = 0; y < p.height; ++y) {
      if (TIFFReadScanline(t, line.data(), y,
                           static_cast<std::uint16_t>(plane)) < 0)
        return Fail(why, "row " + std::to_string(y) + " can't be read");
      PlaceRow(p, line.data(), plane, pixels + y * rowBytes);
    }
  }
  return true;
}

}  // namespace

bool ReadTiff(std::FILE* f, long long fileSize, long long frame,
              ImageData* image, std::string* error) {
  long long frames = 0;
  std::uint64_t offset = 0;
  if (!TiffPage(fileno(f), frame, &frames, &offset, error)) return false;
  if (frame < 0 || frame >= frames)
    return Fail(error, "no frame " + std::to_string(frame) + ": it has " +
                           std::to_string(frames) + " frame" +
                           (frames == 1 ? "" : "s") + " (0 to " +
                           std::to_string(frames - 1) + ")");
  // The header alone, then the page's directory.
  TiffIo io{f};
  TiffHandle tiff(&io, "rh");
  TIFF* t = tiff.get();
  if (!t) return Fail(error, "corrupt TIFF: " + What(io, "no header"));
  io.message[0] = 0;
  if (!TIFFSetSubDirectory(t, offset))
    return Fail(error, "corrupt TIFF: page " + std::to_string(frame) + ": " +
                           What(io, "can't be read"));
  PageLayout p;
  std::string why;
  if (!Layout(t, &p, &why))
    return Fail(error, "TIFF page " + std::to_string(frame) + ": " + why);
  if (!CheckImageSize(p.width, p.height, p.depth, error)) return false;
  long long bytes = static_cast<long long>(p.width) * p.height * p.depth;
  // Uncompressed pixels must all be in the file.
  long long stored =
      static_cast<long long>(p.width) * p.height * (p.bits / 8) * p.samples;
  if (p.compression == COMPRESSION_NONE && stored > fileSize)
    return Fail(error, "truncated TIFF: " + std::to_string(p.width) + " x " +
                           std::to_string(p.height) +
                           " pixels cannot fit in the file");
  try {
    image->pixels.resize(static_cast<std::size_t>(bytes));
  } catch (const OverBudget&) {
    throw;  // host error 8, raised where the statement runs
  } catch (const std::bad_alloc&) {
    return Fail(error, "no memory for " + std::to_string(bytes) + " bytes");
  }
  io.message[0] = 0;
  if (!ReadRows(t, p, reinterpret_cast<unsigned char*>(image->pixels.data()),
                &why))
    return Fail(error, "corrupt or truncated TIFF: page " +
                           std::to_string(frame) + ": " + why + ": " +
                           What(io, "no reason given"));
  image->width = p.width;
  image->height = p.height;
  image->depth = p.depth;
  PixelFacts& facts = image->facts;
  facts.isSigned = p.format == SAMPLEFORMAT_INT;
  facts.bitsStored = p.bits;
  if (p.photometric == PHOTOMETRIC_MINISWHITE)
    facts.photometric = "MONOCHROME1";
  if (p.photometric == PHOTOMETRIC_PALETTE) facts.photometric = "PALETTE COLOR";
  facts.frames = frames;
  return true;
}

bool WriteTiff(std::FILE* f, const std::vector<ImageView>& pages,
               const std::string& compression, std::string* error) {
  static const struct {
    const char* name;
    std::uint16_t scheme;
  } kSchemes[] = {{"none", COMPRESSION_NONE},
                  {"lzw", COMPRESSION_LZW},
                  {"deflate", COMPRESSION_ADOBE_DEFLATE},
                  {"packbits", COMPRESSION_PACKBITS}};
  std::uint16_t scheme = 0;
  for (const auto& s : kSchemes)
    if (compression == s.name) scheme = s.scheme;
  if (!scheme)
    return Fail(error, "no TIFF compression \"" + compression +
                           "\": \"none\", \"lzw\", \"deflate\" or "
                           "\"packbits\"");
  if (!TIFFIsCODECConfigured(scheme))
    return Fail(error, "the TIFF library lacks " + compression);
  // Past 4 GiB a classic TIFF can't point: BigTIFF.
  long long total = 0;
  for (const ImageView& page : pages)
    total += page.width * page.height * page.depth;
  TiffIo io{f};
  TiffHandle tiff(&io, total > (3LL << 30) ? "w8l" : "wl");
  TIFF* t = tiff.get();
  if (!t) return Fail(error, "cannot write the TIFF: " + What(io, "no memory"));
  bool swap = !LittleEndianHost();
  std::vector<unsigned char> row;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const ImageView& page = pages[i];
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(page.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH,
                 static_cast<std::uint32_t>(page.height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, page.depth == 2 ? 16 : 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, page.depth == 3 ? 3 : 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 page.depth == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_SAMPLEFORMAT,
                 page.isSigned ? SAMPLEFORMAT_INT : SAMPLEFORMAT_UINT);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, scheme);
    if (scheme == COMPRESSION_LZW || scheme == COMPRESSION_ADOBE_DEFLATE)
      TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    // Strips of some 256 KiB rather than the library's 8 KiB: a 512 x 512
    // slice in one strip was written with a quarter of the page faults
    // (each strip's buffers are the library's anew) in files 1 % smaller.
    const long long stripRows = (256 << 10) / (page.width * page.depth);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP,
                 static_cast<std::uint32_t>(std::clamp<long long>(
                     stripRows, 1, std::max<long long>(page.height, 1))));
    if (pages.size() > 1 && pages.size() <= 65535) {
      TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(t, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(i),
                   static_cast<std::uint16_t>(pages.size()));
    }
    // A row at a time through a copy: the library's differencing changes
    // the row it is given, and colour and byte order change here.
    std::size_t rowBytes = static_cast<std::size_t>(page.width * page.depth);
    row.resize(rowBytes);
    for (long long y = 0; y < page.height; ++y) {
      std::memcpy(row.data(), page.pixels + y * rowBytes, rowBytes);
      if (page.depth == 3 || (page.depth == 2 && swap))
        for (std::size_t x = 0; x < rowBytes; x += page.depth)
          std::swap(row[x], row[x + page.depth - 1]);
      if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) <
          0)
        return Fail(error, "cannot write the TIFF: " + What(io, "a row"));
    }
    if (!TIFFWriteDirectory(t))
      return Fail(error, "cannot write the TIFF: " + What(io, "a page"));
  }
  tiff.Close();
  if (io.message[0])
    return Fail(error, "cannot write the TIFF: " + What(io, ""));
  return true;
}

}  // namespace zorl
