// DICOM images through GDCM, in the decoder process: the library parses the
// file and decodes its pixels (raw little or big endian, implicit or
// explicit, deflate, RLE, JPEG, JPEG-LS and JPEG 2000). Before it decodes,
// what the header describes is checked against the engine's allocation
// limit and against the Pixel Data the file holds; one frame is then
// written, in the module's pixel format, into the shared memory of the
// reply.
#include <gdcmAttribute.h>
#include <gdcmImageReader.h>
#include <gdcmReader.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "decoder/allocation.h"
#include "decoder/colour_spaces.h"
#include "decoder/display_facts.h"
#include "decoder/file_view.h"
#include "decoder/jobs.h"
#include "decoder/pixel_data.h"
#include "engine/image_size.h"
#include "engine/store.h"
#include "images/display_fields.h"

namespace zorl {

namespace {

const gdcm::Tag kPixelData(0x7FE0, 0x0010);

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
    StandInPalette();
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
  // A PALETTE COLOR image is read as its indices, its palette apart (the
  // palette job); the library asserts on palettes it does not take (a first
  // mapped value other than 0, none at all), so it is given a plain one of
  // 256 entries in the palette's place.
  void StandInPalette() {
    gdcm::DataSet& ds = GetFile().GetDataSet();
    const gdcm::DataElement& pi = ds.GetDataElement(gdcm::Tag(0x0028, 0x0004));
    const gdcm::ByteValue* bv = pi.GetByteValue();
    if (!bv || std::string(bv->GetPointer(), bv->GetLength())
                       .compare(0, 13, "PALETTE COLOR") != 0)
      return;
    // As long as the library makes the table: 2^bits allocated entries.
    const gdcm::DataElement& ba = ds.GetDataElement(gdcm::Tag(0x0028, 0x0100));
    const gdcm::ByteValue* bits = ba.GetByteValue();
    const bool wide =
        bits && bits->GetLength() == 2 && bits->GetPointer()[0] == 16;
    const uint16_t descriptor[3] = {static_cast<uint16_t>(wide ? 0 : 256), 0,
                                    16};
    const std::vector<char> zeros(wide ? 131072 : 512);
    for (uint16_t k = 0; k < 3; ++k) {
      ds.Remove(gdcm::Tag(0x0028, static_cast<uint16_t>(0x1221 + k)));
      gdcm::DataElement d(gdcm::Tag(0x0028, static_cast<uint16_t>(0x1101 + k)));
      d.SetVR(gdcm::VR::US);
      d.SetByteValue(reinterpret_cast<const char*>(descriptor), 6);
      ds.Replace(d);
      gdcm::DataElement t(gdcm::Tag(0x0028, static_cast<uint16_t>(0x1201 + k)));
      t.SetVR(gdcm::VR::OW);
      t.SetByteValue(zeros.data(), static_cast<uint32_t>(zeros.size()));
      ds.Replace(t);
    }
  }
};

// Why the library refused a file: whether it parses at all, and whether it
// holds pixels.
std::string WhyUnread(const FileView& file) {
  MemoryStream in(file.data(), file.size());
  gdcm::Reader reader;
  reader.SetStream(in);
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
  if (spp == 3 && (bits == 8 || bits == 16) &&
      ColourModelOf(photometric) != ColourModel::kNone) {
    if (pf.GetPixelRepresentation() == 0) return 3;
    *error =
        "Pixel Representation (0028,0103) says signed: colour samples "
        "are unsigned";
    return 0;
  }
  if (spp == 3 && (bits == 8 || bits == 16))
    *error = "Photometric Interpretation (0028,0004) " + photometric +
             " with 3 samples per pixel: colour is read as RGB, YBR_FULL, "
             "YBR_FULL_422, YBR_ICT or YBR_RCT";
  else
    *error = "unsupported pixels: " + std::to_string(spp) + " sample" +
             (spp == 1 ? "" : "s") + " of " + std::to_string(bits) +
             " bits (read are monochrome samples of 1, 8 or 16 bits and "
             "colour of 8 or 16)";
  return 0;
}

// A file decoded whole: every frame's samples as the library gives them
// (or, for native 16-bit gray, its Pixel Data element as read, shared with
// the library's data set), and what it takes to give one frame in the
// module's format.
struct Decoded {
  std::vector<char> all;
  gdcm::DataElement native;
  bool isNative = false;
  long long width = 0, height = 0, frames = 0;
  int depth = 0, bitsAllocated = 0, bitsStored = 0;
  bool isSigned = false;
  ColourLayout colour;
  PixelFacts facts;
  DisplayFacts display;
};

// Native 16-bit samples, little endian, to the module's 16-bit pixels: the
// bits above Bits Stored cleared, or set from the sign bit when signed (as
// the library's own decoding of native samples does, one sample at a time
// through streams).
void CopyNativeSamples(const unsigned char* src, long long n, int bitsStored,
                       bool isSigned, unsigned char* dst) {
  const uint16_t keep = static_cast<uint16_t>(0xFFFFu >> (16 - bitsStored));
  // Sign extension without a branch: (v ^ sign) - sign.
  const uint16_t sign =
      isSigned ? static_cast<uint16_t>(1u << (bitsStored - 1)) : 0;
  long long p = 0;
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  const __m128i vkeep = _mm_set1_epi16(static_cast<short>(keep));
  const __m128i vsign = _mm_set1_epi16(static_cast<short>(sign));
  for (; p + 8 <= n; p += 8) {
    __m128i v = _mm_and_si128(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * p)), vkeep);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * p),
                     _mm_sub_epi16(_mm_xor_si128(v, vsign), vsign));
  }
