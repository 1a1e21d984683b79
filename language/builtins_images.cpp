// The built-ins of image files: ReadImage, WriteImage and ListSeries.
#include <utility>

#include "engine/image_size.h"
#include "engine/values.h"
#include "images/dicom_series.h"
#include "images/image_files.h"
#include "language/builtin_args.h"

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
  }
  r = std::move(obj);
}

void WriteImage(BuiltinContext&, Args& a, Variable&) {
  static const char* usage = "WriteImage(path, width, height, depth, pixels)";
  if (!Text(usage, a[0])) return;
  Variable* w = &a[1];
  Variable* h = a.size() == 5 ? &a[2] : nullptr;
  Variable* d = a.size() == 5 ? &a[3] : nullptr;
  Variable* px = a.size() == 5 ? &a[4] : nullptr;
  if (a.size() == 2) {  // WriteImage(path, image)
    if (TypeName(a[1]) != "Image") {
      BadArgument("WriteImage(path, image)", "an Image expected, ", a[1]);
      return;
    }
    w = &a[1]("Width");
    h = &a[1]("Height");
    d = &a[1]("Depth");
    px = &a[1]("Pixels");
  } else if (a.size() != 5) {
    RaiseHostError(ZE_NO_SIGNATURE, std::string(usage) +
                                        " or WriteImage(path, image) takes 2 "
                                        "or 5 arguments, not " +
                                        std::to_string(a.size()));
    return;
  }
  long long width = 0, height = 0, depth = 0;
  if (!LongArgument(*w, "WriteImage: width", &width) ||
      !LongArgument(*h, "WriteImage: height", &height) ||
      !LongArgument(*d, "WriteImage: depth", &depth) || !Text(usage, *px))
    return;
  const ZeroedBytes& pixels = Store(*px);
  const std::string& path = Bytes(a[0]);
  std::string error;
  if (!CheckImageSize(width, height, depth, &error)) {
    RaiseHostError(ZE_BAD_PARAMETER, "WriteImage: " + error);
    return;
  }
  if (static_cast<long long>(pixels.size()) != width * height * depth) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "WriteImage: " + std::to_string(pixels.size()) +
                       " bytes of pixels for " + std::to_string(width) + " x " +
                       std::to_string(height) + " x " + std::to_string(depth) +
                       " = " + std::to_string(width * height * depth));
    return;
  }
  ImageView view{width, height, depth,
                 reinterpret_cast<const unsigned char*>(pixels.data())};
  if (!WriteImageFile(path, view, &error)) RaiseFile(path, error);
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
