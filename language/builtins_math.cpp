// The built-ins of maths: pow, sqrt, exp, log, floor, ceil, round, abs,
// min, max and clamp. Each works element by element on Vectors (a Vector
// with numbers, or with Vectors of as many elements), as the operators do.
// interp(x, xs, ys) draws straight lines through the points (xs, ys), as
// palettes and curves are given:
//
//   interp(5, [0, 10], [0, 255])            127.5
//   interp([-1, 0, 20], [0, 10], [0, 255])  [0.0, 0.0, 255.0] (clamped)
// NaN and the infinities follow the C library (sqrt(-1) is NaN, log(0) is
// -inf); floor, ceil and round give longs and refuse what no long holds.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/values.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

// One number's result from numbers x[0..n-1]; false after an error.
typedef bool (*Scalar)(const char* usage, const Variable* const* x,
                       Variable& out);

// fn over numbers, or element by element where some of x are Vectors.
bool Apply(const char* usage, int n, const Variable* const* x, Scalar fn,
           Variable& out) {
  const std::vector<Variable>* first = nullptr;
  for (int i = 0; i < n; ++i) {
    if (x[i]->type != PV_VECTOR) continue;
    const auto& elems = static_cast<const VectorStore*>(x[i]->val.store)->elems;
    if (first && elems.size() != first->size()) {
      RaiseHostError(ZE_BAD_ARGUMENT,
                     std::string(usage) + ": Vectors of " +
                         std::to_string(first->size()) + " and " +
                         std::to_string(elems.size()) + " elements");
      return false;
    }
    first = &elems;
  }
  if (!first) {
    for (int i = 0; i < n; ++i)
      if (!Number(usage, *x[i])) return false;
    return fn(usage, x, out);
  }
  std::vector<Variable> results(first->size());
  for (std::size_t k = 0; k < results.size(); ++k) {
    const Variable* y[3];
    for (int i = 0; i < n; ++i)
      y[i] = x[i]->type == PV_VECTOR
                 ? &static_cast<const VectorStore*>(x[i]->val.store)->elems[k]
                 : x[i];
    if (!Apply(usage, n, y, fn, results[k])) return false;
  }
  out = MakeVector(std::move(results));
  return true;
}

void Run(const char* usage, Args& a, Scalar fn, Variable& r) {
  const Variable* x[3] = {&a[0], a.size() > 1 ? &a[1] : nullptr,
                          a.size() > 2 ? &a[2] : nullptr};
  Variable out;
  if (Apply(usage, static_cast<int>(a.size()), x, fn, out)) r = std::move(out);
}

bool IsWhole(const Variable& v) {
  return v.type != PV_FLOAT && v.type != PV_DOUBLE;
}

// A long from a whole double; NaN and what 32 bits can't hold are refused.
bool ToLong(const char* usage, double d, Variable& out) {
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) {
    RaiseHostError(
        ZE_BAD_PARAMETER,
        std::string(usage) + ": " + FormatDouble(d) + " is beyond the longs");
    return false;
  }
  out = MakeLong(static_cast<zlong>(d));
  return true;
}

#define ZORL_DOUBLE_FN(Name, expr)                                  \
  bool Name(const char*, const Variable* const* x, Variable& out) { \
    double a = x[0]->GetDoubleNumb();                               \
    (void)a;                                                        \
    out = MakeDouble(expr);                                         \
    return true;                                                    \
  }
ZORL_DOUBLE_FN(SqrtOf, std::sqrt(a))
ZORL_DOUBLE_FN(ExpOf, std::exp(a))
ZORL_DOUBLE_FN(LogOf, std::log(a))
ZORL_DOUBLE_FN(PowOf, std::pow(a, x[1]->GetDoubleNumb()))
#undef ZORL_DOUBLE_FN

bool FloorOf(const char* u, const Variable* const* x, Variable& out) {
  return ToLong(u, std::floor(x[0]->GetDoubleNumb()), out);
}
bool CeilOf(const char* u, const Variable* const* x, Variable& out) {
  return ToLong(u, std::ceil(x[0]->GetDoubleNumb()), out);
}
bool RoundOf(const char* u, const Variable* const* x, Variable& out) {
  return ToLong(u, std::round(x[0]->GetDoubleNumb()), out);  // half away
}

