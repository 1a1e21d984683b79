// The pages of a TIFF: where each one's directory is, found by following the
// chain of directories from the header without reading them, and
// remembered for the last stacks read so that reading one page by page
// follows its chain once.
#ifndef ZORL_IMAGES_TIFF_PAGES_H
#define ZORL_IMAGES_TIFF_PAGES_H

#include <cstdint>
#include <string>

namespace zorl {

// Pages beyond this many are refused.
constexpr long long kMostTiffPages = 1 << 20;

// The number of pages of the TIFF open as fd, and where the directory of
// page number page (from 0) is when there is one. A chain that loops,
// leaves the file or is longer than kMostTiffPages is refused: false and
// what is wrong.
bool TiffPage(int fd, long long page, long long* pages, std::uint64_t* offset,
              std::string* error);

}  // namespace zorl

#endif
