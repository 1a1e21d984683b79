// The built-ins of Vectors: append(v, x) adds an element in place (or a
// String's bytes to a String), join(a, b) makes one Vector of two,
// unbytes(s) gives a String's bytes as a Vector of longs, sum(v) adds the
// numbers of a Vector and sort(v) orders its numbers or its Strings.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/values.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

std::vector<Variable>& Elements(Variable& v) {
  return static_cast<VectorStore*>(v.val.store)->elems;
}

// A String grows in steps of half its length, so that appending is
// amortised constant time for each byte.
void AppendBytes(const char* usage, Variable& s, const Variable& x) {
  if (x.type != PV_STRING) {
    BadArgument(usage, "a String to add to a String expected, ", x);
    return;
  }
  ZeroedBytes& to = static_cast<StringStore*>(s.val.store)->bytes;
  const ZeroedBytes& from = Store(x);
  long long n =
      static_cast<long long>(to.size()) + static_cast<long long>(from.size());
  if (n > MaxBytes()) {
    RaiseHostError(ZE_NO_MEMORY, std::string(usage) + ": a String of " +
                                     std::to_string(to.size()) + " + " +
                                     std::to_string(from.size()) +
                                     " bytes, more than " +
                                     std::to_string(MaxBytes()));
    return;
  }
  std::size_t at = to.size();
  to.resize(static_cast<std::size_t>(n));
  std::memcpy(to.data() + at, from.data(), from.size());
}

// Appending is amortised constant time: only a value with parts of its own
// (a Vector, a String, an object) needs the whole Vector counted again.
void Append(BuiltinContext&, Variable& v, Args& a, Variable&) {
  const char usage[] = "append(v, x)";
  if (v.type == PV_STRING) {
    AppendBytes(usage, v, a[0]);
    return;
  }
  if (v.type != PV_VECTOR) {
    BadArgument(usage, "a Vector or a String expected, ", v);
    return;
  }
  std::vector<Variable>& elems = Elements(v);
  if (static_cast<long long>(elems.size()) >= MaxElements()) {
    RaiseHostError(ZE_NO_MEMORY, std::string(usage) + ": " +
                                     std::to_string(elems.size() + 1) +
                                     " elements");
    return;
  }
  // The room is charged to the memory budget before the Vector grows.
  static_cast<VectorStore*>(v.val.store)->Reserve(elems.size() + 1);
  PVARTYPE t = a[0].type;
  if (t == PV_VECTOR || t == PV_STRING || t == PV_OBJECT) {
    std::vector<Variable> one(1);
    one[0] = std::move(a[0]);
    if (!CheckVectorSize(usage, one, 1)) return;
    elems.push_back(std::move(one[0]));
    if (!CheckVectorSize(usage, elems, 1)) elems.pop_back();
    return;
  }
  elems.push_back(std::move(a[0]));
}

void Join(BuiltinContext&, Args& a, Variable& r) {
  const char usage[] = "join(a, b)";
  if (a[0].type != PV_VECTOR || a[1].type != PV_VECTOR) {
    BadArgument(usage, "two Vectors expected, ",
                a[0].type != PV_VECTOR ? a[0] : a[1]);
    return;
  }
  // The arguments are the call's own copies: their elements move over.
  std::vector<Variable>& x = Elements(a[0]);
  std::vector<Variable>& y = Elements(a[1]);
  std::vector<Variable> elems;
  elems.reserve(x.size() + y.size());
  for (Variable& e : x) elems.push_back(std::move(e));
  for (Variable& e : y) elems.push_back(std::move(e));
  if (CheckVectorSize(usage, elems, 1)) r = MakeVector(std::move(elems));
}

void Unbytes(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("unbytes(s)", a[0])) return;
  const ZeroedBytes& bytes = Store(a[0]);
  if (static_cast<long long>(bytes.size()) > MaxElements()) {
    RaiseHostError(ZE_NO_MEMORY,
                   "unbytes(s): " + std::to_string(bytes.size()) + " elements");
    return;
  }
  std::vector<Variable> elems(bytes.size());
  for (std::size_t i = 0; i < elems.size(); ++i)
    elems[i] = MakeLong(static_cast<unsigned char>(bytes[i]));
  r = MakeVector(std::move(elems));
}