bool AbsOf(const char*, const Variable* const* x, Variable& out) {
  const Variable& v = *x[0];
  if (IsWhole(v)) {
    std::uint32_t u = static_cast<std::uint32_t>(v.GetLongNumb());
    out = MakeLong(static_cast<zlong>(v.GetLongNumb() < 0 ? 0u - u : u));
  } else if (v.type == PV_FLOAT) {
    out = MakeFloat(std::fabs(v.val.f));
  } else {
    out = MakeDouble(std::fabs(v.GetDoubleNumb()));
  }
  return true;
}

// -1, 0 or 1; NaN gives 2.
int Order(const Variable& a, const Variable& b) {
  if (IsWhole(a) && IsWhole(b)) {
    zlong x = a.GetLongNumb(), y = b.GetLongNumb();
    return x < y ? -1 : x > y;
  }
  double x = a.GetDoubleNumb(), y = b.GetDoubleNumb();
  if (std::isnan(x) || std::isnan(y)) return 2;
  return x < y ? -1 : x > y;
}

// The smaller (or larger) of two numbers, as it is; NaN if either is.
bool Pick(const Variable& a, const Variable& b, bool larger, Variable& out) {
  int o = Order(a, b);
  if (o == 2)
    out = MakeDouble(std::numeric_limits<double>::quiet_NaN());
  else
    out = (o > 0) == larger ? a : b;
  return true;
}
bool MinOf(const char*, const Variable* const* x, Variable& out) {
  return Pick(*x[0], *x[1], false, out);
}
bool MaxOf(const char*, const Variable* const* x, Variable& out) {
  return Pick(*x[0], *x[1], true, out);
}
bool ClampOf(const char* usage, const Variable* const* x, Variable& out) {
  int o = Order(*x[1], *x[2]);
  if (o == 1 || o == 2) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) + ": low " +
                                         Describe(*x[1]) + " above high " +
                                         Describe(*x[2]));
    return false;
  }
  Variable low;
  Pick(*x[0], *x[1], true, low);
  return Pick(low, *x[2], false, out);
}

// min(v) and max(v) of one Vector: its smallest or largest element.
void Extreme(const char* usage, Args& a, bool larger, Scalar two, Variable& r) {
  if (a.size() == 2) {
    Run(usage, a, two, r);
    return;
  }
  if (a[0].type != PV_VECTOR || a[0].GetCount() == 0) {
    BadArgument(usage, "one Vector with elements or two values expected, ",
                a[0]);
    return;
  }
  const auto& elems = static_cast<const VectorStore*>(a[0].val.store)->elems;
  Variable best = elems[0];
  for (const Variable& e : elems) {
    if (!Number(usage, e) || !Number(usage, best)) return;
    Variable next;
    Pick(best, e, larger, next);
    best = std::move(next);
  }
  r = std::move(best);
}

#define ZORL_MATH(Name, usage, fn) \
  void Name(BuiltinContext&, Args& a, Variable& r) { Run(usage, a, fn, r); }
ZORL_MATH(Pow, "pow(x, y)", PowOf)
ZORL_MATH(Sqrt, "sqrt(x)", SqrtOf)
ZORL_MATH(Exp, "exp(x)", ExpOf)
ZORL_MATH(Log, "log(x)", LogOf)
ZORL_MATH(Floor, "floor(x)", FloorOf)
ZORL_MATH(Ceil, "ceil(x)", CeilOf)
ZORL_MATH(Round, "round(x)", RoundOf)
ZORL_MATH(Abs, "abs(x)", AbsOf)
ZORL_MATH(Clamp, "clamp(x, low, high)", ClampOf)
#undef ZORL_MATH

void Min(BuiltinContext&, Args& a, Variable& r) {
  Extreme("min(a, b) or min(v)", a, false, MinOf, r);
}
void Max(BuiltinContext&, Args& a, Variable& r) {
  Extreme("max(a, b) or max(v)", a, true, MaxOf, r);
}

