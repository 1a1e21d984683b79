// Elements and slices of Vectors and Strings, with the checks of their
// indexes.
#include "language/elements.h"

#include <cmath>
#include <string>
#include <utility>

#include "engine/host_errors.h"
#include "engine/store.h"
#include "engine/values.h"

namespace zorl {

namespace {

Variable& Follow(Variable& v) {
  return v.type == PV_REFERENCE && v.val.ref ? *v.val.ref : v;
}
const Variable& Follow(const Variable& v) {
  return Follow(const_cast<Variable&>(v));
}

// The length of a Vector or String; false (and the error) for any other.
bool Length(const Variable& seq, std::size_t* n) {
  if (seq.type == PV_VECTOR) {
    *n = static_cast<const VectorStore*>(seq.val.store)->elems.size();
    return true;
  }
  if (seq.type == PV_STRING) {
    *n = static_cast<const StringStore*>(seq.val.store)->bytes.size();
    return true;
  }
  RaiseHostError(ZE_NO_ELEMENTS, ATypeName(seq) +
                                     " has no elements; a Vector or a "
                                     "String has");
  return false;
}

std::string Of(const Variable& seq, std::size_t n) {
  return seq.type == PV_VECTOR
             ? " of a Vector of " + std::to_string(n) + " elements"
             : " of a String of " + std::to_string(n) + " bytes";
}

// An index from 0 to last; false (and the error) for any other value.
bool Index(const Variable& seq, std::size_t n, const Variable& v,
           std::size_t last, long long* out) {
  return WholeNumber(v, "index", 0, static_cast<long long>(last), out, ZE_INDEX,
                     Of(seq, n));
}

}  // namespace

bool ElementIndex(const Variable& seq0, const Variable& index,
                  std::size_t* at) {
  const Variable& seq = Follow(seq0);
  std::size_t n = 0;
  long long i = 0;
  if (!Length(seq, &n)) return false;
  if (n == 0) {
    RaiseHostError(ZE_INDEX, "index " + Describe(Follow(index)) + Of(seq, n));
    return false;
  }
  if (!Index(seq, n, index, n - 1, &i)) return false;
  *at = static_cast<std::size_t>(i);
  return true;
}

void ReadElement(const Variable& seq0, const Variable& index, Variable& out) {
  const Variable& seq = Follow(seq0);
  out._Clear();
  std::size_t at = 0;
  if (!ElementIndex(seq, index, &at)) return;
  if (seq.type == PV_VECTOR)
    out = static_cast<const VectorStore*>(seq.val.store)->elems[at];
  else
    out = MakeLong(static_cast<unsigned char>(
        static_cast<const StringStore*>(seq.val.store)->bytes[at]));
}

void ReadSlice(const Variable& seq0, const Variable* from, const Variable* to,
               Variable& out) {
  const Variable& seq = Follow(seq0);
  out._Clear();
  std::size_t n = 0;
  long long a = 0, b = 0;
  if (!Length(seq, &n)) return;
  b = static_cast<long long>(n);
  if ((from && !Index(seq, n, *from, n, &a)) ||
      (to && !Index(seq, n, *to, n, &b)))
    return;
  if (a > b) {
    RaiseHostError(ZE_INDEX, "slice " + std::to_string(a) + ":" +
                                 std::to_string(b) + Of(seq, n));
    return;
  }
  std::size_t x = static_cast<std::size_t>(a), y = static_cast<std::size_t>(b);
  if (seq.type == PV_VECTOR) {
    const auto& elems = static_cast<const VectorStore*>(seq.val.store)->elems;
    out =
        MakeVector(std::vector<Variable>(elems.begin() + x, elems.begin() + y));
  } else {
    const ZeroedBytes& bytes =
        static_cast<const StringStore*>(seq.val.store)->bytes;
    out = MakeString(std::string(bytes.data() + x, y - x));
  }
}

void WriteElement(Variable& seq0, const Variable& index, Variable&& value) {
  Variable& seq = Follow(seq0);
  std::size_t at = 0;
  if (!ElementIndex(seq, index, &at)) return;
  if (seq.type == PV_VECTOR) {
    static_cast<VectorStore*>(seq.val.store)->elems[at] = std::move(value);
    return;
  }
  const Variable& v = Follow(value);
  bool number = v.type == PV_BYTE || v.type == PV_LONG || v.type == PV_FLOAT ||
                v.type == PV_DOUBLE;
  double d = number ? v.GetDoubleNumb() : -1;
  if (!(d >= 0 && d <= 255 && d == std::floor(d))) {
    RaiseHostError(ZE_BAD_PARAMETER,
                   "a String's byte is 0 to 255, not " + Describe(v));
    return;
  }
  static_cast<StringStore*>(seq.val.store)->bytes[at] =
      static_cast<char>(static_cast<int>(d));
}

}  // namespace zorl
