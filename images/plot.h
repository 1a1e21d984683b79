// Pictures of numbers: curves and bars over axes with ticks, labels and a
// legend, drawn with cairo and written as image files. What the numbers
// mean is the caller's business.
#ifndef ZORL_IMAGES_PLOT_H
#define ZORL_IMAGES_PLOT_H

#include <string>
#include <vector>

#include "images/formats.h"

namespace zorl {

// One row of numbers: value i is drawn at x = x0 + i * dx.
struct PlotSeries {
  enum Style { kLine, kDashed, kBars };
  std::string label;  // the legend's text; empty: not in the legend
  double x0 = 0, dx = 1;
  std::vector<double> y;  // NaN: no value there (a gap in a curve)
  unsigned rgb = 0;       // 0xRRGGBB
  double alpha = 1;       // opacity of bars
  Style style = kLine;    // a bar spans x to x + dx, from the axis up to y
  bool right = false;     // measured on the right-hand axis
};

struct PlotAxis {
  double lo = 0, hi = 1;  // the ends of the axis
  std::string label;
  bool log = false;       // a logarithmic scale (lo > 0)
  bool integers = false;  // ticks at whole numbers only
};

struct Plot {
  int width = 880, height = 500;
  PlotAxis x, left, right;  // right is drawn when a series uses it
  std::vector<PlotSeries> series;
  std::vector<std::string> notes;  // lines of the legend after the series'
};

// The plotting area, in pixels: curves, bars and grid lines are drawn
// inside it and every text outside, so that its pixels do not depend on
// the fonts a machine has.
struct PlotFrame {
  int left, top, right, bottom;
};
PlotFrame FrameOf(const Plot& plot);

// The picture as depth 3 pixels (blue, green, red). On failure: false and
// what is wrong.
bool RenderPlot(const Plot& plot, ImageData* image, std::string* error);
// The picture as an image file in the format that the name gives (.png,
// .ppm), written whole or not at all.
bool WritePlot(const std::string& path, const Plot& plot, std::string* error);

}  // namespace zorl

#endif