const char kInterp[] = "interp(x, xs, ys)";

// A kind with its article: "a String", "an empty".
std::string AKind(const Variable& v) {
  std::string name = TypeName(v);
  bool vowel = !name.empty() &&
               std::string("aeiouAEIOU").find(name[0]) != std::string::npos;
  return (vowel ? "an " : "a ") + name;
}

const std::vector<Variable>& Elements(const Variable& v) {
  return static_cast<const VectorStore*>(v.val.store)->elems;
}

// The numbers of a Vector of control points as doubles; false after the
// error that names the Vector.
bool Points(const char* name, const Variable& v, std::vector<double>* out) {
  if (v.type != PV_VECTOR) {
    RaiseHostError(ZE_BAD_ARGUMENT, std::string(kInterp) + ": " + name +
                                        " is " + AKind(v) +
                                        ", not a Vector of numbers");
    return false;
  }
  for (const Variable& e : Elements(v)) {
    if (!Number(kInterp, e)) return false;
    out->push_back(e.GetDoubleNumb());
  }
  return true;
}

// The line through the points at x: ys[0] left of xs[0], the last y right
// of the last x, NaN for NaN. x is a number or a Vector (of Vectors) of
// them.
bool Through(const Variable& x, const std::vector<double>& xs,
             const std::vector<double>& ys, Variable& out) {
  if (x.type == PV_VECTOR) {
    const std::vector<Variable>& elems = Elements(x);
    std::vector<Variable> results(elems.size());
    for (std::size_t i = 0; i < elems.size(); ++i)
      if (!Through(elems[i], xs, ys, results[i])) return false;
    out = MakeVector(std::move(results));
    return true;
  }
  if (!Number(kInterp, x)) return false;
  double d = x.GetDoubleNumb();
  std::size_t j = static_cast<std::size_t>(
      std::upper_bound(xs.begin(), xs.end(), d) - xs.begin());
  if (std::isnan(d))
    out = MakeDouble(d);
  else if (j == 0)
    out = MakeDouble(ys.front());
  else if (j == xs.size())
    out = MakeDouble(ys.back());
  else
    out = MakeDouble(ys[j - 1] + (d - xs[j - 1]) * (ys[j] - ys[j - 1]) /
                                     (xs[j] - xs[j - 1]));
  return true;
}

void Interp(BuiltinContext&, Args& a, Variable& r) {
  std::vector<double> xs, ys;
  if (!Points("xs", a[1], &xs) || !Points("ys", a[2], &ys)) return;
  std::string problem;
  if (xs.size() != ys.size())
    problem = "xs has " + std::to_string(xs.size()) + " elements and ys " +
              std::to_string(ys.size());
  else if (xs.empty())
    problem = "no points";
  for (std::size_t i = 1; problem.empty() && i < xs.size(); ++i)
    if (!(xs[i] > xs[i - 1]))
      problem = "xs is not increasing: element " + std::to_string(i) + " is " +
                Describe(Elements(a[1])[i]) + " after " +
                Describe(Elements(a[1])[i - 1]);
  if (!problem.empty()) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(kInterp) + ": " + problem);
    return;
  }
  Variable out;
  if (Through(a[0], xs, ys, out)) r = std::move(out);
}

}  // namespace

const Builtin kMathBuiltins[] = {
    {"pow", 2, 2, Pow, "pow(x, y)", false},
    {"sqrt", 1, 1, Sqrt, "sqrt(x)", false},
    {"exp", 1, 1, Exp, "exp(x)", false},
    {"log", 1, 1, Log, "log(x)", false},
    {"floor", 1, 1, Floor, "floor(x)", false},
    {"ceil", 1, 1, Ceil, "ceil(x)", false},
    {"round", 1, 1, Round, "round(x)", false},
    {"abs", 1, 1, Abs, "abs(x)", false},
    {"min", 1, 2, Min, "min(a, b) or min(v)", false},
    {"max", 1, 2, Max, "max(a, b) or max(v)", false},
    {"clamp", 3, 3, Clamp, "clamp(x, low, high)", false},
    {"interp", 3, 3, Interp, kInterp, false},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
