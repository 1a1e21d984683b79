// Image files: binary PGM and PPM (8 and 16 bits), PNG (8- and 16-bit
// gray, 8-bit colour), TIFF (8- and 16-bit gray, signed too, 8-bit colour;
// pages as frames), JPEG (8-bit gray and colour) and, for reading, DICOM,
// in the module's pixel formats: depth 1, one byte of gray; depth 2, 16 bits
// of gray, low byte first; depth 3, the bytes blue, green, red.
#ifndef ZORL_IMAGES_IMAGE_FILES_H
#define ZORL_IMAGES_IMAGE_FILES_H

#include <optional>
#include <string>
#include <vector>

#include "images/formats.h"

namespace zorl {

// Reads frame number frame (from 0; a TIFF's pages are its frames, other
// formats but DICOM have only frame 0) of an image file: the format by its
// first bytes, or DICOM by the name's .dcm. On failure: false and what is
// wrong (the caller names the file); pixels that the memory budget refuses
// throw OverBudget.
bool ReadImageFile(const std::string& path, long long frame, ImageData* image,
                   std::string* error);

// What a script may choose when writing: a JPEG's quality (1 to 100; 90
// unless given), a PNG's level (0 to 9) or a TIFF's compression ("none",
// "lzw", "deflate" or "packbits"; deflate unless given). Other formats take
// none.
struct WriteOptions {
  std::optional<long long> quality;
  std::optional<long long> level;
  std::optional<std::string> compression;
};

// Writes pictures in the format that the name's extension gives (.pgm,
// .ppm, .pnm, .png, .tif, .tiff, .jpg or .jpeg): several only as the pages
// of a TIFF. Signed pictures only to a TIFF. The file appears whole or not
// at all. The caller has checked that the pixels are width * height * depth
// bytes.
bool WriteImageFile(const std::string& path,
                    const std::vector<ImageView>& pages,
                    const WriteOptions& options, std::string* error);
inline bool WriteImageFile(const std::string& path, const ImageView& image,
                           std::string* error) {
  return WriteImageFile(path, {image}, {}, error);
}

}  // namespace zorl

#endif
