// DICOM images through GDCM: the library parses the file and decodes its
// pixels (raw little or big endian, implicit or explicit, deflate, RLE,
// JPEG, JPEG-LS and JPEG 2000); this file checks what it found against what
// the module takes and the engine's allocation limit before decoding, then
// copies one frame into the module's pixel format.
#include "images/dicom.h"

#include <fcntl.h>
#include <gdcmImageReader.h>
#include <gdcmReader.h>
#include <gdcmTrace.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <sstream>
#include <vector>

#include "engine/image_size.h"
#include "engine/store.h"
#include "images/dicom_library.h"

namespace zorl {

namespace {

const gdcm::Tag kPixelData(0x7FE0, 0x0010);

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// The first value of a decimal string element; none when the element is
// absent, empty or not a number.
std::optional<double> FirstNumber(const gdcm::DataSet& ds, uint16_t group,
                                  uint16_t element) {
  gdcm::Tag tag(group, element);
  if (!ds.FindDataElement(tag)) return std::nullopt;
  const gdcm::ByteValue* bv = ds.GetDataElement(tag).GetByteValue();
  if (!bv || bv->GetLength() == 0) return std::nullopt;
  std::string text(bv->GetPointer(), bv->GetLength());
  text = text.substr(0, text.find('\\'));
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  return v;
}

// The values of a multi-valued decimal string element (empty when absent).
std::vector<double> Numbers(const gdcm::DataSet& ds, uint16_t group,
                            uint16_t element) {
  std::vector<double> out;
  gdcm::Tag tag(group, element);
  if (!ds.FindDataElement(tag)) return out;
  const gdcm::ByteValue* bv = ds.GetDataElement(tag).GetByteValue();
  if (!bv) return out;
  std::string text(bv->GetPointer(), bv->GetLength());
  std::size_t at = 0;
  while (at <= text.size()) {
    std::size_t end = text.find('\\', at);
    if (end == std::string::npos) end = text.size();
    std::string one = text.substr(at, end - at);
    char* stop = nullptr;
    double v = std::strtod(one.c_str(), &stop);
    if (stop == one.c_str()) return {};
    out.push_back(v);
    at = end + 1;
  }
  return out;
}

// Where a slice stands along the normal of its plane: its position
// (0020,0032) on the cross product of its row and column directions
// (0020,0037); else its Slice Location (0020,1041).
std::optional<double> SlicePosition(const gdcm::DataSet& ds) {
  std::vector<double> p = Numbers(ds, 0x0020, 0x0032);
  std::vector<double> o = Numbers(ds, 0x0020, 0x0037);
  if (p.size() == 3 && o.size() == 6) {
    double n[3] = {o[1] * o[5] - o[2] * o[4], o[2] * o[3] - o[0] * o[5],
                   o[0] * o[4] - o[1] * o[3]};
    return p[0] * n[0] + p[1] * n[1] + p[2] * n[2];
  }
  return FirstNumber(ds, 0x0020, 0x1041);
}

// The library's reader with the checks it lacks: it asserts (and so
// aborts the process) on an RT dose without Number of Frames, which the
// standard lets a single frame leave out.
class GuardedReader : public gdcm::ImageReader {
 protected:
  bool ReadImage(gdcm::MediaStorage const& ms) override {
    MendFrames();
    return gdcm::ImageReader::ReadImage(ms);
  }
  bool ReadACRNEMAImage() override {
    MendFrames();
    return gdcm::ImageReader::ReadACRNEMAImage();
  }

