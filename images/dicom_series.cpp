// A folder of DICOM slices as a series, in the order the DICOM library
// sorts them: by position along the slices' common normal when every slice
// has one (the library's position sorter), else by instance number.
#include "images/dicom_series.h"

#include <dirent.h>
#include <gdcmDataSet.h>
#include <gdcmIPPSorter.h>
#include <gdcmSorter.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include "images/dicom.h"
#include "images/dicom_library.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool IsDicomFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
      std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return false;
  unsigned char head[132];
  std::size_t n = std::fread(head, 1, sizeof head, f.get());
  return LooksLikeDicom(head, n);
}

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

}  // namespace

bool ListDicomSeries(const std::string& folder, std::size_t most,
                     std::vector<std::string>* paths, std::string* error) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return Fail(error, std::strerror(errno));
  std::vector<std::string> files;
  std::string base =
      folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (dirent* e = readdir(dir.get())) {
    if (e->d_name[0] == '.') continue;
    std::string path = base + e->d_name;
    if (!IsDicomFile(path)) continue;
    if (files.size() == most)
      return Fail(error, "more than " + std::to_string(most) + " DICOM files");
    files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  paths->clear();
  if (files.size() < 2) {
    *paths = files;
    return true;
  }
  Warnings().str("");
  StderrShut shut;
  try {
    gdcm::IPPSorter byPosition;
    byPosition.SetComputeZSpacing(false);
    if (byPosition.Sort(files)) {
      *paths = byPosition.GetFilenames();
      return true;
    }
    gdcm::Sorter byNumber;
    byNumber.SetSortFunction(ByInstanceNumber);
    if (byNumber.StableSort(files)) {
      *paths = byNumber.GetFilenames();
      return true;
    }
  } catch (const std::exception& e) {
    return Fail(error, std::string("malformed DICOM file: ") + e.what());
  }
  return Fail(error, "the DICOM library cannot read every file of the series");
}

}  // namespace zorl
