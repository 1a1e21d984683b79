// The display of a scan's gray values (builtins_display.cpp): the members
// that ReadImage gives an Image read from a DICOM file.
#ifndef ZORL_LANGUAGE_BUILTINS_DISPLAY_H
#define ZORL_LANGUAGE_BUILTINS_DISPLAY_H

#include <string>

#include "engine/store.h"
#include "images/display_facts.h"

namespace zorl {

// Sets an Image's members of what its file says about its display
// (WindowCenters, VoiLuts, ...) and keeps the file's name and tables with
// it for DisplayTable.
void AddDisplayMembers(const std::string& path, const DisplayFacts& facts,
                       Variable& image);

}  // namespace zorl

#endif
