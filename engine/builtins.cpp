// The built-in functions: print, conversions, type and length, hex text,
// Vectors and Strings, files and images. Each checks its arguments, does
// its work and leaves its value in the result; errors name the function.
#include "engine/builtins.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "engine/host_errors.h"
#include "engine/image_io.h"
#include "engine/store.h"

namespace zorl {

namespace {

typedef std::vector<Variable> Args;

bool IsNumber(const Variable& v) {
  PVARTYPE t = v.type;
  return t == PV_BOOLEAN || t == PV_BYTE || t == PV_LONG || t == PV_FLOAT ||
         t == PV_DOUBLE;
}

// Raises the error for an argument of the wrong kind; always false.
// what: "a String expected, " or ""
bool BadArgument(const char* usage, const char* what, const Variable& v,
                 zlong number = ZE_BAD_ARGUMENT) {
  RaiseHostError(number,
                 std::string(usage) + ": " + what + "got a " + TypeName(v));
  return false;
}

bool Number(const char* usage, const Variable& v) {
  return IsNumber(v) || BadArgument(usage, "", v, ZE_NOT_A_NUMBER);
}

bool Text(const char* usage, const Variable& v) {
  return v.type == PV_STRING || BadArgument(usage, "a String expected, ", v);
}

const ZeroedBytes& Store(const Variable& v) {
  return static_cast<const StringStore*>(v.val.store)->bytes;
}

// A copy of a String's bytes, for short texts such as paths.
std::string Bytes(const Variable& v) { return Store(v).str(); }

// A String that takes over bytes without copying them.
Variable TakeString(std::string&& bytes) {
  Variable v;
  auto* s = new StringStore;
  s->bytes = ZeroedBytes(bytes);
  v.type = PV_STRING;
  v.val.store = s;
  return v;
}

void RaiseFile(const std::string& path, const std::string& what) {
  RaiseHostError(ZE_FILE, path + ": " + what);
}

void Print(BuiltinContext& cx, Args& args, Variable&) {
  std::string line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) line += ' ';
    line += Describe(args[i]);
  }
  cx.out << line << '\n' << std::flush;
}

void ToByte(BuiltinContext&, Args& a, Variable& r) {
  if (Number("byte(x)", a[0])) r = MakeByte(a[0].GetCharNumb());
}
void ToLong(BuiltinContext&, Args& a, Variable& r) {
  if (Number("long(x)", a[0])) r = MakeLong(a[0].GetLongNumb());
}
void ToFloat(BuiltinContext&, Args& a, Variable& r) {
  if (Number("float(x)", a[0])) r = MakeFloat(a[0].GetFloatNumb());
}
void ToDouble(BuiltinContext&, Args& a, Variable& r) {
  if (Number("double(x)", a[0])) r = MakeDouble(a[0].GetDoubleNumb());
}

void Type(BuiltinContext&, Args& a, Variable& r) {
  r = MakeString(TypeName(a[0]));
}

void Len(BuiltinContext&, Args& a, Variable& r) {
  const Variable& v = a[0];
  if (v.type == PV_VECTOR)
    r = MakeLong(v.GetCount());
  else if (v.type == PV_STRING || v.type == PV_OBJECT)
    r = MakeLong(v.GetLen());
  else
    BadArgument("len(x)", "a String, Vector or object expected, ", v);
}

void Hex(BuiltinContext&, Args& a, Variable& r) {
  Variable& v = a[0];
  if (v.type != PV_STRING && v.type != PV_OBJECT) {
    BadArgument("hex(s)", "a String or object expected, ", v);
    return;
  }
  static const char digits[] = "0123456789abcdef";
  const unsigned char* d = reinterpret_cast<unsigned char*>(v.GetData());
  zlong n = d ? v.GetLen() : 0;
  if (2LL * n > MaxBytes()) {
    RaiseNoMemory(MaxBytes());
    return;
  }
  std::string text(static_cast<std::size_t>(2 * n), '0');
  for (zlong i = 0; i < n; ++i) {
    text[2 * i] = digits[d[i] >> 4];
    text[2 * i + 1] = digits[d[i] & 15];
  }
  r = TakeString(std::move(text));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void Unhex(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("unhex(t)", a[0])) return;
  const ZeroedBytes& t = Store(a[0]);
  if (t.size() % 2) {
    RaiseHostError(ZE_BAD_PARAMETER, "unhex(t): an odd number of hex digits (" +
                                         std::to_string(t.size()) + ")");
    return;
  }
  std::string bytes(t.size() / 2, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    int hi = HexDigit(t[2 * i]), lo = HexDigit(t[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      RaiseHostError(ZE_BAD_PARAMETER,
                     "unhex(t): no hex digit at position " +
                         std::to_string(hi < 0 ? 2 * i : 2 * i + 1));
      return;
    }
    bytes[i] = static_cast<char>(hi * 16 + lo);
  }
  r = TakeString(std::move(bytes));
}

void BytesOf(BuiltinContext&, Args& a, Variable& r) {
  if (a[0].type != PV_VECTOR) {
    BadArgument("bytes(v)", "a Vector of numbers expected, ", a[0]);
    return;
  }
  const auto& elems = static_cast<const VectorStore*>(a[0].val.store)->elems;
  std::string bytes(elems.size(), '\0');
  for (std::size_t i = 0; i < elems.size(); ++i) {
    const Variable& e = elems[i];
    zlong v = IsNumber(e) ? e.GetLongNumb() : -1;
    if (!IsNumber(e) || v < 0 || v > 255) {
      RaiseHostError(ZE_BAD_PARAMETER, "bytes(v): element " +
                                           std::to_string(i) + " is " +
                                           Describe(e) + ", not 0 to 255");
      return;
    }
    bytes[i] = static_cast<char>(v);
  }
  r = TakeString(std::move(bytes));
}

bool Count(const char* usage, long long n) {
  if (n <= MaxElements()) return true;
  RaiseHostError(ZE_NO_MEMORY,
                 std::string(usage) + ": " + std::to_string(n) + " elements");
  return false;
}

void Range(BuiltinContext&, Args& a, Variable& r) {
  if (!Number("range(a, b)", a[0]) || !Number("range(a, b)", a[1])) return;
  long long from = a[0].GetLongNumb(), to = a[1].GetLongNumb();
  long long n = to > from ? to - from : 0;
  if (!Count("range(a, b)", n)) return;
  std::vector<Variable> elems(static_cast<std::size_t>(n));
  for (long long i = 0; i < n; ++i)
    elems[static_cast<std::size_t>(i)] = MakeLong(static_cast<zlong>(from + i));
  r = MakeVector(std::move(elems));
}

void Fill(BuiltinContext&, Args& a, Variable& r) {
  if (!Number("fill(n, x)", a[0])) return;
  long long n = a[0].GetLongNumb();
  if (n < 0) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "fill(n, x): a count of " + std::to_string(n));
    return;
  }
  if (!Count("fill(n, x)", n) ||
      !CheckVectorSize("fill(n, x)", std::vector<Variable>(1, a[1]), n))
    return;
  r = MakeVector(std::vector<Variable>(static_cast<std::size_t>(n), a[1]));
}

