// DICOM images, parsed and decoded by the distribution's DICOM library in
// every transfer syntax it has a codec for, and given in the module's pixel
// formats with the facts a windowing script needs.
#ifndef ZORL_IMAGES_DICOM_H
#define ZORL_IMAGES_DICOM_H

#include <cstddef>
#include <string>

#include "images/formats.h"

namespace zorl {

// Whether a file's first bytes (up to 132) are those of a DICOM file: the
// DICM marker after the 128-byte preamble, or, for a file without the
// preamble, a first element of the file meta or identifying groups.
bool LooksLikeDicom(const unsigned char* head, std::size_t n);

// Reads frame number frame (from 0) of a DICOM image: monochrome samples
// of 1, 8 or 16 bits as depth 1 or 2 (16 bits low byte first, as stored,
// two's complement when signed), 8-bit RGB as depth 3 (blue, green, red).
// On failure: false and what is missing or unsupported (the caller names
// the file).
bool ReadDicom(const std::string& path, long long frame, ImageData* image,
               std::string* error);

}  // namespace zorl

#endif
