// Binary PGM (P5) and PPM (P6) files with 8- or 16-bit samples. Samples
// keep their values (a 12-bit gray image stays 0 to 4095), except that the
// 16-bit samples of a PPM are scaled to 8 bits for depth 3.
#include <cctype>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "images/formats.h"

namespace zorl {

namespace {

// The next header number; whitespace and # comments before it are skipped.
bool HeaderNumber(std::FILE* f, long long* out) {
  int c = std::fgetc(f);
  for (;;) {
    while (c != EOF && std::isspace(c)) c = std::fgetc(f);
    if (c != '#') break;
    while (c != EOF && c != '\n') c = std::fgetc(f);
  }
  if (c == EOF || !std::isdigit(c)) return false;
  long long v = 0;
  while (c != EOF && std::isdigit(c)) {
    v = v * 10 + (c - '0');
    if (v > 0x7FFFFFFF) return false;
    c = std::fgetc(f);
  }
  *out = v;
  // Exactly one whitespace byte ends the last number of the header.
  return c != EOF && std::isspace(c);
}

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool ReadAll(std::FILE* f, void* dest, std::size_t n, std::string* error) {
  if (std::fread(dest, 1, n, f) == n) return true;
  return Fail(error, "truncated PGM/PPM: the pixels end early");
}

bool WriteAll(std::FILE* f, const void* src, std::size_t n,
              std::string* error) {
  if (std::fwrite(src, 1, n, f) == n) return true;
  return Fail(error, std::strerror(errno));
}

// Checks that no sample is above maxval: samples of 1 or 2 bytes, the most
// significant first, as the file holds them.
bool SamplesWithin(const unsigned char* d, long long n, int sampleBytes,
                   long long maxval, std::string* error) {
  if (maxval == (sampleBytes == 2 ? 65535 : 255)) return true;
  for (long long i = 0; i < n; i += sampleBytes) {
    long long v = sampleBytes == 2 ? d[i] * 256 + d[i + 1] : d[i];
    if (v > maxval)
      return Fail(error, "PGM/PPM sample " + std::to_string(v) +
                             " is above the maximum value " +
                             std::to_string(maxval));
  }
  return true;
}

}  // namespace

bool ReadPnm(std::FILE* f, long long fileSize, ImageData* image,
             std::string* error) {
  char magic[2];
  if (std::fread(magic, 1, 2, f) != 2 || magic[0] != 'P' ||
      (magic[1] != '5' && magic[1] != '6'))
    return Fail(error, "not a binary PGM (P5) or PPM (P6)");
  bool colour = magic[1] == '6';
  long long width, height, maxval;
  if (!HeaderNumber(f, &width) || !HeaderNumber(f, &height) ||
      !HeaderNumber(f, &maxval))
    return Fail(error, "corrupt PGM/PPM header");
  if (maxval < 1 || maxval > 65535)
    return Fail(error, "PGM/PPM maximum value " + std::to_string(maxval) +
                           " is not 1 to 65535");
  int sampleBytes = maxval > 255 ? 2 : 1;
  long long depth = colour ? 3 : sampleBytes;
  if (!CheckImageSize(width, height, depth, error)) return false;
  long long samples = width * height * (colour ? 3 : 1);
  long long raw = samples * sampleBytes;
  long long at = std::ftell(f);
  if (at < 0 || fileSize - at < raw)
    return Fail(error, "truncated PGM/PPM: " + std::to_string(raw) +
                           " bytes of pixels expected, " +
                           std::to_string(at < 0 ? 0 : fileSize - at) +
                           " found");
  ZeroedBytes& px = image->pixels;
  try {
    px.resize(static_cast<std::size_t>(width * height * depth));
  } catch (const OverBudget&) {
    throw;  // host error 8, raised where the statement runs
  } catch (const std::bad_alloc&) {
    return Fail(error, "no memory for " + std::to_string(raw) + " bytes");
  }
  unsigned char* d = reinterpret_cast<unsigned char*>(px.data());
  if (!colour || sampleBytes == 1) {
    if (!ReadAll(f, d, static_cast<std::size_t>(raw), error) ||
        !SamplesWithin(d, raw, sampleBytes, maxval, error))
      return false;
    if (colour) {  // red, green, blue in the file; blue first in memory
      for (long long i = 0; i < raw; i += 3) std::swap(d[i], d[i + 2]);
    } else if (sampleBytes == 2) {  // most significant byte first in the file
      for (long long i = 0; i < raw; i += 2) std::swap(d[i], d[i + 1]);
    }
  } else {
    // 16-bit colour, a row at a time, scaled to 8 bits.
    std::vector<unsigned char> row(static_cast<std::size_t>(width * 6));
    for (long long y = 0; y < height; ++y) {
      if (!ReadAll(f, row.data(), row.size(), error) ||
          !SamplesWithin(row.data(), width * 6, 2, maxval, error))
        return false;
      unsigned char* out = d + y * width * 3;
      for (long long x = 0; x < width * 3; ++x) {
        long long v = row[2 * x] * 256 + row[2 * x + 1];
        long long c = x - x % 3 + (2 - x % 3);  // red to the third byte
        out[c] = static_cast<unsigned char>((v * 255 + maxval / 2) / maxval);
      }
    }
  }
  image->width = width;
  image->height = height;
  image->depth = depth;
  return true;
}

bool WritePnm(std::FILE* f, const ImageView& image, std::string* error) {
  const char* magic = image.depth == 3 ? "P6" : "P5";
  int maxval = image.depth == 2 ? 65535 : 255;
  if (std::fprintf(f, "%s\n%lld %lld\n%d\n", magic, image.width, image.height,
                   maxval) < 0)
    return Fail(error, std::strerror(errno));
  long long rowBytes = image.width * image.depth;
  if (image.depth == 1)
    return WriteAll(f, image.pixels,
                    static_cast<std::size_t>(rowBytes * image.height), error);
  // Depth 2 and 3 change the byte order: a row at a time.
  std::vector<unsigned char> row(static_cast<std::size_t>(rowBytes));
  for (long long y = 0; y < image.height; ++y) {
    const unsigned char* s = image.pixels + y * rowBytes;
    std::memcpy(row.data(), s, row.size());
    long long step = image.depth;
    for (long long i = 0; i < rowBytes; i += step)
      std::swap(row[i], row[i + step - 1]);
    if (!WriteAll(f, row.data(), row.size(), error)) return false;
  }
  return true;
}

}  // namespace zorl
