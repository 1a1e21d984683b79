// DICOM images, parsed and decoded by the distribution's DICOM library in
// every transfer syntax it has a codec for, in the decoder process (see
// decoder_client.h), and given in the module's pixel formats with the
// facts a windowing script needs.
#ifndef ZORL_IMAGES_DICOM_H
#define ZORL_IMAGES_DICOM_H

#include <cstddef>
#include <string>
#include <vector>

#include "images/formats.h"

namespace zorl {

// Whether a file's first bytes (up to 132) are those of a DICOM file: the
// DICM marker after the 128-byte preamble, or, for a file without the
// preamble, a first element of the file meta or identifying groups.
bool LooksLikeDicom(const unsigned char* head, std::size_t n);

// Reads frame number frame (from 0) of the DICOM image open as fd (a
// regular file of fileBytes bytes): monochrome samples of 1, 8 or 16 bits
// as depth 1 or 2 (16 bits low byte first, as stored, two's complement
// when signed), 8-bit RGB as depth 3 (blue, green, red). The pixels are
// taken from the decoder's shared memory (see TakeDecodedBytes) before its
// next job may start. On failure: false
// and what is missing, unsupported or wrong (the caller names the file).
bool ReadDicom(int fd, long long fileBytes, long long frame, ImageData* image,
               std::string* error);

// The first n bytes of a shared-memory file of the decoder's: up to 32 MiB
// copied into a block of the engine's, more mapped and taken over without
// a copy; false when fd is not that long.
bool TakeDecodedBytes(int fd, std::size_t n, ZeroedBytes* bytes);

}  // namespace zorl

#endif