#endif
  for (; p < n; ++p) {
    uint16_t v;
    std::memcpy(&v, src + 2 * p, 2);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = static_cast<uint16_t>(v >> 8 | v << 8);
#endif
    v = static_cast<uint16_t>(((v & keep) ^ sign) - sign);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = static_cast<uint16_t>(v >> 8 | v << 8);
#endif
    std::memcpy(dst + 2 * p, &v, 2);
  }
}

// Copies frame number frame from the decoded buffer of all frames.
void CopyFrame(const Decoded& d, long long frame, unsigned char* dst) {
  const long long n = d.width * d.height;
  if (d.isNative) {
    const gdcm::ByteValue* bv = d.native.GetByteValue();
    CopyNativeSamples(reinterpret_cast<const unsigned char*>(bv->GetPointer()) +
                          frame * n * 2,
                      n, d.bitsStored, d.isSigned, dst);
    return;
  }
  const unsigned char* src =
      reinterpret_cast<const unsigned char*>(d.all.data());
  if (d.bitsAllocated == 1) {  // packed eight to a byte, first pixel lowest
    for (long long p = 0, bit = frame * n; p < n; ++p, ++bit)
      dst[p] = (src[bit / 8] >> (bit % 8)) & 1;
  } else if (d.depth == 2) {  // native 16-bit samples to low byte first
    // Signed samples of fewer bits take the sign of their top bit (some
    // codecs leave the bits above it clear).
    const int spare = 16 - d.bitsStored;
    const bool extend = d.isSigned && spare > 0 && spare < 16;
    const unsigned char* s = src + frame * n * 2;
    for (long long p = 0; p < n; ++p) {
      uint16_t v;
      std::memcpy(&v, s + 2 * p, 2);
      if (extend && (v >> (15 - spare) & 1))
        v = static_cast<uint16_t>(v | (0xFFFFu << (16 - spare)));
      dst[2 * p] = static_cast<unsigned char>(v & 0xFF);
      dst[2 * p + 1] = static_cast<unsigned char>(v >> 8);
    }
  } else if (d.depth == 3) {
    ColourToBgr(src + frame * n * 3 * (d.bitsAllocated / 8), n, d.colour, dst);
  } else {
    std::memcpy(dst, src + frame * n, static_cast<std::size_t>(n));
  }
}