 private:
  void MendFrames() {
    gdcm::DataSet& ds = GetFile().GetDataSet();
    const gdcm::Tag frames(0x0028, 0x0008);
    const gdcm::DataElement& de = ds.GetDataElement(frames);
    if (de.GetTag() == frames && !de.IsEmpty()) return;
    gdcm::DataElement one(frames);
    one.SetVR(gdcm::VR::IS);
    one.SetByteValue("1 ", 2);
    ds.Replace(one);
  }
};

// Why the library refused a file: whether it parses at all, and whether it
// holds pixels.
std::string WhyUnread(const std::string& path) {
  gdcm::Reader reader;
  reader.SetFileName(path.c_str());
  if (!reader.Read())
    return "not a DICOM file, or a truncated or malformed one (its data "
           "elements cannot be parsed)";
  const gdcm::DataSet& ds = reader.GetFile().GetDataSet();
  if (!ds.FindDataElement(kPixelData))
    return "a DICOM file without Pixel Data (7FE0,0010): not an image";
  return "a DICOM image whose pixel description is missing or inconsistent "
         "(rows, columns, samples, bits or photometric interpretation)";
}

// The module's depth for the samples, or 0 with what is not taken.
int DepthFor(const gdcm::PixelFormat& pf, const std::string& photometric,
             std::string* error) {
  int spp = pf.GetSamplesPerPixel(), bits = pf.GetBitsAllocated();
  if (spp == 1 && (bits == 1 || bits == 8)) return 1;
  if (spp == 1 && bits == 16) return 2;
  if (spp == 3 && bits == 8 && photometric == "RGB") return 3;
  if (spp == 3 && bits == 8)
    *error = "unsupported photometric interpretation " + photometric +
             ": colour is read as RGB only";
  else
    *error = "unsupported pixels: " + std::to_string(spp) + " sample" +
             (spp == 1 ? "" : "s") + " of " + std::to_string(bits) +
             " bits (read are monochrome samples of 1, 8 or 16 bits and "
             "8-bit RGB)";
  return 0;
}

// Copies frame number frame from the decoded buffer of all frames.
void CopyFrame(const std::vector<char>& all, const gdcm::Image& img,
               long long frame, ImageData* image) {
  const long long n = image->width * image->height;
  const unsigned char* src = reinterpret_cast<const unsigned char*>(all.data());
  unsigned char* dst = reinterpret_cast<unsigned char*>(&image->pixels[0]);
  int bits = img.GetPixelFormat().GetBitsAllocated();
  if (bits == 1) {  // packed eight to a byte, first pixel in the lowest bit
    for (long long p = 0, bit = frame * n; p < n; ++p, ++bit)
      dst[p] = (src[bit / 8] >> (bit % 8)) & 1;
  } else if (image->depth == 2) {  // native 16-bit samples to low byte first
    // Signed samples of fewer bits take the sign of their top bit (some
    // codecs leave the bits above it clear).
    const int spare = 16 - img.GetPixelFormat().GetBitsStored();
    const bool extend = img.GetPixelFormat().GetPixelRepresentation() == 1 &&
                        spare > 0 && spare < 16;
    const unsigned char* s = src + frame * n * 2;
    for (long long p = 0; p < n; ++p) {
      uint16_t v;
      std::memcpy(&v, s + 2 * p, 2);
      if (extend && (v >> (15 - spare) & 1))
        v = static_cast<uint16_t>(v | (0xFFFFu << (16 - spare)));
      dst[2 * p] = static_cast<unsigned char>(v & 0xFF);
      dst[2 * p + 1] = static_cast<unsigned char>(v >> 8);
    }
  } else if (image->depth == 3) {  // red, green, blue to blue, green, red
    const unsigned char* s = src + frame * n * 3;
    bool planar = img.GetPlanarConfiguration() == 1;
    for (long long p = 0; p < n; ++p)
      for (int c = 0; c < 3; ++c)
        dst[3 * p + 2 - c] = planar ? s[c * n + p] : s[3 * p + c];
  } else {
    std::memcpy(dst, src + frame * n, static_cast<std::size_t>(n));
  }
}

bool Decode(const std::string& path, long long frame, ImageData* image,
            std::string* error) {
  GuardedReader reader;
  reader.SetFileName(path.c_str());
  if (!reader.Read()) return Fail(error, WhyUnread(path));
  const gdcm::Image& img = reader.GetImage();
  const gdcm::PixelFormat& pf = img.GetPixelFormat();
  const char* pi = img.GetPhotometricInterpretation().GetString();
  std::string photometric = pi ? pi : "";
  photometric.erase(photometric.find_last_not_of(' ') + 1);
  int depth = DepthFor(pf, photometric, error);
  if (!depth) return false;
  long long width = img.GetDimension(0), height = img.GetDimension(1);
  long long frames = img.GetNumberOfDimensions() > 2 ? img.GetDimension(2) : 1;
  if (!CheckImageSize(width, height, depth, error)) return false;
  if (frames < 1) return Fail(error, "no frames");
  if (frame < 0 || frame >= frames)
    return Fail(error, "no frame " + std::to_string(frame) + ": it has " +
                           std::to_string(frames) + " frame" +
                           (frames == 1 ? "" : "s") + " (0 to " +
                           std::to_string(frames - 1) + ")");
  // The decoded buffer holds every frame: refused before decoding when it
  // would pass the engine's allocation limit.
  long long perFrame = width * height * pf.GetSamplesPerPixel() *
                       ((pf.GetBitsAllocated() + 7) / 8);
  if (frames > MaxBytes() / perFrame)
    return Fail(error, std::to_string(frames) + " frames of " +
                           std::to_string(width) + " x " +
                           std::to_string(height) + " pixels are more than " +
                           std::to_string(MaxBytes()) + " bytes");
  if (Warnings().str().find("Incomplete Pixel Data") != std::string::npos)
    return Fail(error,
                "truncated: the file ends inside its Pixel Data (7FE0,0010)");
  std::vector<char> all(img.GetBufferLength());
  if (all.empty() || !img.GetBuffer(all.data()))
    return Fail(error, std::string("cannot decode the pixels (transfer "
                                   "syntax ") +
                           img.GetTransferSyntax().GetString() +
                           "): missing, truncated or corrupt pixel data");
  image->width = width;
  image->height = height;
  image->depth = depth;
  image->pixels.resize(static_cast<std::size_t>(width * height * depth));
  CopyFrame(all, img, frame, image);
  const gdcm::DataSet& ds = reader.GetFile().GetDataSet();
  PixelFacts& facts = image->facts;
  facts.isSigned = pf.GetPixelRepresentation() == 1;
  facts.bitsStored = pf.GetBitsStored();
  facts.photometric = photometric;
  facts.rescaleIntercept = FirstNumber(ds, 0x0028, 0x1052);
  facts.rescaleSlope = FirstNumber(ds, 0x0028, 0x1053);
  facts.windowCenter = FirstNumber(ds, 0x0028, 0x1050);
  facts.windowWidth = FirstNumber(ds, 0x0028, 0x1051);
  facts.frames = frames;
  facts.scan = true;
  facts.frame = frame;
  facts.instanceNumber = FirstNumber(ds, 0x0020, 0x0013);
  facts.slicePosition = SlicePosition(ds);
  return true;
}

}  // namespace

bool LooksLikeDicom(const unsigned char* head, std::size_t n) {
  if (n >= 132 && std::memcmp(head + 128, "DICM", 4) == 0) return true;
  if (n < 8) return false;
  // Without the preamble: a first tag of group 0002 or 0008, little or
  // big endian, with an element number below 0x0100.
  bool little = (head[0] == 2 || head[0] == 8) && head[1] == 0 && head[3] == 0;
  bool big = head[0] == 0 && (head[1] == 2 || head[1] == 8) && head[2] == 0;
  return little || big;
}

bool ReadDicom(const std::string& path, long long frame, ImageData* image,
               std::string* error) {
  Warnings().str("");
  StderrShut shut;
  try {
    return Decode(path, frame, image, error);
  } catch (const OverBudget&) {
    throw;  // host error 8, raised where the statement runs
  } catch (const std::bad_alloc&) {
    return Fail(error, "out of memory while decoding");
  } catch (const std::exception& e) {
    return Fail(error, std::string("malformed DICOM file: ") + e.what());
  }
}

}  // namespace zorl
