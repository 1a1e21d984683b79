// Reading the module's table objects into curves through the engine's
// interface: GetTable for the entries, the member BaseLine for the shift.
#include "language/table_curves.h"

#include <cmath>

#include "language/builtin_args.h"

namespace zorl {

const unsigned kChannelColours[3] = {0xD62020, 0x20A020, 0x2040E0};

namespace {

const char* const kChannelNames[] = {"red", "green", "blue"};
constexpr unsigned kGrayColour = 0x707070;

// The entries of table k (-1: the single table) as numbers 0 to 255; false
// when the call failed (it has raised its error).
bool Entries(Engine& engine, Variable& table, int k, std::vector<double>* y) {
  Variable number = MakeLong(k), result;
  std::vector<Variable*> args;
  if (k >= 0) args.push_back(&number);
  engine.Call(table, "GetTable", args, &result);
  if (result.type != PV_VECTOR) return false;
  zlong n = result.GetCount();
  y->resize(static_cast<std::size_t>(n));
  for (zlong i = 0; i < n; ++i)
    (*y)[static_cast<std::size_t>(i)] = result[i].GetLongNumb() & 255;
  return true;
}

PlotSeries Curve(const std::string& label, double x0, double dx,
                 std::vector<double> y, unsigned rgb,
                 PlotSeries::Style style = PlotSeries::kLine) {
  PlotSeries s;
  s.label = label;
  s.x0 = x0;
  s.dx = dx;
  s.y = std::move(y);
  s.rgb = rgb;
  s.style = style;
  return s;
}

// Keeps y[i] where keep[i] is (nonzero) as wanted; NaN elsewhere.
std::vector<double> Where(std::vector<double> y,
                          const std::vector<double>& keep, bool nonzero) {
  for (std::size_t i = 0; i < y.size(); ++i)
    if ((keep[i] != 0) != nonzero) y[i] = NAN;
  return y;
}

}  // namespace

bool TableCurves(Engine& engine, Variable& table, const char* usage,
                 const std::string& what, const std::string& prefix,
                 unsigned shade, std::vector<PlotSeries>* curves) {
  std::string cls = TypeName(table);
  bool single = cls == "LUT1" || cls == "LUT2";
  if (!single && cls != "LUT3" && cls != "LUTC3")
    return BadArgument(
        usage, (what + ": a LUT1, LUT2, LUT3 or LUTC3 expected, ").c_str(),
        table);
  double shift = 0;
  if (cls != "LUT1") {
    Variable* base = engine.GetMember(table, "BaseLine");
    if (!base) return false;
    shift = -static_cast<double>(base->GetLongNumb());
  }
  std::vector<double> y[4];
  for (int k = 0; k < (single ? 1 : 4); ++k)
    if (!Entries(engine, table, single ? -1 : k, &y[k])) return false;
  if (y[0].empty()) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) + ": " + what + ", " +
                                         WithArticle(cls) + " without entries");
    return false;
  }
  if (single) {
    curves->push_back(Curve(prefix + cls, shift, 1, std::move(y[0]), shade));
    return true;
  }
  bool sums = cls == "LUTC3";  // every LUTC3 table is indexed by sums
  for (int k = 0; k < 3; ++k)
    curves->push_back(
        Curve(prefix + cls + " " + kChannelNames[k], shift, sums ? 1.0 / 3 : 1,
              sums ? Where(y[k], y[3], false) : y[k], kChannelColours[k]));
  curves->push_back(Curve(prefix + cls + " gray (sum / 3)", shift, 1.0 / 3,
                          sums ? Where(y[3], y[3], true) : y[3], kGrayColour,
                          PlotSeries::kDashed));
  return true;
}

bool ChangingSpan(const std::vector<PlotSeries>& curves, double* lo,
                  double* hi) {
  bool found = false;
  for (const PlotSeries& s : curves)
    for (std::size_t i = 1; i < s.y.size(); ++i) {
      if (s.y[i] == s.y[i - 1] ||
          (std::isnan(s.y[i]) && std::isnan(s.y[i - 1])))
        continue;
      double a = s.x0 + static_cast<double>(i - 1) * s.dx, b = a + s.dx;
      *lo = found ? std::fmin(*lo, a) : a;
      *hi = found ? std::fmax(*hi, b) : b;
      found = true;
    }
  return found;
}

}  // namespace zorl
