// Image files: binary PGM and PPM (8 and 16 bits), PNG (8- and 16-bit
// gray, 8-bit colour) and, for reading, DICOM, in the module's pixel formats:
// depth 1, one byte of gray; depth 2, 16 bits of gray, low byte first; depth 3,
// the bytes blue, green, red.
#ifndef ZORL_IMAGES_IMAGE_FILES_H
#define ZORL_IMAGES_IMAGE_FILES_H

#include <string>

#include "images/formats.h"

namespace zorl {

// Reads frame number frame (from 0; other formats have only frame 0) of an
// image file: the format by its first bytes, or DICOM by the name's .dcm.
// On failure: false and what is wrong (the caller names the file); pixels
// that the memory budget refuses throw OverBudget.
bool ReadImageFile(const std::string& path, long long frame, ImageData* image,
                   std::string* error);

// Writes an image in the format that the name's extension gives (.pgm,
// .ppm, .pnm or .png). The file appears whole or not at all.
// The caller has checked that the pixels are width * height * depth bytes.
bool WriteImageFile(const std::string& path, const ImageView& image,
                    std::string* error);

}  // namespace zorl

#endif
