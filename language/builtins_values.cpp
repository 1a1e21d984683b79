// The built-ins of values: print, conversions, type and length, hex text,
// Vectors and Strings.
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

#include "language/builtin_args.h"

namespace zorl {

namespace {

void Print(BuiltinContext& cx, Args& args, Variable&) {
  std::string line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) line += ' ';
    line += Describe(args[i]);
  }
  errno = 0;
  cx.out << line << '\n' << std::flush;
  if (!cx.out)
    RaiseHostError(ZE_FILE, std::string("print(...): cannot write standard "
                                        "output: ") +
                                (errno ? std::strerror(errno) : "failed"));
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
    RaiseHostError(ZE_NO_MEMORY, "hex(s): 2 x " + std::to_string(n) +
                                     " bytes, more than " +
                                     std::to_string(MaxBytes()));
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
    double v = IsNumber(e) ? e.GetDoubleNumb() : -1;
    if (!(v >= 0 && v <= 255 && v == std::floor(v))) {
      RaiseHostError(ZE_BAD_PARAMETER,
                     "bytes(v): element " + std::to_string(i) + " is " +
                         Describe(e) + ", not a whole number 0 to 255");
      return;
    }
    bytes[i] = static_cast<char>(static_cast<int>(v));
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
  long long from = 0, to = 0;
  if (!LongArgument(a[0], "range(a, b): a", &from) ||
      !LongArgument(a[1], "range(a, b): b", &to))
    return;
  long long n = to > from ? to - from : 0;
  if (!Count("range(a, b)", n)) return;
  std::vector<Variable> elems(static_cast<std::size_t>(n));
  for (long long i = 0; i < n; ++i)
    elems[static_cast<std::size_t>(i)] = MakeLong(static_cast<zlong>(from + i));
  r = MakeVector(std::move(elems));
}

void Fill(BuiltinContext&, Args& a, Variable& r) {
  long long n = 0;
  if (!LongArgument(a[0], "fill(n, x): count", &n)) return;
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

}  // namespace

const Builtin kValueBuiltins[] = {
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
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
