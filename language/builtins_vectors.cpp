// The built-ins of Vectors: append(v, x) adds an element in place, join(a,
// b) makes one Vector (or String) of two, unbytes(s) gives a String's bytes
// as a Vector of longs.
#include <utility>

#include "engine/values.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

std::vector<Variable>& Elements(Variable& v) {
  return static_cast<VectorStore*>(v.val.store)->elems;
}

// Appending is amortised constant time: only a value with parts of its own
// (a Vector, a String, an object) needs the whole Vector counted again.
void Append(BuiltinContext&, Variable& v, Args& a, Variable&) {
  const char usage[] = "append(v, x)";
  if (v.type != PV_VECTOR) {
    BadArgument(usage, "a Vector expected, ", v);
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

}  // namespace

const Builtin kVectorBuiltins[] = {
    {"join", 2, 2, Join, "join(a, b)", false},
    {"unbytes", 1, 1, Unbytes, "unbytes(s)", false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

const PlaceBuiltin kPlaceBuiltins[] = {
    {"append", 2, 2, Append, "append(v, x)"},
    {nullptr, 0, 0, nullptr, nullptr},
};

}  // namespace zorl
