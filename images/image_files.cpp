// Reading and writing image files: the format by the file's first bytes
// (reading) or the name's extension (writing); a file is written whole or
// not at all, and only when its format holds the pictures as they are.
#include "images/image_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "engine/image_size.h"
#include "engine/whole_file.h"
#include "images/dicom.h"
#include "images/file_names.h"

namespace zorl {

namespace {

// Closes a file on every path.
class File {
 public:
  File(const std::string& path, const char* mode)
      : f_(std::fopen(path.c_str(), mode)) {}
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  std::FILE* get() const { return f_; }
  bool Close() {
    bool ok = !f_ || std::fclose(f_) == 0;
    f_ = nullptr;
    return ok;
  }

 private:
  std::FILE* f_;
};

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// Classic TIFF (42) and BigTIFF (43), either byte order.
bool LooksLikeTiff(const unsigned char* m) {
  return (m[0] == 'I' && m[1] == 'I' && (m[2] == 42 || m[2] == 43) &&
          m[3] == 0) ||
         (m[0] == 'M' && m[1] == 'M' && m[2] == 0 &&
          (m[3] == 42 || m[3] == 43));
}

// Why a signed picture can't go to a file of unsigned samples, and how to
// make it unsigned: adding 32768 (128 for bytes) flips each sample's top
// bit.
std::string SignedRefused(const char* format, long long depth) {
  return std::string("a ") + format +
         " holds unsigned samples and the Image is signed: write it as "
         ".tif, or add " +
         (depth == 2 ? "32768 to its samples first: im.Pixels = "
                       "bytes(unbytes(im.Pixels) ^ (range(0, "
                       "len(im.Pixels)) % 2 * 128))"
                     : "128 to its samples first: im.Pixels = "
                       "bytes(unbytes(im.Pixels) ^ 128)") +
         ", then im.Signed = false";
}

// What a file of that format refuses of the pictures and the options
// ("" for nothing).
std::string Refusal(const std::string& ext, const std::vector<ImageView>& pages,
                    const WriteOptions& options) {
  bool tiff = ext == "tif" || ext == "tiff";
  bool jpeg = ext == "jpg" || ext == "jpeg";
  const char* format = tiff           ? "TIFF"
                       : jpeg         ? "JPEG"
                       : ext == "png" ? "PNG"
                       : ext == "ppm" ? "PPM"
                                      : "PGM";
  if (pages.size() > 1 && !tiff)
    return std::string("a ") + format +
           " holds one picture; name the file "
           ".tif to write " +
           std::to_string(pages.size()) + " as its pages";
  if (options.level && ext != "png")
    return std::string("a level is for a PNG; a ") + format +
           (tiff   ? " takes a compression"
            : jpeg ? " takes a quality"
                   : " takes none");
  if (options.level && (*options.level < 0 || *options.level > 9))
    return "PNG level " + std::to_string(*options.level) + " is not 0 to 9";
  if (options.quality && !jpeg)
    return std::string("a quality is for a JPEG; a ") + format +
           (tiff ? " takes a compression" : " takes none");
  if (options.compression && !tiff)
    return std::string("a compression is for a TIFF; a ") + format +
           (jpeg ? " takes a quality" : " takes none");
  if (options.quality && (*options.quality < 1 || *options.quality > 100))
    return "JPEG quality " + std::to_string(*options.quality) +
           " is not 1 to 100";
  for (const ImageView& page : pages) {
    if (page.isSigned && !tiff) return SignedRefused(format, page.depth);
    if (ext == "pgm" && page.depth == 3)
      return "a PGM holds gray pixels (depth 1 or 2); name the file .ppm or "
             ".png for depth 3";
    if (ext == "ppm" && page.depth != 3)
      return "a PPM holds colour pixels (depth 3); name the file .pgm or "
             ".png for depth " +
             std::to_string(page.depth);
    if (jpeg && page.depth == 2)
      return "a JPEG holds 8-bit samples: map the depth 2 picture to depth 1 "
             "first (a LUT2's Convert2To1), or name the file .tif or .png";
  }
  return "";
}

}  // namespace

bool ReadImageFile(const std::string& path, long long frame, ImageData* image,
                   std::string* error) {
  File file(path, "rb");
  if (!file.get()) return Fail(error, FileReason(errno));
  struct stat st;
  if (fstat(fileno(file.get()), &st) != 0)
    return Fail(error, FileReason(errno));
  if (S_ISDIR(st.st_mode)) return Fail(error, std::strerror(EISDIR));
  unsigned char magic[132] = {};
  std::size_t got = std::fread(magic, 1, sizeof magic, file.get());
  std::rewind(file.get());
  long long size = static_cast<long long>(st.st_size);
  if (got > 0 && (LooksLikeDicom(magic, got) || Extension(path) == "dcm")) {
    if (size > MaxBytes())
      return Fail(error, "a DICOM file of more than " +
                             std::to_string(MaxBytes()) + " bytes");
    if (!S_ISREG(st.st_mode))
      return Fail(error, "a DICOM image is read from a regular file only");
    return ReadDicom(fileno(file.get()), size, frame, image, error);
  }
  if (got >= 4 && LooksLikeTiff(magic))
    return ReadTiff(file.get(), size, frame, image, error);
  if (frame != 0)
    return Fail(error,
                "no frame " + std::to_string(frame) +
                    ": only DICOM and TIFF files have more than frame 0");
  static const unsigned char kPng[8] = {0x89, 'P',  'N',  'G',
                                        '\r', '\n', 0x1a, '\n'};
  if (got >= 8 && std::memcmp(magic, kPng, 8) == 0)
    return ReadPng(file.get(), size, image, error);
  if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
    return ReadJpeg(file.get(), image, error);
  if (got >= 2 && magic[0] == 'P' && (magic[1] == '5' || magic[1] == '6'))
    return ReadPnm(file.get(), size, image, error);
  if (got >= 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '4')
    return Fail(error, std::string("a text or bitmap PNM (P") +
                           static_cast<char>(magic[1]) +
                           "); only binary PGM (P5) and PPM (P6) are read");
  return Fail(error, got == 0
                         ? "empty file, not an image"
                         : "not a PGM, PPM, PNG, TIFF, JPEG or DICOM image");
}

bool WriteImageFile(const std::string& path,
                    const std::vector<ImageView>& pages,
                    const WriteOptions& options, std::string* error) {
  if (pages.empty()) return Fail(error, "no picture to write");
  for (const ImageView& page : pages)
    if (!CheckImageSize(page.width, page.height, page.depth, error))
      return false;
  std::string ext = Extension(path);
  bool png = ext == "png", tiff = ext == "tif" || ext == "tiff",
       jpeg = ext == "jpg" || ext == "jpeg";
  if (!png && !tiff && !jpeg && ext != "pgm" && ext != "ppm" && ext != "pnm")
    return Fail(error,
                "the name ends in none of .png, .pgm, .ppm, .pnm, .tif, "
                ".tiff, .jpg and .jpeg");
  std::string refused = Refusal(ext, pages, options);
  if (!refused.empty()) return Fail(error, refused);
  auto fill = [&](std::FILE* f, std::string* reason) {
    if (tiff)
      return WriteTiff(f, pages, options.compression.value_or("deflate"),
                       reason);
    if (jpeg)
      return WriteJpeg(f, pages[0],
                       static_cast<int>(options.quality.value_or(90)), reason);
    if (png)
      return WritePng(
          f, pages[0],
          static_cast<int>(options.level.value_or(kPngDefaultLevel)), reason);
    return WritePnm(f, pages[0], reason);
  };
  return WriteWholeFile(path, fill, error);
}

}  // namespace zorl
