// The built-ins of histograms and pictures of tables:
//
//   Histogram(image)   the counts of each pixel value. Depth 1: a Vector of
//                      256 counts. Depth 3: three such Vectors, red, green
//                      and blue (the order of a LUT3's tables). Depth 2:
//                      [first, counts], 65536 counts of the 16-bit values
//                      from first: 0, or -32768 when the Image's member
//                      Signed is true.
//   PlotTable(path, table... [, [from, to]])   the transfer curves of one
//                      or more tables, over the inputs from to to if given
//   PlotHistogram(path, image, table [, log])   the histogram (bars, on a
//                      log scale when log is true) with the table's curves
//                      over it, on an axis of their own at the right; in
//                      the modality's units when the image has a rescale,
//                      and the pixels outside the table counted in the
//                      legend.
//
// Pictures are written as image files (.png or .ppm), whole or not at all;
// table_curves.h says where a table's entries are drawn.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/image_size.h"
#include "images/histogram.h"
#include "images/plot.h"
#include "language/builtin_args.h"
#include "language/table_curves.h"

namespace zorl {

namespace {

// Colours of single-channel tables, one after another.
const unsigned kShades[] = {0x000000, 0xE07000, 0x8040C0, 0x008080, 0x905020};

// A member of an object, or null when it has none (none is made).
Variable* FindMember(Variable& obj, const char* name) {
  ObjectStore* o = AsObject(obj.GetPointer());
  if (!o) return nullptr;
  auto it = o->members.find(name);
  return it == o->members.end() ? nullptr : &it->second;
}

// The pixels of an Image argument, checked: depth 1, 2 or 3, at least one
// pixel, and width * height * depth bytes of them.
bool ImageArgument(const char* usage, Variable& v, ImageView* image,
                   bool* isSigned) {
  if (TypeName(v) != "Image")
    return BadArgument(usage, "an Image expected, ", v);
  Variable *w = FindMember(v, "Width"), *h = FindMember(v, "Height"),
           *d = FindMember(v, "Depth"), *px = FindMember(v, "Pixels"),
           *sign = FindMember(v, "Signed");
  long long width = 0, height = 0, depth = 0;
  std::string what = std::string(usage) + ": ";
  if (!w || !h || !d || !px || !LongArgument(*w, what + "Width", &width) ||
      !LongArgument(*h, what + "Height", &height) ||
      !LongArgument(*d, what + "Depth", &depth) || !Text(usage, *px))
    return false;
  std::string problem;
  if (CheckImageSize(width, height, depth, &problem) &&
      static_cast<long long>(Store(*px).size()) != width * height * depth)
    problem = std::to_string(Store(*px).size()) + " bytes of pixels for " +
              std::to_string(width) + " x " + std::to_string(height) + " x " +
              std::to_string(depth);
  if (!problem.empty()) {
    RaiseHostError(ZE_BAD_PARAMETER, std::string(usage) + ": " + problem);
    return false;
  }
  *image = ImageView{width, height, depth,
                     reinterpret_cast<const unsigned char*>(Store(*px).data())};
  *isSigned = depth == 2 && sign && IsNumber(*sign) && sign->GetLongNumb() != 0;
  return true;
}

Variable CountVector(const std::vector<long long>& counts) {
  std::vector<Variable> elems(counts.size());
  for (std::size_t i = 0; i < counts.size(); ++i)
    elems[i] = MakeLong(static_cast<zlong>(counts[i]));
  return MakeVector(std::move(elems));
}

void Histogram(BuiltinContext&, Args& a, Variable& r) {
  ImageView image;
  bool isSigned;
  if (!ImageArgument("Histogram(image)", a[0], &image, &isSigned)) return;
  PixelCounts c = CountPixels(image, isSigned);
  if (static_cast<long long>(c.counts.size() * c.counts[0].size()) >
      MaxElements()) {
    RaiseNoMemory(MaxElements());
    return;
  }
  if (image.depth == 2) {
    r = MakeVector(
        {MakeLong(static_cast<zlong>(c.first)), CountVector(c.counts[0])});
  } else if (image.depth == 1) {
    r = CountVector(c.counts[0]);
  } else {
    r = MakeVector({CountVector(c.counts[0]), CountVector(c.counts[1]),
                    CountVector(c.counts[2])});
  }
}

// An x axis from lo to hi, a little wider than the span of the values.
PlotAxis Padded(double lo, double hi, const char* label) {
  double pad = hi > lo ? (hi - lo) * 0.01 : 1;
  PlotAxis x;
  x.lo = lo - pad;
  x.hi = hi + pad;
  x.label = label;
  x.integers = true;
  return x;
}

// The output axis of the tables: 0 to 255 with room for the lines at both.
PlotAxis OutputAxis() {
  PlotAxis y;
  y.lo = -4;
  y.hi = 259;
  y.label = "output";
  return y;
}

void Write(const std::string& path, const Plot& plot) {
  std::string error;
  if (!WritePlot(path, plot, &error)) RaiseFile(path, error);
}

// The inputs to draw, [from, to]: two numbers, from below to. False (and
// the error) when it is not that.
bool InputRange(const char* usage, Variable& v, double* from, double* to) {
  Variable& r = *v.GetPointer();
  bool two = r.type == PV_VECTOR && r.GetCount() == 2 && IsNumber(r[0]) &&
             IsNumber(r[1]);
  *from = two ? r[0].GetDoubleNumb() : 0;
  *to = two ? r[1].GetDoubleNumb() : 0;
  if (two && *from < *to && std::isfinite(*from) && std::isfinite(*to))
    return true;
  RaiseHostError(ZE_BAD_PARAMETER,
                 std::string(usage) +
                     ": the inputs to draw are [from, to], two numbers with "
                     "from below to");
  return false;
}

void PlotTable(BuiltinContext& cx, Args& a, Variable&) {
  static const char* usage = "PlotTable(path, table... [, [from, to]])";
  if (!Text(usage, a[0])) return;
  std::size_t end = a.size();
  double from = 0, to = 0;
  bool range = a.back().GetPointer()->type == PV_VECTOR;
  if (range) {
    if (!InputRange(usage, a.back(), &from, &to)) return;
    if (--end == 1) {
      RaiseHostError(ZE_BAD_PARAMETER,
                     std::string(usage) + ": no table to draw");
      return;
    }
  }
  Plot plot;
  std::size_t tables = end - 1;
  for (std::size_t i = 1; i < end; ++i) {
    std::string prefix = tables > 1 ? std::to_string(i) + ": " : "";
    if (!TableCurves(cx.engine, a[i], usage,
                     "argument " + std::to_string(i + 1), prefix,
                     kShades[(i - 1) % 5], &plot.series))
      return;
  }
  double lo = plot.series[0].x0, hi = lo;
  for (const PlotSeries& s : plot.series) {
    lo = std::fmin(lo, s.x0);
    hi = std::fmax(hi, s.x0 + static_cast<double>(s.y.size() - 1) * s.dx);
  }
  plot.x =
      range ? Padded(from, to, "input value") : Padded(lo, hi, "input value");
  plot.left = OutputAxis();
  Write(Bytes(a[0]), plot);
}

// Bars of the counts: bins of whole values, as many as fit the plotting
// area's width, centred on their values, from the value lo on. Every bin
// is as wide as the others: the last reaches past hi when the span is no
// multiple of the width (and counts the values there, if any).
PlotSeries Bars(const std::vector<long long>& counts, long long first,
                long long lo, long long hi, int pixels, unsigned rgb,
                double alpha) {
  long long span = hi - lo + 1;
  long long width = (span + pixels - 1) / pixels;
  long long bins = (span + width - 1) / width;
  long long last = std::min(lo + bins * width,
                            first + static_cast<long long>(counts.size())) -
                   1;
  PlotSeries s;
  s.style = PlotSeries::kBars;
  s.x0 = static_cast<double>(lo) - 0.5;
  s.dx = static_cast<double>(width);
  s.rgb = rgb;
  s.alpha = alpha;
  s.y.assign(static_cast<std::size_t>(bins), 0);
  for (long long v = lo; v <= last; ++v)
    s.y[static_cast<std::size_t>((v - lo) / width)] +=
        static_cast<double>(counts[static_cast<std::size_t>(v - first)]);
  return s;
}

// The values a histogram shows. 8-bit values: all of them. 16-bit values:
// those in the image and those where the table's output changes, and a
// little more.
void ValueSpan(const PixelCounts& c, const std::vector<PlotSeries>& curves,
               long long* lo, long long* hi) {
  const std::vector<long long>& k = c.counts[0];
  long long first = c.first, last = c.first + (k.size() == 256 ? 255 : 65535);
  if (k.size() == 256) {
    *lo = first;
    *hi = last;
    return;
  }
  std::size_t a = 0, b = k.size() - 1;
  while (k[a] == 0) ++a;  // the image has at least one pixel
  while (k[b] == 0) --b;
  *lo = first + static_cast<long long>(a);
  *hi = first + static_cast<long long>(b);
  double from, to;
  if (ChangingSpan(curves, &from, &to)) {
    *lo = std::min(*lo,
                   static_cast<long long>(std::floor(std::fmax(from, first))));
    *hi = std::max(*hi, static_cast<long long>(std::ceil(std::fmin(to, last))));
  }
  long long pad = std::max(1LL, (*hi - *lo) / 50);
  *lo = std::max(first, *lo - pad);
  *hi = std::min(last, *hi + pad);
}

// A number as a tick shows it.
std::string Shown(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// The x axis of a gray histogram: in the modality's units (Hounsfield
// units for CT), stored * RescaleSlope + RescaleIntercept, when the Image
// has a rescale with a slope above 0; else the stored values. x moves each
// series (drawn at stored values) onto the axis.
struct ValueAxis {
  std::string label;
  double slope = 1, intercept = 0;
  double operator()(double stored) const { return stored * slope + intercept; }
};

ValueAxis AxisOf(Variable& image, long long depth) {
  ValueAxis x;
  x.label = depth == 2 ? "stored value" : "pixel value";
  Variable *slope = FindMember(image, "RescaleSlope"),
           *intercept = FindMember(image, "RescaleIntercept");
  bool hasSlope = slope && IsNumber(*slope),
       hasIntercept = intercept && IsNumber(*intercept);
  if (depth == 3 || (!hasSlope && !hasIntercept)) return x;
  double m = hasSlope ? slope->GetDoubleNumb() : 1,
         b = hasIntercept ? intercept->GetDoubleNumb() : 0;
  if (!(m > 0) || !std::isfinite(m) || !std::isfinite(b)) {
    x.label += " (RescaleSlope " + Shown(m) + ", RescaleIntercept " + Shown(b) +
               " not used)";
    return x;
  }
  x.slope = m;
  x.intercept = b;
  x.label = "modality value (HU for CT) = " + x.label + " * " + Shown(m) +
            (b < 0 ? " - " : " + ") + Shown(std::fabs(b));
  return x;
}

// How many pixels are outside the table: those whose value (a component,
// in colour) lies before the first input of its curves or past the last.
std::string Outside(const ImageView& image, const PixelCounts& c,
                    const std::vector<PlotSeries>& curves) {
  double from = curves[0].x0, to = from;
  for (const PlotSeries& s : curves) {
    from = std::fmin(from, s.x0);
    to = std::fmax(to, s.x0 + static_cast<double>(s.y.size() - 1) * s.dx);
  }
  long long n = CountOutside(image, c, static_cast<long long>(std::ceil(from)),
                             static_cast<long long>(std::floor(to)));
  char share[32];
  std::snprintf(share, sizeof share, " (%.3g%%)",
                100.0 * static_cast<double>(n) /
                    static_cast<double>(image.width * image.height));
  return std::to_string(n) + (n == 1 ? " pixel" : " pixels") + (n ? share : "");
}

void PlotHistogram(BuiltinContext& cx, Args& a, Variable&) {
  static const char* usage = "PlotHistogram(path, image, table, log)";
  ImageView image;
  bool isSigned;
  if (!Text(usage, a[0]) || !ImageArgument(usage, a[1], &image, &isSigned))
    return;
  if (a.size() == 4 && a[3].type != PV_BOOLEAN) {
    BadArgument(usage, "log: ", a[3], ZE_NOT_BOOLEAN);
    return;
  }
  Plot plot;
  if (!TableCurves(cx.engine, a[2], usage, "argument 3", "", kShades[0],
                   &plot.series))
    return;
  for (PlotSeries& s : plot.series) s.right = true;
  PixelCounts c = CountPixels(image, isSigned);
  plot.notes = {"outside the table:", Outside(image, c, plot.series)};
  long long lo, hi;
  ValueSpan(c, plot.series, &lo, &hi);
  plot.left.integers = true;
  plot.right = OutputAxis();
  PlotFrame f = FrameOf(plot);
  static const char* const kBarLabels[] = {"red pixels", "green pixels",
                                           "blue pixels"};
  std::vector<PlotSeries> bars;
  bool gray = c.counts.size() == 1;
  for (std::size_t k = 0; k < c.counts.size(); ++k) {
    bars.push_back(Bars(c.counts[k], c.first, lo, hi, f.right - f.left,
                        gray ? 0xB0B0B0 : kChannelColours[k], gray ? 1 : 0.4));
    bars.back().label = gray ? "pixels" : kBarLabels[k];
  }
  // Room of a bin, or a hundredth of the axis, at each end: the first and
  // last bins clear of the frame.
  const PlotSeries& b = bars[0];
  double width = static_cast<double>(b.y.size()) * b.dx;
  double gap = std::fmax(b.dx, width / 100);
  ValueAxis x = AxisOf(a[1], image.depth);
  plot.x.lo = x(b.x0 - gap);
  plot.x.hi = x(b.x0 + width + gap);
  plot.x.label = x.label;
  plot.x.integers =
      x.slope == std::floor(x.slope) && x.intercept == std::floor(x.intercept);
  double most = 1;
  for (const PlotSeries& s : bars)
    for (double y : s.y) most = std::fmax(most, y);
  bool log = a.size() == 4 && a[3].GetBoolean();
  plot.left.log = log;
  plot.left.lo = log ? 0.5 : 0;
  plot.left.hi = log ? most * 2 : most * 1.05;
  long long binWidth = static_cast<long long>(b.dx);
  plot.left.label =
      std::string(log ? "count (log)" : "count") +
      (binWidth > 1 ? " per " + std::to_string(binWidth) +
                          (x.slope == 1 ? " values" : " stored values")
                    : "");
  plot.series.insert(plot.series.begin(), bars.begin(), bars.end());
  for (PlotSeries& s : plot.series) {
    s.x0 = x(s.x0);
    s.dx *= x.slope;
  }
  Write(Bytes(a[0]), plot);
}

}  // namespace

const Builtin kPlotBuiltins[] = {
    {"Histogram", 1, 1, Histogram, "Histogram(image)", false},
    {"PlotTable", 2, -1, PlotTable, "PlotTable(path, table... [, [from, to]])",
     true},
    {"PlotHistogram", 3, 4, PlotHistogram,
     "PlotHistogram(path, image, table, log)", true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
