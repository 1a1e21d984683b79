// Making host values from C++, and their printed form.
#include "engine/values.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/classes.h"
#include "engine/host_errors.h"
#include "engine/store.h"

namespace zorl {

Variable MakeBoolean(bool b) {
  Variable v;
  v.SetBoolean(b);
  return v;
}

Variable MakeByte(unsigned char b) {
  Variable v;
  v = b;
  return v;
}

Variable MakeLong(zlong l) {
  Variable v;
  v = static_cast<int>(l);
  return v;
}

Variable MakeFloat(float f) {
  Variable v;
  v = f;
  return v;
}

Variable MakeDouble(double d) { return Variable(d); }

Variable MakeAddress(std::uintptr_t a) {
  Variable v;
  v.type = PV_ADDRESS;
  v.val.a = a;
  return v;
}

Variable TakeString(ZeroedBytes&& bytes) {
  Variable v;
  auto* s = new StringStore;
  s->bytes = std::move(bytes);
  v.type = PV_STRING;
  v.val.store = s;
  return v;
}

Variable MakeString(const std::string& bytes) {
  return TakeString(ZeroedBytes(bytes));
}

Variable MakeBorrowedString(char* p, std::size_t n,
                            std::shared_ptr<void> lender) {
  return TakeString(ZeroedBytes::Borrow(p, n, std::move(lender)));
}

Variable MakeVector(std::vector<Variable> elems) {
  Variable v;
  auto* s = new VectorStore(std::move(elems));
  v.type = PV_VECTOR;
  v.val.store = s;
  return v;
}

Variable MakeLongVector(const std::vector<zlong>& elems) {
  std::vector<Variable> vs;
  vs.reserve(elems.size());
  for (zlong e : elems) vs.push_back(MakeLong(e));
  return MakeVector(std::move(vs));
}

Variable MakeReference(Variable* target) {
  Variable v;
  v.type = PV_REFERENCE;
  v.val.ref = target->GetPointer();
  return v;
}

std::string StringBytes(const Variable& v) {
  const Variable* t = const_cast<Variable&>(v).GetPointer();
  if (t->type != PV_STRING) return std::string();
  return static_cast<const StringStore*>(t->val.store)->bytes.str();
}

std::string TypeName(const Variable& v) {
  switch (v.type) {
    case PV_EMPTY:
      return "empty";
    case PV_BOOLEAN:
      return "boolean";
    case PV_BYTE:
      return "byte";
    case PV_LONG:
      return "long";
    case PV_FLOAT:
      return "float";
    case PV_DOUBLE:
      return "double";
    case PV_ADDRESS:
      return "address";
    case PV_STRING:
      return "String";
    case PV_VECTOR:
      return "Vector";
    case PV_OBJECT:
      return AsObject(&v)->cls->name();
    case PV_REFERENCE:
      return "reference";
    default:
      return "type " + std::to_string(v.type);
  }
}

std::string WithArticle(const std::string& name) {
  bool vowel = !name.empty() && std::strchr("aeiouAEIOU", name[0]);
  return (vowel ? "an " : "a ") + name;
}

std::string ATypeName(const Variable& v) { return WithArticle(TypeName(v)); }

std::vector<std::string> MemberNames(const Variable& v) {
  std::vector<std::string> names;
  if (const ObjectStore* o = AsObject(&v))
    for (const auto& m : o->members) names.push_back(m.first);
  return names;
}

namespace {

template <typename T>
std::string Shortest(T x, const char* fmt) {
  if (std::isnan(x)) return "nan";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  char buf[64];
  for (int prec = 1; prec <= 17; ++prec) {
    std::snprintf(buf, sizeof buf, fmt, prec, static_cast<double>(x));
    if (static_cast<T>(std::strtod(buf, nullptr)) == x) break;
  }
  std::string s = buf;
  // Plain decimals for exponents from -4 to 15; 1e+16 and 1e-05 stay.
  std::size_t e = s.find('e');
  if (e != std::string::npos) {
    int exponent = std::atoi(s.c_str() + e + 1);
    int digits = 0;
    for (std::size_t i = 0; i < e; ++i) digits += std::isdigit(s[i]) ? 1 : 0;
    if (exponent >= -4 && exponent < 16) {
      int decimals = digits - 1 - exponent;
      std::snprintf(buf, sizeof buf, "%.*f", decimals > 0 ? decimals : 0,
                    static_cast<double>(x));
      s = buf;
    }
  }
  if (s.find_first_of(".en") == std::string::npos) s += ".0";
  return s;
}

std::string Quote(const std::string& bytes) {
  std::string s = "\"";
  for (unsigned char c : bytes) {
    switch (c) {
      case '\n':
        s += "\\n";
        break;
      case '\t':
        s += "\\t";
        break;
      case '\\':
        s += "\\\\";
        break;
      case '"':
        s += "\\\"";
        break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          s += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02x", c);
          s += hex;
        }
    }
  }
  return s + "\"";
}

}  // namespace

