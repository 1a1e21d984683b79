// Reading and writing image files: the format by the file's first bytes
// (reading) or the name's extension (writing); a file is written whole or
// not at all.
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
  if (frame != 0)
    return Fail(error, "no frame " + std::to_string(frame) +
                           ": only DICOM files have more than frame 0");
  static const unsigned char kPng[8] = {0x89, 'P',  'N',  'G',
                                        '\r', '\n', 0x1a, '\n'};
  if (got >= 8 && std::memcmp(magic, kPng, 8) == 0)
    return ReadPng(file.get(), size, image, error);
  if (got >= 2 && magic[0] == 'P' && (magic[1] == '5' || magic[1] == '6'))
    return ReadPnm(file.get(), size, image, error);
  if (got >= 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '4')
    return Fail(error, std::string("a text or bitmap PNM (P") +
                           static_cast<char>(magic[1]) +
                           "); only binary PGM (P5) and PPM (P6) are read");
  return Fail(error, got == 0 ? "empty file, not an image"
                              : "not a PGM, PPM, PNG or DICOM image");
}

bool WriteImageFile(const std::string& path, const ImageView& image,
                    std::string* error) {
  if (!CheckImageSize(image.width, image.height, image.depth, error))
    return false;
  std::string ext = Extension(path);
  bool png = ext == "png";
  if (ext == "pgm" && image.depth == 3)
    return Fail(error,
                "a PGM holds gray pixels (depth 1 or 2); name the "
                "file .ppm or .png for depth 3");
  if (ext == "ppm" && image.depth != 3)
    return Fail(error,
                "a PPM holds colour pixels (depth 3); name the file "
                ".pgm or .png for depth " +
                    std::to_string(image.depth));
  if (!png && ext != "pgm" && ext != "ppm" && ext != "pnm")
    return Fail(error, "the name ends in neither .png, .pgm, .ppm nor .pnm");
  auto fill = [&image, png](std::FILE* f, std::string* reason) {
    return png ? WritePng(f, image, reason) : WritePnm(f, image, reason);
  };
  return WriteWholeFile(path, fill, error);
}

}  // namespace zorl
