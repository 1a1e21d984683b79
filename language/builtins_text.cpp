// The built-ins of text: str(x), the text print shows (a String's own
// bytes, without quotes), format(f, ...), with conversions checked against
// their values, and lower(s), upper(s) and strip(s). Strings are bytes:
// lower and upper change the ASCII letters only, strip removes the ASCII
// blanks (space, tab, line ends, vertical tab, form feed) at both ends.
#include <cmath>
#include <cstdio>
#include <utility>

#include "engine/values.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

const char kFormat[] = "format(f, ...)";

std::string Shown(const Variable& v) {
  return v.type == PV_STRING ? Bytes(v) : Describe(v);
}

void Str(BuiltinContext&, Args& a, Variable& r) { r = TakeString(Shown(a[0])); }

bool Refuse(const std::string& why) {
  RaiseHostError(ZE_BAD_PARAMETER, std::string(kFormat) + ": " + why);
  return false;
}

// One conversion: directive is "%", flags, width, precision; c its letter.
bool Convert(const std::string& directive, char c, const Variable& v,
             std::string& out) {
  if (c == 's') {
    std::string s = Shown(v);
    // Width and precision of %s work on bytes, as printf's do.
    std::string f = directive + "s";
    int n = std::snprintf(nullptr, 0, f.c_str(), s.c_str());
    if (s.find('\0') != std::string::npos || n < 0) {
      out += s;  // bytes with zeros: as they are
      return true;
    }
    std::string buf(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&buf[0], buf.size(), f.c_str(), s.c_str());
    buf.resize(static_cast<std::size_t>(n));
    out += buf;
    return true;
  }
  if (!IsNumber(v))
    return Refuse(std::string("%") + c + " takes a number, not " +
                  ATypeName(v));
  char buf[256];
  std::string f = directive;
  if (c == 'd' || c == 'i' || c == 'x' || c == 'X') {
    // Whole numbers that a long holds; %x shows a negative one's 32 bits.
    long long l = 0;
    if (!LongArgument(v, std::string(kFormat) + ": %" + c + " value", &l))
      return false;
    if (c == 'd' || c == 'i')
      std::snprintf(buf, sizeof buf, (f + "ld").c_str(), static_cast<long>(l));
    else
      std::snprintf(buf, sizeof buf, (f + "l" + c).c_str(),
                    static_cast<unsigned long>(static_cast<std::uint32_t>(l)));
  } else {
    std::snprintf(buf, sizeof buf, (f + c).c_str(), v.GetDoubleNumb());
  }
  out += buf;
  return true;
}

void Format(BuiltinContext&, Args& a, Variable& r) {
  if (!Text(kFormat, a[0])) return;
  std::string f = Bytes(a[0]), out;
  std::size_t next = 1;
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] != '%') {
      out += f[i];
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    std::string directive = "%";
    std::size_t j = i + 1;
    while (j < f.size() && std::string("-+ 0#").find(f[j]) != std::string::npos)
      directive += f[j++];
    // Widths and precisions of at most two digits keep every piece short.
    for (int part = 0; part < 2; ++part) {
      if (part == 1) {
        if (j >= f.size() || f[j] != '.') break;
        directive += f[j++];
      }
      for (int digits = 0; j < f.size() && f[j] >= '0' && f[j] <= '9';
           ++digits) {
        if (digits == 2) {
          Refuse("a width or precision of more than 2 digits");
          return;
        }
        directive += f[j++];
      }
    }
    char c = j < f.size() ? f[j] : '\0';
    if (std::string("dixXfeEgGs").find(c) == std::string::npos || c == '\0') {
      Refuse("'" + f.substr(i, j - i + (c ? 1 : 0)) +
             "' is no conversion (%d %i %x %X %f %e %E %g %G %s %%)");
      return;
    }
    if (next >= a.size()) {
      Refuse("more conversions than the " + std::to_string(a.size() - 1) +
             " values given");
      return;
    }
    if (!Convert(directive, c, a[next++], out)) return;
    if (static_cast<long long>(out.size()) > MaxBytes()) {
      RaiseNoMemory(MaxBytes());
      return;
    }
    i = j;
  }
  if (next != a.size()) {
    Refuse(std::to_string(a.size() - 1) + " values for " +
           std::to_string(next - 1) + " conversions");
    return;
  }
  r = TakeString(std::move(out));
}

// The String's bytes, each through change.
void EachByte(const char* usage, Args& a, Variable& r, char (*change)(char)) {
  if (!Text(usage, a[0])) return;
  ZeroedBytes& bytes = static_cast<StringStore*>(a[0].val.store)->bytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = change(bytes[i]);
  r = std::move(a[0]);  // the call's own copy
}

char LowerByte(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperByte(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

void Lower(BuiltinContext&, Args& a, Variable& r) {
  EachByte("lower(s)", a, r, LowerByte);
}
void Upper(BuiltinContext&, Args& a, Variable& r) {
  EachByte("upper(s)", a, r, UpperByte);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

void Strip(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("strip(s)", a[0])) return;
  const ZeroedBytes& s = Store(a[0]);
  std::size_t from = 0, to = s.size();
  while (from < to && IsBlank(s[from])) ++from;
  while (to > from && IsBlank(s[to - 1])) --to;
  r = TakeString(std::string(s.data() + from, to - from));
}

}  // namespace

const Builtin kTextBuiltins[] = {
    {"str", 1, 1, Str, "str(x)", false},
    {"format", 1, -1, Format, kFormat, false},
    {"lower", 1, 1, Lower, "lower(s)", false},
    {"upper", 1, 1, Upper, "upper(s)", false},
    {"strip", 1, 1, Strip, "strip(s)", false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
