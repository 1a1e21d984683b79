// The display facts of a DICOM image's data set (display_facts.cpp).
#ifndef ZORL_DECODER_DISPLAY_FACTS_H
#define ZORL_DECODER_DISPLAY_FACTS_H

#include <gdcmDataSet.h>

#include <vector>

#include "images/display_facts.h"

namespace zorl {

// Fills facts from the data set: the windows' centres and widths as given
// (empty when absent or not numbers), the rest read here.
void CollectDisplayFacts(const gdcm::DataSet& ds, bool isSigned,
                         const std::vector<double>& centers,
                         const std::vector<double>& widths,
                         DisplayFacts* facts);

}  // namespace zorl

#endif
