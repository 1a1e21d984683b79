// The built-ins of image files: ReadImage, WriteImage and ListSeries.
#include <cmath>
#include <utility>

#include "engine/image_size.h"
#include "engine/values.h"
#include "images/dicom_series.h"
#include "images/file_names.h"
#include "images/image_files.h"
#include "language/builtin_args.h"
#include "language/builtins_display.h"

namespace zorl {

namespace {

// An optional number: empty when absent.
Variable Optional(const std::optional<double>& v) {
  return v ? MakeDouble(*v) : Variable();
}

void ReadImage(BuiltinContext& cx, Args& a, Variable& r) {
  static const char* usage = "ReadImage(path, frame)";
  long long frame = 0;
  if (!Text(usage, a[0]) ||
      (a.size() == 2 &&
       !LongArgument(a[1], std::string(usage) + ": frame", &frame)))
    return;
  const std::string& path = Bytes(a[0]);
  ImageData image;
  std::string error;
  if (!ReadImageFile(path, frame, &image, &error)) {
    RaiseFile(path, error);
    return;
  }
  const PixelFacts& facts = image.facts;
  Variable obj;
  cx.engine.Construct(obj, "Image", {});
  obj("Width") = MakeLong(static_cast<zlong>(image.width));
  obj("Height") = MakeLong(static_cast<zlong>(image.height));
  obj("Depth") = MakeLong(static_cast<zlong>(image.depth));
  obj("Pixels") = TakeString(std::move(image.pixels));
  obj("Signed") = MakeBoolean(facts.isSigned);
  obj("BitsStored") = MakeLong(
      facts.bitsStored ? facts.bitsStored : DefaultBitsStored(image.depth));
  obj("Photometric") =
      MakeString(facts.photometric.empty() ? DefaultPhotometric(image.depth)
                                           : facts.photometric);
  obj("RescaleSlope") = Optional(facts.rescaleSlope);
  obj("RescaleIntercept") = Optional(facts.rescaleIntercept);
  obj("WindowCenter") = Optional(facts.windowCenter);
  obj("WindowWidth") = Optional(facts.windowWidth);
  obj("Frames") = MakeLong(static_cast<zlong>(facts.frames));
  if (facts.scan) {
    obj("Frame") = MakeLong(static_cast<zlong>(facts.frame));
    obj("InstanceNumber") = Optional(facts.instanceNumber);
    obj("SlicePosition") = Optional(facts.slicePosition);
    AddDisplayMembers(path, facts.display, obj);
  }
  r = std::move(obj);
}

// The pixels of a picture to write, checked: a size the engine allows and
// exactly width * height * depth bytes.
bool Page(const char* usage, Variable& w, Variable& h, Variable& d,
          Variable& px, bool isSigned, ImageView* page) {
  long long width = 0, height = 0, depth = 0;
  if (!LongArgument(w, "WriteImage: width", &width) ||
      !LongArgument(h, "WriteImage: height", &height) ||
      !LongArgument(d, "WriteImage: depth", &depth) || !Text(usage, px))
    return false;
  const ZeroedBytes& pixels = Store(px);
  std::string error;
  if (!CheckImageSize(width, height, depth, &error)) {
    RaiseHostError(ZE_BAD_PARAMETER, "WriteImage: " + error);
    return false;
  }
  if (static_cast<long long>(pixels.size()) != width * height * depth) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "WriteImage: " + std::to_string(pixels.size()) +
                       " bytes of pixels for " + std::to_string(width) + " x " +
                       std::to_string(height) + " x " + std::to_string(depth) +
                       " = " + std::to_string(width * height * depth));
    return false;
  }
  *page = ImageView{width, height, depth,
                    reinterpret_cast<const unsigned char*>(pixels.data()),
                    isSigned};
  return true;
}

// An Image's pixels, signed when its member Signed is true.
bool ImagePage(Variable& v, ImageView* page) {
  if (TypeName(v) != "Image")
    return BadArgument("WriteImage(path, image)", "an Image expected, ", v);
  Variable& sign = v("Signed");
  return Page("WriteImage(path, image)", v("Width"), v("Height"), v("Depth"),
              v("Pixels"), IsNumber(sign) && sign.GetLongNumb() != 0, page);
}

