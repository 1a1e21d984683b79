// Pixel Data held against what the header describes, before anything is
// decoded: native data must be exactly the bytes of its rows, columns,
// samples, bits and frames; each encapsulated frame's codestream must say
// the same size, components and at most the bits the header allocates.
#ifndef ZORL_DECODER_PIXEL_DATA_H
#define ZORL_DECODER_PIXEL_DATA_H

#include <gdcmDataElement.h>

#include <string>

namespace zorl {

struct PixelShape {
  long long width, height;
  int samples, bitsAllocated, bitsStored;
  long long frames;
  bool isSigned;             // Pixel Representation (0028,0103) is 1
  bool chromaPairs = false;  // YBR_FULL_422: Y Y Cb Cr for two pixels
};

// On a contradiction: false and what contradicts what, naming the element.
bool CheckPixelData(const gdcm::DataElement& pixelData, const PixelShape& shape,
                    const char* transferSyntax, std::string* error);

// Whether the file ends inside its Pixel Data: the first Pixel Data
// element header (explicit VR OB, OW or UN, little or big endian, or
// implicit) whose defined length runs past the file's end. Checked before
// the library parses the file, which fails on such a file in ways that do
// not say so.
bool EndsInsidePixelData(const char* data, std::size_t n);

// What a codestream's own header says of its picture; false when the
// header is not found in the first bytes.
struct CodestreamSize {
  long long width = 0, height = 0;  // height 0: given later (JPEG's DNL)
  int components = 0, bits = 0;
  bool isSigned = false;  // JPEG 2000: a component's samples are signed
};
bool JpegSize(const unsigned char* p, std::size_t n, CodestreamSize* size);
bool J2kSize(const unsigned char* p, std::size_t n, CodestreamSize* size);

}  // namespace zorl

#endif
