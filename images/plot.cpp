// Drawing plots with cairo: a white page, grid lines, bars and curves
// clipped to the plotting area, then the frame, ticks, labels and a legend
// in the margins. Without cairo (a build with ZORL_PLOTS off) every plot is
// refused.
#include "images/plot.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "images/image_files.h"

#ifdef ZORL_PLOTS
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#endif

namespace zorl {

namespace {

// Fixed margins, so that the plotting area does not move with the texts.
constexpr int kLeftMargin = 72, kTopMargin = 16, kBottomMargin = 48,
              kRightMargin = 20, kRightAxis = 56, kLegend = 180;

bool UsesRight(const Plot& plot) {
  for (const PlotSeries& s : plot.series)
    if (s.right) return true;
  return false;
}

}  // namespace

PlotFrame FrameOf(const Plot& plot) {
  int right =
      plot.width - kRightMargin - kLegend - (UsesRight(plot) ? kRightAxis : 0);
  return PlotFrame{kLeftMargin, kTopMargin, right, plot.height - kBottomMargin};
}

#ifdef ZORL_PLOTS

namespace {

struct CairoDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
typedef std::unique_ptr<cairo_surface_t, CairoDeleter> Surface;
typedef std::unique_ptr<cairo_t, CairoDeleter> Context;

void SetColour(cairo_t* cr, unsigned rgb, double alpha = 1) {
  cairo_set_source_rgba(cr, (rgb >> 16 & 255) / 255.0, (rgb >> 8 & 255) / 255.0,
                        (rgb & 255) / 255.0, alpha);
}

// Maps an axis onto a span of pixels (from a to b).
class Scale {
 public:
  Scale(const PlotAxis& axis, double a, double b) : log_(axis.log), a_(a) {
    lo_ = Value(axis.lo);
    double hi = Value(axis.hi);
    per_ = (b - a) / (hi > lo_ ? hi - lo_ : 1);
  }
  // NaN for a value that has no place on the axis (0 on a log axis).
  double operator()(double v) const { return a_ + (Value(v) - lo_) * per_; }