// Whole numbers add up as longs, and a total no long holds is refused;
// with a float or a double among them the total is a double.
void Sum(BuiltinContext&, Args& a, Variable& r) {
  const char usage[] = "sum(v)";
  if (a[0].type != PV_VECTOR) {
    BadArgument(usage, "a Vector of numbers expected, ", a[0]);
    return;
  }
  long long whole = 0;
  double total = 0;
  bool fraction = false;
  for (const Variable& e : Elements(a[0])) {
    if (!Number(usage, e)) return;
    fraction = fraction || e.type == PV_FLOAT || e.type == PV_DOUBLE;
    total += e.GetDoubleNumb();
    if (!fraction) whole += e.GetLongNumb();  // 2^26 longs fit 64 bits
  }
  if (fraction) {
    r = MakeDouble(total);
  } else if (whole < -2147483648LL || whole > 2147483647LL) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   std::string(usage) + ": the total " + std::to_string(whole) +
                       " is beyond the longs (sum(v * 1.0) adds doubles)");
  } else {
    r = MakeLong(static_cast<zlong>(whole));
  }
}

// A kind with its article: "a String", "an empty".
std::string AKind(const Variable& v) {
  std::string name = TypeName(v);
  bool vowel = !name.empty() &&
               std::string("aeiouAEIOU").find(name[0]) != std::string::npos;
  return (vowel ? "an " : "a ") + name;
}

bool IsWhole(const Variable& v) {
  return v.type == PV_BYTE || v.type == PV_LONG;
}

// Numbers by value, or Strings byte by byte (a prefix first).
bool Before(const Variable& x, const Variable& y) {
  if (x.type == PV_STRING) {
    const ZeroedBytes &p = Store(x), &q = Store(y);
    int c = std::memcmp(p.data(), q.data(), std::min(p.size(), q.size()));
    return c < 0 || (c == 0 && p.size() < q.size());
  }
  if (IsWhole(x) && IsWhole(y)) return x.GetLongNumb() < y.GetLongNumb();
  return x.GetDoubleNumb() < y.GetDoubleNumb();
}

// A new Vector in ascending order, equal elements in their order. Its
// elements are all numbers (bytes, longs, floats, doubles; no NaN) or all
// Strings; anything else is refused, naming the first element that is.
void Sort(BuiltinContext&, Args& a, Variable& r) {
  const char usage[] = "sort(v)";
  if (a[0].type != PV_VECTOR) {
    BadArgument(usage, "a Vector expected, ", a[0]);
    return;
  }
  std::vector<Variable>& elems = Elements(a[0]);  // the call's own copy
  bool text = !elems.empty() && elems[0].type == PV_STRING;
  for (std::size_t i = 0; i < elems.size(); ++i) {
    const Variable& e = elems[i];
    bool number = e.type == PV_BYTE || e.type == PV_LONG ||
                  e.type == PV_FLOAT || e.type == PV_DOUBLE;
    if (text ? e.type == PV_STRING : number && !std::isnan(e.GetDoubleNumb()))
      continue;
    std::string what = text     ? AKind(e) + " among Strings"
                       : number ? std::string("NaN, which has no order")
                       : e.type == PV_STRING
                           ? std::string("a String among numbers")
                           : AKind(e) + ", neither a number nor a String";
    RaiseHostError(ZE_BAD_ARGUMENT, std::string(usage) + ": element " +
                                        std::to_string(i) + " is " + what);
    return;
  }
  std::stable_sort(elems.begin(), elems.end(), Before);
  r = std::move(a[0]);
}

}  // namespace

const Builtin kVectorBuiltins[] = {
    {"join", 2, 2, Join, "join(a, b)", false},
    {"unbytes", 1, 1, Unbytes, "unbytes(s)", false},
    {"sum", 1, 1, Sum, "sum(v)", false},
    {"sort", 1, 1, Sort, "sort(v)", false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

const PlaceBuiltin kPlaceBuiltins[] = {
    {"append", 2, 2, Append, "append(v, x)"},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace zorl
