// Colour samples as the decoder gives them to the module: three bytes a
// pixel, blue, green, red. The models read are RGB, YBR_FULL and
// YBR_FULL_422 (the samples as decoded are luminance and full-range
// chroma: the JPEG codec and the library leave them so, and the library
// gives uncompressed 4:2:2 pairs as a pixel each), and YBR_ICT and YBR_RCT,
// whose transform the JPEG 2000 codec undoes (they decode to RGB).
#ifndef ZORL_DECODER_COLOUR_SPACES_H
#define ZORL_DECODER_COLOUR_SPACES_H

#include <gdcmDataElement.h>

#include <string>
#include <vector>

namespace zorl {

enum class ColourModel { kNone, kRgb, kYbrFull };

// The model the decoded samples of a colour Photometric Interpretation are
// in; kNone for a model not read.
ColourModel ColourModelOf(const std::string& photometric);

// How a frame's colour samples are laid out as decoded.
struct ColourLayout {
  bool planar = false;  // every red, then every green, then every blue
  int bitsAllocated = 8;
  int bitsStored = 8;  // 16-bit samples scale from 2^bitsStored - 1 to 255
  ColourModel model = ColourModel::kRgb;
};

// n pixels of samples (16-bit ones in the machine's order) to n
// blue-green-red pixels of 8 bits.
void ColourToBgr(const unsigned char* src, long long n,
                 const ColourLayout& layout, unsigned char* dst);

// Every frame of 16-bit colour RLE Pixel Data, decoded here (the library
// gives its byte segments out of order): red, green, blue samples, each in
// the machine's order. False with what is wrong.
bool DecodeRleColour16(const gdcm::DataElement& pixelData, long long pixels,
                       long long frames, std::vector<char>* out,
                       std::string* error);

}  // namespace zorl

#endif
