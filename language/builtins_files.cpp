// The built-ins of plain files: ReadFile and WriteFile.
#include <cstdio>
#include <utility>

#include "engine/whole_file.h"
#include "language/builtin_args.h"

namespace zorl {

namespace {

void ReadFile(BuiltinContext&, Args& a, Variable& r) {
  if (!Text("ReadFile(path)", a[0])) return;
  const std::string& path = Bytes(a[0]);
  ZeroedBytes bytes;
  std::string problem;
  if (!ReadWholeFile(path, MaxBytes(), &bytes, &problem)) {
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
  std::string problem;
  auto fill = [&bytes](std::FILE* f, std::string*) {
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  };
  if (!WriteWholeFile(path, fill, &problem)) RaiseFile(path, problem);
}

}  // namespace

const Builtin kFileBuiltins[] = {
    {"ReadFile", 1, 1, ReadFile, "ReadFile(path)", true},
    {"WriteFile", 2, 2, WriteFile, "WriteFile(path, s)", true},
    {nullptr, 0, 0, nullptr, nullptr, false},
};

}  // namespace zorl