std::string FormatDouble(double d) { return Shortest(d, "%.*g"); }
std::string FormatFloat(float f) { return Shortest(f, "%.*g"); }

std::string Describe(const Variable& v) {
  switch (v.type) {
    case PV_EMPTY:
      return "empty";
    case PV_BOOLEAN:
      return v.val.l ? "true" : "false";
    case PV_BYTE:
      return std::to_string(v.val.b);
    case PV_LONG:
      return std::to_string(v.val.l);
    case PV_FLOAT:
      return FormatFloat(v.val.f);
    case PV_DOUBLE:
      return FormatDouble(v.val.d ? *v.val.d : 0.0);
    case PV_ADDRESS: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "0x%llx",
                    static_cast<unsigned long long>(v.val.a));
      return buf;
    }
    case PV_STRING:
      return Quote(static_cast<StringStore*>(v.val.store)->bytes.str());
    case PV_VECTOR: {
      std::string s = "[";
      bool first = true;
      for (const Variable& e : static_cast<VectorStore*>(v.val.store)->elems) {
        if (!first) s += ", ";
        first = false;
        s += Describe(e);
      }
      return s + "]";
    }
    case PV_OBJECT: {
      const ObjectStore* o = AsObject(&v);
      std::string s = "<" + o->cls->name() + " " +
                      std::to_string(o->bytes.size()) + " bytes";
      for (const auto& m : o->members) {
        // A long String (a picture's pixels) shows its length and first
        // bytes.
        const Variable& member = m.second;
        const std::size_t kShown = 16;
        const ZeroedBytes* bytes =
            member.type == PV_STRING
                ? &static_cast<const StringStore*>(member.val.store)->bytes
                : nullptr;
        if (bytes && bytes->size() > 2 * kShown)
          s += " " + m.first + "=<String of " + std::to_string(bytes->size()) +
               " bytes " + Quote(std::string(bytes->data(), kShown)) + "...>";
        else
          s += " " + m.first + "=" + Describe(member);
      }
      return s + ">";
    }
    case PV_REFERENCE:
      return v.val.ref ? Describe(*v.val.ref) : "empty";
    default:
      return "<" + TypeName(v) + ">";
  }
}

bool WholeNumber(const Variable& v0, const std::string& what, long long lo,
                 long long hi, long long* out, zlong outside,
                 const std::string& beyond) {
  const Variable& v = v0.type == PV_REFERENCE && v0.val.ref ? *v0.val.ref : v0;
  if (v.type != PV_BYTE && v.type != PV_LONG && v.type != PV_FLOAT &&
      v.type != PV_DOUBLE) {
    RaiseHostError(ZE_NOT_A_NUMBER,
                   what + " is a " + TypeName(v) + ", not a number");
    return false;
  }
  double d = v.GetDoubleNumb();
  if (!std::isfinite(d) || d != std::floor(d)) {
    RaiseHostError(ZE_BAD_ARGUMENT,
                   what + " " + Describe(v) + " is not a whole number");
    return false;
  }
  if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) {
    RaiseHostError(outside,
                   what + " " + Describe(v) +
                       (beyond.empty() ? " is not " + std::to_string(lo) +
                                             " to " + std::to_string(hi)
                                       : beyond));
    return false;
  }
  *out = static_cast<long long>(d);
  return true;
}

}  // namespace zorl
