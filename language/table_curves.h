// The transfer curves of the module's table objects, read as a script reads
// them (GetTable, BaseLine), to be drawn by images/plot.h.
//
// x is the input value: for a LUT2, LUT3 or LUTC3 entry j stands for
// j - BaseLine, the pixel value that reads it. A LUT3's gray table and
// every LUTC3 table are indexed by the sum of a colour's components; their
// entry j is drawn at j / 3 - BaseLine, where the gray value j / 3 reads
// it. The output is 0 to 255. A LUTC3 entry is a colour or a gray level:
// its red, green and blue curves show the colour entries and its gray
// curve the gray entries, each with gaps where the others are.
#ifndef ZORL_LANGUAGE_TABLE_CURVES_H
#define ZORL_LANGUAGE_TABLE_CURVES_H

#include <string>
#include <vector>

#include "engine/engine.h"
#include "images/plot.h"

namespace zorl {

// The colours of red, green and blue.
extern const unsigned kChannelColours[3];

// Appends the curves of a LUT1, LUT2, LUT3 or LUTC3 to curves, their
// legend texts beginning with prefix; single-channel tables take the
// colour `shade`. Anything else, or a table without entries, raises an
// error naming usage and what (such as "argument 2"); false then.
bool TableCurves(Engine& engine, Variable& table, const char* usage,
                 const std::string& what, const std::string& prefix,
                 unsigned shade, std::vector<PlotSeries>* curves);

// The span of x over which the curves' values change (from the last input
// before a change to the first after it); false when no curve changes.
bool ChangingSpan(const std::vector<PlotSeries>& curves, double* lo,
                  double* hi);

}  // namespace zorl

#endif
