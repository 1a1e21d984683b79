// DisplayTable(image [, choice]): the table that shows a gray image as its
// file intends (images/display_table.h), as a LUT1 for 8-bit samples or a
// LUT2 with its BaseLine for 16-bit ones.
#include "language/builtins_display.h"

#include <cmath>
#include <memory>
#include <utility>

#include "engine/values.h"
#include "images/display_table.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

// What an Image read from a file keeps of it.
struct ImageFile {
  std::string path;
  DisplayFacts facts;
};

Variable Numbers(const std::vector<double>& values) {
  std::vector<Variable> out;
  for (double v : values) out.push_back(MakeDouble(v));
  return MakeVector(std::move(out));
}

Variable Texts(const std::vector<std::string>& values) {
  std::vector<Variable> out;
  for (const std::string& v : values) out.push_back(MakeString(v));
  return MakeVector(std::move(out));
}

Variable TextOrEmpty(const std::string& s) {
  return s.empty() ? Variable() : MakeString(s);
}

const char* const kUsage =
    "DisplayTable(image [, \"window\", k | \"lut\", k | centre, width [, "
    "function] | preset | \"none\"])";

// A member that is a whole number, or def.
long long WholeMember(Variable& image, const char* name, long long def) {
  Variable& v = image(name);
  return IsNumber(v) ? static_cast<long long>(v.GetDoubleNumb()) : def;
}

std::optional<double> NumberMember(Variable& image, const char* name) {
  Variable& v = image(name);
  if (!IsNumber(v)) return std::nullopt;
  return v.GetDoubleNumb();
}

// The choice the arguments after the image make.
bool Choice(Args& a, DisplayChoice* c) {
  if (a.size() == 1) return true;
  if (a[1].type == PV_STRING) {
    const std::string what = Bytes(a[1]);
    if (what == "window" || what == "lut") {
      long long k = 0;
      if (!ArgumentCount("DisplayTable(image, \"" + what + "\", k)", 3, 3,
                         static_cast<int>(a.size())) ||
          !WholeNumber(a[2], "DisplayTable: " + what + " number", 1, 65535, &k))
        return false;
      c->kind = what == "window" ? DisplayChoice::kWindow : DisplayChoice::kLut;
      c->index = static_cast<std::size_t>(k - 1);
      return true;
    }
    if (a.size() != 2)
      return ArgumentCount("DisplayTable(image, \"" + what + "\")", 2, 2,
                           static_cast<int>(a.size()));
    if (what == "none") {
      c->kind = DisplayChoice::kNone;
      return true;
    }
    const Preset* p = FindPreset(what);
    if (!p) {
      std::string names;
      for (const Preset& q : Presets()) names += std::string(", ") + q.name;
      RaiseHostError(ZE_BAD_PARAMETER,
                     "DisplayTable: no choice \"" + what +
                         "\": \"window\", \"lut\", \"none\" or a preset (" +
                         names.substr(2) + ")");
      return false;
    }
    c->kind = DisplayChoice::kGiven;
    c->center = p->center;
    c->width = p->width;
    return true;
  }
  if (a.size() < 3 || !Number(kUsage, a[1]) || !Number(kUsage, a[2]))
    return a.size() < 3 ? BadArgument(kUsage, "a choice expected, ", a[1],
                                      ZE_BAD_PARAMETER)
                        : false;
  c->kind = DisplayChoice::kGiven;
  c->center = a[1].GetDoubleNumb();
  c->width = a[2].GetDoubleNumb();
  if (a.size() == 4) {
    if (!Text(kUsage, a[3])) return false;
    c->function = Bytes(a[3]);
    if (c->function != "LINEAR" && c->function != "LINEAR_EXACT" &&
        c->function != "SIGMOID") {
      RaiseHostError(ZE_BAD_PARAMETER, "DisplayTable: function \"" +
                                           c->function +
                                           "\" is not LINEAR, LINEAR_EXACT or "
                                           "SIGMOID");
      return false;
    }
  }
  const bool linear = c->function.empty() || c->function == "LINEAR";
  if (!std::isfinite(c->center) || !std::isfinite(c->width) || c->width <= 0 ||
      (linear && c->width < 1)) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "DisplayTable: centre " + Describe(a[1]) + " and width " +
                       Describe(a[2]) +
                       ": a finite centre and a width above 0 (at least 1 for "
                       "LINEAR)");
    return false;
  }
  return true;
}

void DisplayTable(BuiltinContext& cx, Args& a, Variable& r) {
  if (TypeName(a[0]) != "Image") {
    BadArgument(kUsage, "an Image expected, ", a[0]);
    return;
  }
  DisplayChoice choice;
  if (!Choice(a, &choice)) return;
  Variable& im = a[0];
  DisplaySource s;
  s.depth = static_cast<int>(WholeMember(im, "Depth", 0));
  s.bitsStored = static_cast<int>(WholeMember(im, "BitsStored", 0));
  s.isSigned = WholeMember(im, "Signed", 0) != 0;
  Variable& photometric = im("Photometric");
  s.photometric = photometric.type == PV_STRING ? Bytes(photometric) : "";
  s.slope = NumberMember(im, "RescaleSlope");
  s.intercept = NumberMember(im, "RescaleIntercept");
  if (const ObjectStore* o = AsObject(&im); o && o->host) {
    const auto* file = static_cast<const ImageFile*>(o->host.get());
    s.path = file->path;
    s.facts = file->facts;
  }
  DisplayEntries table;
  std::string error;
  if (!MakeDisplayTable(s, choice, &table, &error)) {
    if (s.path.empty())
      RaiseHostError(ZE_BAD_PARAMETER, "DisplayTable: " + error);
    else
      RaiseFile(s.path, error);
    return;
  }
  Variable entries = MakeLongVector(
      std::vector<zlong>(table.entries.begin(), table.entries.end()));
  if (s.depth == 1) {
    cx.engine.Construct(r, "LUT1", {&entries});
  } else {
    Variable base = MakeLong(static_cast<zlong>(table.baseLine));
    cx.engine.Construct(r, "LUT2", {&entries, &base});
  }
}

}  // namespace

void AddDisplayMembers(const std::string& path, const DisplayFacts& f,
                       Variable& obj) {
  obj("WindowCenters") = Numbers(f.windowCenters);
  obj("WindowWidths") = Numbers(f.windowWidths);
  obj("WindowExplanations") = Texts(f.windowExplanations);
  obj("VoiFunction") = TextOrEmpty(f.voiFunction);
  std::vector<std::string> luts;
  for (const StoredLut& t : f.voiLuts) luts.push_back(t.explanation);
  obj("VoiLuts") = Texts(luts);
  obj("ModalityLut") = MakeBoolean(!f.modalityLuts.empty());
  obj("PresentationLut") = MakeBoolean(!f.presentationLuts.empty());
  obj("PresentationShape") = TextOrEmpty(f.presentationShape);
  obj("PixelPadding") =
      f.pixelPadding ? MakeDouble(*f.pixelPadding) : Variable();
  if (ObjectStore* o = AsObject(&obj))
    o->host = std::make_shared<const ImageFile>(ImageFile{path, f});
}

const Builtin kDisplayBuiltins[] = {
    {"DisplayTable", 1, 4, DisplayTable, kUsage, false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