// WriteImage(path, width, height, depth, pixels) writes raw pixels, taken
// as unsigned; WriteImage(path, image [, option]) an Image, or a Vector of
// Images as the pages of a TIFF; option is a JPEG's quality, a PNG's level or a
// TIFF's compression.
void WriteImage(BuiltinContext&, Args& a, Variable&) {
  static const char* usage = "WriteImage(path, width, height, depth, pixels)";
  if (!Text(usage, a[0])) return;
  std::vector<ImageView> pages(1);
  WriteOptions options;
  if (a.size() == 5) {
    if (!Page(usage, a[1], a[2], a[3], a[4], false, &pages[0])) return;
  } else if (a.size() == 2 || a.size() == 3) {
    if (a[1].type == PV_VECTOR) {
      pages.resize(static_cast<std::size_t>(a[1].GetCount()));
      if (pages.empty()) {
        RaiseHostError(ZE_BAD_PARAMETER, "WriteImage: no Image in the Vector");
        return;
      }
      for (zlong i = 0; i < a[1].GetCount(); ++i)
        if (!ImagePage(a[1][i], &pages[static_cast<std::size_t>(i)])) return;
    } else if (!ImagePage(a[1], &pages[0])) {
      return;
    }
    const bool png = Extension(Bytes(a[0])) == "png";
    if (a.size() == 3 && IsNumber(a[2]) && png) {
      double level = a[2].GetDoubleNumb();
      if (!(level >= 0 && level <= 9 && level == std::floor(level))) {
        RaiseHostError(ZE_BAD_PARAMETER, "WriteImage: PNG level " +
                                             Describe(a[2]) +
                                             " is not a whole number 0 to 9");
        return;
      }
      options.level = static_cast<long long>(level);
    } else if (a.size() == 3 && IsNumber(a[2])) {
      double q = a[2].GetDoubleNumb();
      if (!(q >= 1 && q <= 100 && q == std::floor(q))) {
        RaiseHostError(ZE_BAD_PARAMETER, "WriteImage: JPEG quality " +
                                             Describe(a[2]) +
                                             " is not a whole number 1 to 100");
        return;
      }
      options.quality = static_cast<long long>(q);
    } else if (a.size() == 3 && a[2].type == PV_STRING)
      options.compression = Bytes(a[2]);
    else if (a.size() == 3)
      BadArgument("WriteImage(path, image, option)",
                  "a JPEG quality, a PNG level or a TIFF "
                  "compression expected, ",
                  a[2]);
    if (a.size() == 3 && !options.quality && !options.level &&
        !options.compression)
      return;
  } else {
    RaiseHostError(ZE_NO_SIGNATURE, std::string(usage) +
                                        " or WriteImage(path, image [, "
                                        "option]) takes 2, 3 or 5 "
                                        "arguments, not " +
                                        std::to_string(a.size()));
    return;
  }
  const std::string& path = Bytes(a[0]);
  std::string error;
  if (!WriteImageFile(path, pages, options, &error)) RaiseFile(path, error);
}

// ListSeries(folder): the folder's DICOM files in the order of their slices.
void ListSeries(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("ListSeries(folder)", a[0])) return;
  const std::string& folder = Bytes(a[0]);
  std::vector<std::string> paths;
  std::string error;
  if (!ListDicomSeries(folder, 100000, &paths, &error)) {
    RaiseFile(folder, error);
    return;
  }
  std::vector<Variable> list;
  list.reserve(paths.size());
  for (const std::string& p : paths) list.push_back(MakeString(p));
  r = MakeVector(std::move(list));
}

}  // namespace

const Builtin kImageBuiltins[] = {
    {"ReadImage", 1, 2, ReadImage, "ReadImage(path, frame)", true},
    {"WriteImage", 2, 5, WriteImage,
     "WriteImage(path, width, height, depth, pixels)", true},
    {"ListSeries", 1, 1, ListSeries, "ListSeries(folder)", true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
