// The built-ins of plain files: ReadFile and WriteFile.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "language/builtin_args.h"

namespace zorl {

namespace {

void ReadFile(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("ReadFile(path)", a[0])) return;
  const std::string& path = Bytes(a[0]);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    RaiseFile(path, std::strerror(errno));
    return;
  }
  struct stat st;
  std::string problem;
  if (fstat(fileno(f), &st) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    problem = "not a regular file";
  } else if (st.st_size > MaxBytes()) {
    problem = "more than " + std::to_string(MaxBytes()) + " bytes";
  }
  std::string bytes;
  if (problem.empty()) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    if (std::fread(&bytes[0], 1, bytes.size(), f) != bytes.size())
      problem = "cannot be read";
  }
  std::fclose(f);
  if (!problem.empty()) {
    RaiseFile(path, problem);
    return;
  }
  r = TakeString(std::move(bytes));
}

void WriteFile(BuiltinContext&, Args& a, Variable&) {
  if (!Text("WriteFile(path, s)", a[0]) || !Text("WriteFile(path, s)", a[1]))
    return;
  const std::string& path = Bytes(a[0]);
  const ZeroedBytes& bytes = Store(a[1]);
  std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    RaiseFile(path, std::strerror(errno));
    return;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    RaiseFile(path, std::strerror(errno));
    std::remove(temp.c_str());
  }
}

}  // namespace

const Builtin kFileBuiltins[] = {
    {"ReadFile", 1, 1, ReadFile, "ReadFile(path)", true},
    {"WriteFile", 2, 2, WriteFile, "WriteFile(path, s)", true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
