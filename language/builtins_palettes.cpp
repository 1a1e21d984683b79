// The built-ins of palette files: ReadPalette(path) gives [red, green,
// blue], three Vectors of 8-bit entries, and ReadPalette(path, k) table k of
// them (0 red, 1 green, 2 blue), as LUT3(red, green, blue) takes them;
// WritePalette writes them. The files are read and written whole by the
// file built-ins, so the same checks and errors apply.
#include <utility>

#include "engine/values.h"
#include "images/dicom.h"
#include "images/file_names.h"
#include "images/palette.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

Variable Entries(const std::vector<uint8_t>& table) {
  return MakeLongVector(std::vector<zlong>(table.begin(), table.end()));
}

void ReadPalette(BuiltinContext& cx, Args& a, Variable& r) {
  static const char* usage = "ReadPalette(path, k)";
  long long k = -1;
  if (!Text(usage, a[0]) ||
      (a.size() == 2 &&
       !WholeNumber(a[1], "ReadPalette: table", 0, 2, &k, ZE_BAD_PARAMETER,
                    " is not 0 (red), 1 (green) or 2 (blue)")))
    return;
  Variable bytes;
  Args file{a[0]};
  FindBuiltin("ReadFile")->fn(cx, file, bytes);
  if (bytes.type != PV_STRING) return;  // ReadFile said why
  const std::string path = Bytes(a[0]);
  std::string data = Bytes(bytes), error;
  Palette palette;
  const unsigned char* head =
      reinterpret_cast<const unsigned char*>(data.data());
  bool dicom = LooksLikeDicom(head, data.size()) || Extension(path) == "dcm";
  bool ok = dicom && !data.empty() ? ParseDicomPalette(data, &palette, &error)
                                   : ParsePalette(path, data, &palette, &error);
  if (!ok) {
    RaiseFile(path, error);
    return;
  }
  std::vector<Variable> tables;
  for (const auto* t : {&palette.red, &palette.green, &palette.blue})
    tables.push_back(Entries(*t));
  r = k < 0 ? MakeVector(std::move(tables))
            : std::move(tables[static_cast<std::size_t>(k)]);
}

// One table of WritePalette's arguments: a Vector of numbers 0 to 255.
bool Table(const char* name, Variable& v, std::vector<uint8_t>* out) {
  static const char* usage = "WritePalette(path, red, green, blue)";
  if (v.type != PV_VECTOR) return BadArgument(usage, "a Vector expected, ", v);
  for (zlong i = 0; i < v.GetCount(); ++i) {
    Variable& e = v[i];
    if (!Number(usage, e)) return false;
    double x = e.GetDoubleNumb();
    if (x < 0 || x > 255 || x != static_cast<int>(x)) {
      RaiseHostError(ZE_BAD_PARAMETER, std::string("WritePalette: ") + name +
                                           " entry " + std::to_string(i) +
                                           " is " + Describe(e) +
                                           ", not a whole number 0 to 255");
      return false;
    }
    out->push_back(static_cast<uint8_t>(x));
  }
  return true;
}

void WritePalette(BuiltinContext& cx, Args& a, Variable& r) {
  if (!Text("WritePalette(path, red, green, blue)", a[0])) return;
  Palette palette;
  if (!Table("red", a[1], &palette.red) ||
      !Table("green", a[2], &palette.green) ||
      !Table("blue", a[3], &palette.blue))
    return;
  const std::string path = Bytes(a[0]);
  if (palette.green.size() != palette.red.size() ||
      palette.blue.size() != palette.red.size()) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "WritePalette: red, green and blue of " +
                       std::to_string(palette.red.size()) + ", " +
                       std::to_string(palette.green.size()) + " and " +
                       std::to_string(palette.blue.size()) + " entries");
    return;
  }
  std::string bytes, error;
  if (!FormatPalette(path, palette, &bytes, &error)) {
    RaiseFile(path, error);
    return;
  }
  Args file{a[0], TakeString(std::move(bytes))};
  FindBuiltin("WriteFile")->fn(cx, file, r);
}

}  // namespace

const Builtin kPaletteBuiltins[] = {
    {"ReadPalette", 1, 2, ReadPalette, "ReadPalette(path, k)", true},
    {"WritePalette", 4, 4, WritePalette, "WritePalette(path, red, green, blue)",
     true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