// A value of the header's own (US), when the element is there.
template <uint16_t kElement>
std::optional<long long> HeaderValue(const gdcm::DataSet& ds) {
  const gdcm::Tag tag(0x0028, kElement);
  if (!ds.FindDataElement(tag) || ds.GetDataElement(tag).IsEmpty())
    return std::nullopt;
  gdcm::Attribute<0x0028, kElement> a{};
  a.SetFromDataElement(ds.GetDataElement(tag));
  return a.GetValue();
}

// Three samples a pixel in a monochrome or palette model: the library
// takes the samples from the model, so it is said first.
bool SamplesFitModel(const gdcm::DataSet& ds, std::string* error) {
  const gdcm::ByteValue* bv =
      ds.GetDataElement(gdcm::Tag(0x0028, 0x0004)).GetByteValue();
  std::string model = bv ? std::string(bv->GetPointer(), bv->GetLength()) : "";
  model.erase(model.find_last_not_of(std::string(" \0", 2)) + 1);
  if (HeaderValue<0x0002>(ds).value_or(1) != 3 ||
      (model != "MONOCHROME1" && model != "MONOCHROME2" &&
       model != "PALETTE COLOR"))
    return true;
  *error = "Photometric Interpretation (0028,0004) " + model +
           " with 3 samples per pixel (0028,0002): one sample is its model's";
  return false;
}

// The header's own Rows, Columns, Samples per Pixel and Bits Allocated
// against the pixels the library found: it may take another size from a
// codestream, which the header then contradicts.
bool HeaderAgrees(const gdcm::DataSet& ds, const gdcm::Image& img,
                  std::string* error) {
  const gdcm::PixelFormat& pf = img.GetPixelFormat();
  struct {
    std::optional<long long> header;
    long long found;
    const char* name;
  } const rows[] = {
      {HeaderValue<0x0010>(ds), img.GetDimension(1), "Rows (0028,0010)"},
      {HeaderValue<0x0011>(ds), img.GetDimension(0), "Columns (0028,0011)"},
      {HeaderValue<0x0002>(ds), pf.GetSamplesPerPixel(),
       "Samples per Pixel (0028,0002)"},
      {HeaderValue<0x0100>(ds), pf.GetBitsAllocated(),
       "Bits Allocated (0028,0100)"},
  };
  for (const auto& r : rows)
    if (r.header && *r.header != r.found) {
      *error = std::string(r.name) + " says " + std::to_string(*r.header) +
               "; its Pixel Data (7FE0,0010) holds " + std::to_string(r.found);
      return false;
    }
  // The samples' bits: High Bit is one below Bits Stored, which the bits
  // allocated hold; else which bits a sample is (and its sign) is unsaid.
  std::optional<long long> stored = HeaderValue<0x0101>(ds);
  std::optional<long long> high = HeaderValue<0x0102>(ds);
  if (stored && high &&
      (*high != *stored - 1 || *stored < 1 ||
       *stored > pf.GetBitsAllocated())) {
    *error = "Bits Stored (0028,0101) says " + std::to_string(*stored) +
             " and High Bit (0028,0102) " + std::to_string(*high) + ", with " +
             std::to_string(pf.GetBitsAllocated()) + " bits allocated";
    return false;
  }
  // The library takes a colour model from a codestream when the header
  // gives none; the header's own is the one its pixels are in.
  const gdcm::Tag pi(0x0028, 0x0004);
  const gdcm::ByteValue* model =
      ds.FindDataElement(pi) ? ds.GetDataElement(pi).GetByteValue() : nullptr;
  std::string said =
      model ? std::string(model->GetPointer(), model->GetLength()) : "";
  said.erase(said.find_last_not_of(std::string(" \0", 3)) + 1);
  if (pf.GetSamplesPerPixel() > 1 && said.empty()) {
    *error =
        "Photometric Interpretation (0028,0004) is missing: the colour "
        "model of the pixels is unknown";
    return false;
  }
  static const char* const kModels[] = {"RGB",
                                        "YBR_FULL",
                                        "YBR_FULL_422",
                                        "YBR_PARTIAL_422",
                                        "YBR_PARTIAL_420",
                                        "YBR_ICT",
                                        "YBR_RCT",
                                        "PALETTE COLOR",
                                        "HSV",
                                        "ARGB",
                                        "CMYK",
                                        "XYB"};
  if (pf.GetSamplesPerPixel() > 1 &&
      std::none_of(std::begin(kModels), std::end(kModels),
                   [&](const char* m) { return said == m; })) {
    *error = "Photometric Interpretation (0028,0004) \"" + said +
             "\" names no colour model";
    return false;
  }
  return true;
}

