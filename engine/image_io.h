// Image files: binary PGM and PPM (8 and 16 bits) and PNG (8- and 16-bit
// gray, 8-bit colour), in the module's pixel formats: depth 1, one byte of
// gray; depth 2, 16 bits of gray, low byte first; depth 3, the bytes blue,
// green, red.
#ifndef ZORL_ENGINE_IMAGE_IO_H
#define ZORL_ENGINE_IMAGE_IO_H

#include <cstdio>
#include <string>

namespace zorl {

struct ImageData {
  long long width = 0, height = 0, depth = 0;
  std::string pixels;  // width * height * depth bytes, row by row
};

// Pixels to write: width * height * depth bytes, row by row.
struct ImageView {
  long long width, height, depth;
  const unsigned char* pixels;
};

// Reads an image file, whatever its name says, by its first bytes. On
// failure: false and what is wrong (the caller names the file).
bool ReadImageFile(const std::string& path, ImageData* image,
                   std::string* error);

// Writes an image in the format that the name's extension gives (.pgm,
// .ppm, .pnm or .png). The file appears whole or not at all.
// The caller has checked that the pixels are width * height * depth bytes.
bool WriteImageFile(const std::string& path, const ImageView& image,
                    std::string* error);

// The formats, each over an open file.
bool ReadPnm(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error);
bool WritePnm(std::FILE* f, const ImageView& image, std::string* error);
bool ReadPng(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error);
bool WritePng(std::FILE* f, const ImageView& image, std::string* error);

// Checks the size of an image before its pixels are allocated: at most the
// engine's largest allocation (1 GiB).
bool CheckImageSize(long long width, long long height, long long depth,
                    std::string* error);

}  // namespace zorl

#endif
