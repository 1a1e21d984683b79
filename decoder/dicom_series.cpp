// A series of DICOM slices put in order, in the decoder process: by
// position along the slices' common normal when every slice has one (the
// library's position sorter), else by instance number.
#include <gdcmDataSet.h>
#include <gdcmIPPSorter.h>
#include <gdcmSorter.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "decoder/allocation.h"
#include "decoder/file_view.h"
#include "decoder/jobs.h"

namespace zorl {

namespace {

// Instance Number (0020,0013) as a number; files without one sort last.
double InstanceNumber(const gdcm::DataSet& ds) {
  const gdcm::Tag tag(0x0020, 0x0013);
  const gdcm::ByteValue* bv =
      ds.FindDataElement(tag) ? ds.GetDataElement(tag).GetByteValue() : nullptr;
  if (!bv || bv->GetLength() == 0) return 1e300;
  std::string text(bv->GetPointer(), bv->GetLength());
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? 1e300 : v;
}

bool ByInstanceNumber(const gdcm::DataSet& a, const gdcm::DataSet& b) {
  return InstanceNumber(a) < InstanceNumber(b);
}

bool Sorted(const std::vector<std::string>& files,
            std::vector<std::string>* order) {
  gdcm::IPPSorter byPosition;
  byPosition.SetComputeZSpacing(false);
  if (byPosition.Sort(files)) {
    *order = byPosition.GetFilenames();
    return true;
  }
  gdcm::Sorter byNumber;
  byNumber.SetSortFunction(ByInstanceNumber);
  if (byNumber.StableSort(files)) {
    *order = byNumber.GetFilenames();
    return true;
  }
  return false;
}

}  // namespace

void SortSeries(const Fields&, int fd, Fields* reply, int* replyFd) {
  FileView list(fd);
  // Each file is read whole, deflated ones too.
  SetAllocationCap(LimitCap());
  std::vector<std::string> files, order;
  for (std::size_t at = 0; at < list.size();) {
    const char* name = list.data() + at;
    std::size_t n = strnlen(name, list.size() - at);
    files.emplace_back(name, n);
    at += n + 1;
  }
  if (!Sorted(files, &order) || order.size() != files.size()) {
    reply->Set("error",
               "the DICOM library cannot read every file of the series");
    return;
  }
  std::string names;
  for (const std::string& f : order) names += f + '\0';
  if (!ReplyBytes(names.data(), names.size(), reply, replyFd))
    throw std::bad_alloc();
}

}  // namespace zorl