// Uncompressed YBR_FULL_422 holds a pair of pixels in four bytes (Y1 Y2 Cb
// Cr), which the library gives as two pixels of three: only 8-bit samples
// on rows of whole pairs.
bool CheckColour(const gdcm::Image& img, const std::string& photometric,
                 std::string* error) {
  const gdcm::PixelFormat& pf = img.GetPixelFormat();
  if (photometric != "YBR_FULL_422" || img.GetTransferSyntax().IsEncapsulated())
    return true;
  if (pf.GetBitsAllocated() != 8)
    *error = "YBR_FULL_422 of " + std::to_string(pf.GetBitsAllocated()) +
             " bits allocated (0028,0100): its pairs are read of 8 bits";
  else if (img.GetDimension(0) % 2)
    *error = "Columns (0028,0011) is " + std::to_string(img.GetDimension(0)) +
             ": YBR_FULL_422 rows are pairs of pixels, so an even number";
  else if (img.GetPlanarConfiguration() != 0)
    *error =
        "Planar Configuration (0028,0006) is 1: YBR_FULL_422 pairs are "
        "interleaved (0)";
  else
    return true;
  return false;
}

// Native (uncompressed, little endian) 16-bit gray samples, whose one
// change in decoding is the bits above Bits Stored: taken from the Pixel
// Data element itself rather than through the library's stream copies.
bool IsNativeGray16(const gdcm::Image& img, const gdcm::DataSet& ds) {
  const gdcm::PixelFormat& pf = img.GetPixelFormat();
  const gdcm::TransferSyntax& ts = img.GetTransferSyntax();
  const gdcm::PhotometricInterpretation& pi =
      img.GetPhotometricInterpretation();
  const gdcm::ByteValue* bv = ds.GetDataElement(kPixelData).GetByteValue();
  return bv && !ts.IsEncapsulated() && !img.GetNeedByteSwap() &&
         (ts == gdcm::TransferSyntax::ImplicitVRLittleEndian ||
          ts == gdcm::TransferSyntax::ExplicitVRLittleEndian) &&
         (pi == gdcm::PhotometricInterpretation::MONOCHROME1 ||
          pi == gdcm::PhotometricInterpretation::MONOCHROME2) &&
         pf.GetSamplesPerPixel() == 1 && pf.GetBitsAllocated() == 16 &&
         pf.GetBitsStored() >= 1 && pf.GetBitsStored() <= 16 &&
         pf.GetHighBit() == pf.GetBitsStored() - 1 &&
         pf.GetPixelRepresentation() <= 1 &&
         bv->GetLength() >= img.GetBufferLength();
}

std::string FrameRange(long long frame, long long frames) {
  return "no frame " + std::to_string(frame) + ": it has " +
         std::to_string(frames) + " frame" + (frames == 1 ? "" : "s") +
         " (0 to " + std::to_string(frames - 1) + ")";
}