void ReadFile(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("ReadFile(path)", a[0])) return;
  const std::string& path = Bytes(a[0]);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    RaiseFile(path, std::strerror(errno));
    return;
  }
  struct stat st;
  std::string problem;
  if (fstat(fileno(f), &st) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
  } else if (st.st_size > MaxBytes()) {
    problem = "more than " + std::to_string(MaxBytes()) + " bytes";
  }
  std::string bytes;
  if (problem.empty()) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    if (std::fread(&bytes[0], 1, bytes.size(), f) != bytes.size())
      problem = "cannot be read";
  }
  std::fclose(f);
  if (!problem.empty()) {
    RaiseFile(path, problem);
    return;
  }
  r = TakeString(std::move(bytes));
}

void WriteFile(BuiltinContext&, Args& a, Variable&) {
  if (!Text("WriteFile(path, s)", a[0]) || !Text("WriteFile(path, s)", a[1]))
    return;
  const std::string& path = Bytes(a[0]);
  const ZeroedBytes& bytes = Store(a[1]);
  std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    RaiseFile(path, std::strerror(errno));
    return;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    RaiseFile(path, std::strerror(errno));
    std::remove(temp.c_str());
  }
}

void ReadImage(BuiltinContext& cx, Args& a, Variable& r) {
  if (!Text("ReadImage(path)", a[0])) return;
  const std::string& path = Bytes(a[0]);
  ImageData image;
  std::string error;
  if (!ReadImageFile(path, &image, &error)) {
    RaiseFile(path, error);
    return;
  }
  Variable obj;
  cx.engine.Construct(obj, "Image", {});
  obj("Width") = MakeLong(static_cast<zlong>(image.width));
  obj("Height") = MakeLong(static_cast<zlong>(image.height));
  obj("Depth") = MakeLong(static_cast<zlong>(image.depth));
  obj("Pixels") = TakeString(std::move(image.pixels));
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
  if (!Number(usage, *w) || !Number(usage, *h) || !Number(usage, *d) ||
      !Text(usage, *px))
    return;
  long long width = w->GetLongNumb(), height = h->GetLongNumb(),
            depth = d->GetLongNumb();
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

const Builtin kBuiltins[] = {
    {"print", 0, -1, Print, "print(...)", false},
    {"byte", 1, 1, ToByte, "byte(x)", false},
    {"long", 1, 1, ToLong, "long(x)", false},
    {"float", 1, 1, ToFloat, "float(x)", false},
    {"double", 1, 1, ToDouble, "double(x)", false},
    {"type", 1, 1, Type, "type(x)", false},
    {"len", 1, 1, Len, "len(x)", false},
    {"hex", 1, 1, Hex, "hex(s)", false},
    {"unhex", 1, 1, Unhex, "unhex(t)", false},
    {"bytes", 1, 1, BytesOf, "bytes(v)", false},
    {"range", 2, 2, Range, "range(a, b)", false},
    {"fill", 2, 2, Fill, "fill(n, x)", false},
    {"ReadFile", 1, 1, ReadFile, "ReadFile(path)", true},
    {"WriteFile", 2, 2, WriteFile, "WriteFile(path, s)", true},
    {"ReadImage", 1, 1, ReadImage, "ReadImage(path)", true},
    {"WriteImage", 2, 5, WriteImage,
     "WriteImage(path, width, height, depth, pixels)", true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace

const Builtin* FindBuiltin(const std::string& name) {
  for (const Builtin* b = kBuiltins; b->name; ++b)
    if (name == b->name) return b;
  return nullptr;
}

}  // namespace zorl