 private:
  double Value(double v) const {
    return log_ ? (v > 0 ? std::log10(v) : NAN) : v;
  }
  bool log_;
  double a_, lo_, per_;
};

// Tick values: 1, 2 or 5 times a power of ten, some 8 along the axis;
// powers of ten on a log axis.
std::vector<double> Ticks(const PlotAxis& axis) {
  std::vector<double> ticks;
  if (axis.log) {
    for (double p = std::ceil(std::log10(axis.lo));
         p <= std::log10(axis.hi) + 1e-9; ++p)
      ticks.push_back(std::pow(10.0, p));
    return ticks;
  }
  double raw = (axis.hi - axis.lo) / 8;
  if (!(raw > 0)) return ticks;
  double mag = std::pow(10.0, std::floor(std::log10(raw)));
  double norm = raw / mag;
  double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10) * mag;
  if (axis.integers) step = std::fmax(step, 1);
  for (double t = std::ceil(axis.lo / step) * step; t <= axis.hi + step * 1e-9;
       t += step)
    ticks.push_back(std::fabs(t) < step * 1e-9 ? 0 : t);
  return ticks;
}

std::string TickText(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// Text whose reference point (0 to 1 of its width and height) lies at x, y.
void Text(cairo_t* cr, const std::string& s, double x, double y, double ax,
          double ay, bool vertical = false) {
  cairo_text_extents_t e;
  cairo_text_extents(cr, s.c_str(), &e);
  cairo_save(cr);
  cairo_translate(cr, x, y);
  if (vertical) cairo_rotate(cr, -std::acos(0.0));  // a quarter turn
  cairo_move_to(cr, -e.x_bearing - ax * e.width, -e.y_bearing - ay * e.height);
  cairo_show_text(cr, s.c_str());
  cairo_restore(cr);
}

void DrawSeries(cairo_t* cr, const PlotSeries& s, const Scale& x,
                const Scale& y, double base) {
  if (s.style == PlotSeries::kBars) {
    for (std::size_t i = 0; i < s.y.size(); ++i) {
      double top = y(s.y[i]);
      if (!(s.y[i] > 0) || std::isnan(top)) continue;
      double x0 = x(s.x0 + static_cast<double>(i) * s.dx),
             x1 = x(s.x0 + static_cast<double>(i + 1) * s.dx);
      cairo_rectangle(cr, x0, top, x1 - x0, base - top);
    }
    SetColour(cr, s.rgb, s.alpha);
    cairo_fill(cr);
    return;
  }
  bool open = false;
  for (std::size_t i = 0; i < s.y.size(); ++i) {
    double px = x(s.x0 + static_cast<double>(i) * s.dx), py = y(s.y[i]);
    if (std::isnan(py)) {
      open = false;
      continue;
    }
    if (open)
      cairo_line_to(cr, px, py);
    else
      cairo_move_to(cr, px, py);
    open = true;
  }
  static const double kDash[] = {6, 4};
  cairo_set_dash(cr, kDash, s.style == PlotSeries::kDashed ? 2 : 0, 0);
  cairo_set_line_width(cr, 1.5);
  SetColour(cr, s.rgb);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

// The part of a series over the x axis, and one value more at each end so
// that a curve runs on to the frame (a curve drawn whole, far longer than
// the axis, would pass the coordinates that cairo holds).
PlotSeries Visible(const PlotSeries& s, const PlotAxis& x) {
  if (!(s.dx > 0) || s.y.empty()) return s;
  double n = static_cast<double>(s.y.size());
  double from = std::fmax(0, std::floor((x.lo - s.x0) / s.dx) - 1);
  double to = std::fmin(n - 1, std::ceil((x.hi - s.x0) / s.dx) + 1);
  PlotSeries v = s;
  v.y.clear();
  if (from > to) return v;
  v.y.assign(s.y.begin() + static_cast<std::ptrdiff_t>(from),
             s.y.begin() + static_cast<std::ptrdiff_t>(to) + 1);
  v.x0 = s.x0 + from * s.dx;
  return v;
}

void DrawAxes(cairo_t* cr, const Plot& plot, const PlotFrame& f, bool right) {
  Scale x(plot.x, f.left, f.right), yl(plot.left, f.bottom, f.top),
      yr(plot.right, f.bottom, f.top);
  cairo_set_line_width(cr, 1);
  SetColour(cr, 0x000000);
  cairo_rectangle(cr, f.left + 0.5, f.top + 0.5, f.right - f.left - 1,
                  f.bottom - f.top - 1);
  cairo_stroke(cr);
  for (double t : Ticks(plot.x)) {
    double px = std::floor(x(t)) + 0.5;
    cairo_move_to(cr, px, f.bottom);
    cairo_line_to(cr, px, f.bottom + 5);
    Text(cr, TickText(t), px, f.bottom + 8, 0.5, 0);
  }
  for (double t : Ticks(plot.left)) {
    double py = std::floor(yl(t)) + 0.5;
    cairo_move_to(cr, f.left - 5, py);
    cairo_line_to(cr, f.left, py);
    Text(cr, TickText(t), f.left - 8, py, 1, 0.5);
  }
  for (double t : right ? Ticks(plot.right) : std::vector<double>()) {
    double py = std::floor(yr(t)) + 0.5;
    cairo_move_to(cr, f.right, py);
    cairo_line_to(cr, f.right + 5, py);
    Text(cr, TickText(t), f.right + 8, py, 0, 0.5);
  }
  cairo_stroke(cr);
  Text(cr, plot.x.label, (f.left + f.right) / 2.0, plot.height - 6, 0.5, 1);
  Text(cr, plot.left.label, 6, (f.top + f.bottom) / 2.0, 0.5, 0, true);
  if (right)
    Text(cr, plot.right.label, f.right + kRightAxis - 2,
         (f.top + f.bottom) / 2.0, 0.5, 1, true);
}

void DrawLegend(cairo_t* cr, const Plot& plot, int x) {
  double y = kTopMargin + 10;
  for (const PlotSeries& s : plot.series) {
    if (s.label.empty()) continue;
    if (s.style == PlotSeries::kBars) {
      cairo_rectangle(cr, x, y - 5, 24, 10);
      SetColour(cr, s.rgb, s.alpha);
      cairo_fill(cr);
    } else {
      PlotSeries sample = s;
      sample.x0 = x;
      sample.dx = 24;
      sample.y = {y, y};
      PlotAxis same;
      same.hi = 1;
      DrawSeries(cr, sample, Scale(same, 0, 1), Scale(same, 0, 1), 0);
    }
    SetColour(cr, 0x000000);
    Text(cr, s.label, x + 30, y, 0, 0.5);
    y += 20;
  }
  for (const std::string& note : plot.notes) {
    Text(cr, note, x, y, 0, 0.5);
    y += 20;
  }
}

// cairo and fontconfig keep the fonts they load for the life of the
// process; the first plot has them released at its end, so that leak
// checkers find nothing left behind.
struct FontCaches {
  ~FontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

}  // namespace

bool RenderPlot(const Plot& plot, ImageData* image, std::string* error) {
  static FontCaches caches;
  Surface surface(
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, plot.width, plot.height));
  Context context(cairo_create(surface.get()));
  cairo_t* cr = context.get();
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    *error =
        std::string("cannot draw: ") + cairo_status_to_string(cairo_status(cr));
    return false;
  }
  SetColour(cr, 0xFFFFFF);
  cairo_paint(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 12);

  PlotFrame f = FrameOf(plot);
  bool right = UsesRight(plot);
  Scale x(plot.x, f.left, f.right), yl(plot.left, f.bottom, f.top),
      yr(plot.right, f.bottom, f.top);
  cairo_save(cr);
  cairo_rectangle(cr, f.left, f.top, f.right - f.left, f.bottom - f.top);
  cairo_clip(cr);
  cairo_set_line_width(cr, 1);
  SetColour(cr, 0xE4E4E4);
  for (double t : Ticks(plot.x)) {
    cairo_move_to(cr, std::floor(x(t)) + 0.5, f.top);
    cairo_line_to(cr, std::floor(x(t)) + 0.5, f.bottom);
  }
  for (double t : Ticks(plot.left)) {
    cairo_move_to(cr, f.left, std::floor(yl(t)) + 0.5);
    cairo_line_to(cr, f.right, std::floor(yl(t)) + 0.5);
  }
  cairo_stroke(cr);
  for (int pass = 0; pass < 2; ++pass)  // bars first, curves over them
    for (const PlotSeries& s : plot.series)
      if ((s.style == PlotSeries::kBars) == (pass == 0))
        DrawSeries(cr, Visible(s, plot.x), x, s.right ? yr : yl, f.bottom);
  cairo_restore(cr);
  DrawAxes(cr, plot, f, right);
  DrawLegend(cr, plot, plot.width - kLegend);

  cairo_surface_flush(surface.get());
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    *error =
        std::string("cannot draw: ") + cairo_status_to_string(cairo_status(cr));
    return false;
  }
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  int stride = cairo_image_surface_get_stride(surface.get());
  image->width = plot.width;
  image->height = plot.height;
  image->depth = 3;
  image->pixels.resize(static_cast<std::size_t>(plot.width) * plot.height * 3);
  char* out = &image->pixels[0];
  for (int row = 0; row < plot.height; ++row) {
    const unsigned char* in = data + static_cast<std::ptrdiff_t>(row) * stride;
    for (int col = 0; col < plot.width; ++col, out += 3) {
      std::uint32_t px;  // 0x00RRGGBB in the machine's byte order
      std::memcpy(&px, in + 4 * col, 4);
      out[0] = static_cast<char>(px & 255);
      out[1] = static_cast<char>(px >> 8 & 255);
      out[2] = static_cast<char>(px >> 16 & 255);
    }
  }
  return true;
}

#else

bool RenderPlot(const Plot&, ImageData*, std::string* error) {
  *error = "this zorl was built without plotting (cairo)";
  return false;
}

#endif

bool WritePlot(const std::string& path, const Plot& plot, std::string* error) {
  ImageData image;
  if (!RenderPlot(plot, &image, error)) return false;
  ImageView view{image.width, image.height, image.depth,
                 reinterpret_cast<const unsigned char*>(image.pixels.data())};
  return WriteImageFile(path, view, error);
}

}  // namespace zorl
