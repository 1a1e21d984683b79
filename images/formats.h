// The pixels of a picture in the module's formats, and the file formats
// that read and write them, each over an open file: depth 1, one byte of
// gray; depth 2, 16 bits of gray, low byte first (two's complement when
// signed); depth 3, the bytes blue, green, red.
#ifndef ZORL_IMAGES_FORMATS_H
#define ZORL_IMAGES_FORMATS_H

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "engine/image_size.h"
#include "engine/store.h"
#include "images/display_facts.h"

namespace zorl {

// What a scan says about its samples. A picture of another format keeps
// the defaults: unsigned, no rescale, no window, one frame, and the bits and
// photometric interpretation that its depth gives.
struct PixelFacts {
  bool isSigned = false;
  int bitsStored = 0;       // 0: those of the depth
  std::string photometric;  // empty: that of the depth
  std::optional<double> rescaleSlope, rescaleIntercept;
  std::optional<double> windowCenter, windowWidth;  // the first values
  long long frames = 1;
  // A scan also says which picture of its series it is: the frame read
  // (from 0), the slice's instance number and its position along the
  // normal of its plane (millimetres), when the file gives them.
  bool scan = false;
  long long frame = 0;
  std::optional<double> instanceNumber, slicePosition;
  // A scan's windows, tables and presentation (display_facts.h).
  DisplayFacts display;
};

struct ImageData {
  long long width = 0, height = 0, depth = 0;
  // width * height * depth bytes, row by row: the storage of the String
  // that the script receives, so that a picture is held once.
  ZeroedBytes pixels;
  PixelFacts facts;
};

// Pixels to write: width * height * depth bytes, row by row; isSigned: the
// samples are two's complement.
struct ImageView {
  long long width, height, depth;
  const unsigned char* pixels;
  bool isSigned = false;
};

bool ReadPnm(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error);
bool WritePnm(std::FILE* f, const ImageView& image, std::string* error);
bool ReadPng(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error);
// Level 0 to 9 (zlib's), or kPngDefaultLevel: see png.cpp for the filters.
constexpr int kPngDefaultLevel = -1;
bool WritePng(std::FILE* f, const ImageView& image, int level,
              std::string* error);
// Page number frame (from 0) of a TIFF; image->facts.frames counts them.
bool ReadTiff(std::FILE* f, long long fileSize, long long frame,
              ImageData* image, std::string* error);
// One page a picture; compression "none", "lzw", "deflate" or "packbits".
bool WriteTiff(std::FILE* f, const std::vector<ImageView>& pages,
               const std::string& compression, std::string* error);
bool ReadJpeg(std::FILE* f, ImageData* image, std::string* error);
// Depth 1 or 3; quality 1 to 100.
bool WriteJpeg(std::FILE* f, const ImageView& image, int quality,
               std::string* error);

}  // namespace zorl

#endif