// Parses and checks a file and decodes all its frames (after checking
// that it has frame `frame`).
bool DecodeFile(const FileView& file, long long frame, Decoded* d,
                std::string* error) {
  const bool deflated = LooksDeflated(file.data(), file.size());
  if (!deflated && EndsInsidePixelData(file.data(), file.size())) {
    *error = "truncated: the file ends inside its Pixel Data (7FE0,0010)";
    return false;
  }
  SetAllocationCap(ParseCap(file.size(), deflated));
  MemoryStream in(file.data(), file.size());
  GuardedReader reader;
  reader.SetStream(in);
  if (!reader.Read()) {
    *error = WhyUnread(file);
    return false;
  }
  if (LibraryMessages().str().find("Incomplete Pixel Data") !=
      std::string::npos) {
    *error = "truncated: the file ends inside its Pixel Data (7FE0,0010)";
    return false;
  }
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
  if (frames < 1) {
    *error = "no frames";
    return false;
  }
  if (frame < 0 || frame >= frames) {
    *error = FrameRange(frame, frames);
    return false;
  }
  // The decoded buffer holds every frame: refused before decoding when it
  // would pass the engine's allocation limit.
  long long perFrame = width * height * pf.GetSamplesPerPixel() *
                       ((pf.GetBitsAllocated() + 7) / 8);
  if (frames > MaxBytes() / perFrame) {
    *error = std::to_string(frames) + " frames of " + std::to_string(width) +
             " x " + std::to_string(height) + " pixels are more than " +
             std::to_string(MaxBytes()) + " bytes";
    return false;
  }
  const gdcm::DataSet& ds = reader.GetFile().GetDataSet();
  if (!SamplesFitModel(ds, error) || !HeaderAgrees(ds, img, error))
    return false;
  PixelShape shape{width,
                   height,
                   pf.GetSamplesPerPixel(),
                   pf.GetBitsAllocated(),
                   pf.GetBitsStored(),
                   frames,
                   HeaderValue<0x0103>(ds).value_or(0) != 0,
                   photometric == "YBR_FULL_422"};
  if (!CheckColour(img, photometric, error)) return false;
  if (!CheckPixelData(ds.GetDataElement(kPixelData), shape,
                      img.GetTransferSyntax().GetString(), error))
    return false;
  // Decoding may hold the frames twice over (the codec's output and ours).
  const std::size_t decoded = img.GetBufferLength();
  if (2 * decoded + ParseCap(0, false) > AllocationCap())
    SetAllocationCap(2 * decoded + ParseCap(0, false));
  // The library gives 16-bit colour RLE's byte segments out of order.
  const bool rleColour16 =
      pf.GetSamplesPerPixel() == 3 && pf.GetBitsAllocated() == 16 &&
      img.GetTransferSyntax() == gdcm::TransferSyntax::RLELossless;
  if (IsNativeGray16(img, ds)) {
    // Taken as the file holds them, its length checked above.
    d->native = ds.GetDataElement(kPixelData);
    d->isNative = true;
  } else if (rleColour16) {
    if (!DecodeRleColour16(ds.GetDataElement(kPixelData), width * height,
                           frames, &d->all, error))
      return false;
  } else {
    d->all.resize(decoded);
    if (d->all.empty() || !img.GetBuffer(d->all.data())) {
      *error = std::string("cannot decode the pixels (transfer syntax ") +
               img.GetTransferSyntax().GetString() +
               "): missing, truncated or corrupt pixel data";
      return false;
    }
  }
  d->width = width;
  d->height = height;
  d->frames = frames;
  d->depth = depth;
  d->bitsAllocated = pf.GetBitsAllocated();
  d->bitsStored = pf.GetBitsStored();
  d->isSigned = pf.GetPixelRepresentation() == 1;
  d->colour.planar = !rleColour16 && img.GetPlanarConfiguration() == 1;
  d->colour.bitsAllocated = d->bitsAllocated;
  d->colour.bitsStored = d->bitsStored;
  // The model the samples came in: a codec may have turned them into
  // another than the header's.
  std::string decodedModel =
      img.GetPhotometricInterpretation().GetString()
          ? img.GetPhotometricInterpretation().GetString()
          : "";
  decodedModel.erase(decodedModel.find_last_not_of(' ') + 1);
  d->colour.model = ColourModelOf(decodedModel);
  if (depth == 3 && d->colour.model == ColourModel::kNone) {
    *error = "the DICOM library decoded " + photometric + " as " +
             decodedModel + ", a colour model not read";
    return false;
  }
  PixelFacts& facts = d->facts;
  facts.isSigned = d->isSigned;
  facts.bitsStored = d->bitsStored;
  facts.photometric = photometric;
  facts.rescaleIntercept = FirstNumber(ds, 0x0028, 0x1052);
  facts.rescaleSlope = FirstNumber(ds, 0x0028, 0x1053);
  facts.windowCenter = FirstNumber(ds, 0x0028, 0x1050);
  facts.windowWidth = FirstNumber(ds, 0x0028, 0x1051);
  facts.frames = frames;
  facts.instanceNumber = FirstNumber(ds, 0x0020, 0x0013);
  facts.slicePosition = SlicePosition(ds);
  CollectDisplayFacts(ds, d->isSigned, Numbers(ds, 0x0028, 0x1050),
                      Numbers(ds, 0x0028, 0x1051), &d->display);
  return true;
}

