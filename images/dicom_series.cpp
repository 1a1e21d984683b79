// A folder of DICOM slices as a series: the files that look like DICOM,
// put in order by the decoder process (the library reads each of them).
#include "images/dicom_series.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/whole_file.h"
#include "images/decoder_client.h"
#include "images/dicom.h"

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// Whether a path is a regular file that looks like DICOM; its size then.
bool IsDicomFile(const std::string& path, long long* size) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(
      std::fopen(path.c_str(), "rb"), std::fclose);
  if (!f) return false;
  unsigned char head[132];
  std::size_t n = std::fread(head, 1, sizeof head, f.get());
  *size = static_cast<long long>(st.st_size);
  return LooksLikeDicom(head, n);
}

// The decoder's order of the files.
bool SortByDecoder(const std::vector<std::string>& files, long long bytes,
                   std::vector<std::string>* paths, std::string* error) {
  std::string names;
  for (const std::string& f : files) names += f + '\0';
  int list = SharedFileOf(names);
  if (list < 0) return Fail(error, std::strerror(errno));
  Fields request, reply;
  request.Set("job", "series");
  int sorted = -1;
  bool ran = RunDecoder(request, list, bytes, &reply, &sorted, error);
  close(list);
  ZeroedBytes got;
  bool taken =
      ran && !reply.Has("error") &&
      TakeDecodedBytes(sorted, static_cast<std::size_t>(reply.Whole("bytes")),
                       &got);
  if (sorted >= 0) close(sorted);
  if (!ran) return false;
  if (!taken)
    return Fail(error, reply.Has("error") ? reply.Text("error")
                                          : "the DICOM decoder gave no order");
  paths->clear();
  for (std::size_t at2 = 0; at2 < got.size();) {
    const char* name = got.data() + at2;
    std::size_t n = strnlen(name, got.size() - at2);
    paths->emplace_back(name, n);
    at2 += n + 1;
  }
  // The order holds the same files, each once.
  std::vector<std::string> a = *paths, b = files;
  std::sort(a.begin(), a.end());
  if (a != b)
    return Fail(error, "the DICOM decoder gave another list of files");
  return true;
}

}  // namespace

bool ListDicomSeries(const std::string& folder, std::size_t most,
                     std::vector<std::string>* paths, std::string* error) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return Fail(error, FileReason(errno));
  std::vector<std::string> files;
  long long bytes = 0;
  std::string base =
      folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (dirent* e = readdir(dir.get())) {
    if (e->d_name[0] == '.') continue;
    std::string path = base + e->d_name;
    long long size = 0;
    if (!IsDicomFile(path, &size)) continue;
    if (files.size() == most)
      return Fail(error, "more than " + std::to_string(most) + " DICOM files");
    files.push_back(path);
    bytes += size;
  }
  std::sort(files.begin(), files.end());
  paths->clear();
  if (files.size() < 2) {
    *paths = files;
    return true;
  }
  return SortByDecoder(files, bytes, paths, error);
}

}  // namespace zorl
