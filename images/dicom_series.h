// A folder of DICOM slices as a series.
#ifndef ZORL_IMAGES_DICOM_SERIES_H
#define ZORL_IMAGES_DICOM_SERIES_H

#include <cstddef>
#include <string>
#include <vector>

namespace zorl {

// The DICOM files of a folder (not its subfolders; other files are left
// out), in the order of their slices: by position along their common normal
// when every slice gives one, else by instance number. At most `most`
// files. On failure: false and what is wrong (the caller names the folder).
bool ListDicomSeries(const std::string& folder, std::size_t most,
                     std::vector<std::string>* paths, std::string* error);

}  // namespace zorl

#endif