// Replies up to this size are made in the shared memory the decoder keeps
// from reply to reply, rather than in a fresh mapping: on virtual machines
// that shadow page tables, the first touch of each fresh page costs more
// than the copy into it.
constexpr std::size_t kKeptReply = std::size_t(32) << 20;

// Frame number frame of a decoded file, into the reply's shared memory.
void ReplyFrame(const Decoded& d, long long frame, Fields* reply,
                int* replyFd) {
  const std::size_t bytes =
      static_cast<std::size_t>(d.width * d.height * d.depth);
  // The display tables' data follows the pixels and their zero.
  std::string tables;
  PutDisplayFacts(d.display, reply, &tables);
  const std::size_t all = bytes + 1 + tables.size();
  int fd = -1;
  if (all <= kKeptReply) {
    char* out = nullptr;
    fd = KeptSharedBytes(all + 1, &out);
    if (fd < 0) throw std::bad_alloc();
    CopyFrame(d, frame, reinterpret_cast<unsigned char*>(out));
    out[bytes] = 0;
    std::memcpy(out + bytes + 1, tables.data(), tables.size());
    out[all] = 0;
  } else {  // made in the file's mapping, not held twice
    char* out = nullptr;
    fd = MakeSharedBytes(all, &out);
    if (fd < 0) throw std::bad_alloc();
    CopyFrame(d, frame, reinterpret_cast<unsigned char*>(out));
    if (!tables.empty())
      std::memcpy(out + bytes + 1, tables.data(), tables.size());
    UnmapSharedBytes(out, all);
  }
  if (fd < 0) throw std::bad_alloc();
  *replyFd = fd;
  reply->Set("width", d.width);
  reply->Set("height", d.height);
  reply->Set("depth", static_cast<long long>(d.depth));
  PixelFacts facts = d.facts;
  facts.frame = frame;
  PutFacts(facts, reply);
}

// The last multi-frame file decoded, kept for its other frames, so that a
// file read frame by frame is decoded once; known again by its device,
// inode, size and modification time.
struct Kept {
  struct stat id {};
  Decoded decoded;
  bool held = false;
};

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino &&
         a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

Kept& LastFile() {
  static Kept kept;
  return kept;
}

}  // namespace

void DecodeImage(const Fields& request, int fd, Fields* reply, int* replyFd) {
  const long long frame = request.Whole("frame");
  Kept& kept = LastFile();
  struct stat id {};
  const bool known = fstat(fd, &id) == 0;
  if (known && kept.held && SameFile(id, kept.id) && frame >= 0 &&
      frame < kept.decoded.frames) {
    ReplyFrame(kept.decoded, frame, reply, replyFd);
    return;
  }
  kept.held = false;
  kept.decoded = Decoded();
  FileView file(fd);
  std::string error;
  Decoded decoded;
  if (!file.ok()) {
    error = "the decoder cannot read the file";
  } else if (DecodeFile(file, frame, &decoded, &error)) {
    ReplyFrame(decoded, frame, reply, replyFd);
    if (known && decoded.frames > 1) {
      kept.id = id;
      kept.decoded = std::move(decoded);
      kept.held = true;
    }
    return;
  }
  *reply = Fields();
  reply->Set("error", error);
}

}  // namespace zorl
