// Fuzzes the reading of DICOM files, as scripts reach it: the input is a
// file's bytes, read with ReadImage and ReadPalette, through the decoder
// process. Any input must end in an image of exactly its size or in one
// error naming the file; when the decoder itself failed, a good file read
// right after must come back whole. Seeded with the DICOM files of pydicom's
// test data (scripts/fuzz.sh); the TIFF and JPEG seeds among the committed
// ones reach those readers, which run in this process.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/engine.h"
#include "language/interpreter.h"

namespace {

zorl::Engine* g_engine = nullptr;
int g_file = -1;

// Runs a script; its standard output.
std::string Run(const std::string& script, std::string* errors) {
  std::istringstream in(script);
  std::ostringstream out, err;
  zorl::Interpreter interpreter(*g_engine, out, err, true);
  interpreter.SetStepLimit(1000);
  interpreter.Run("fuzz.zs", in, true);
  *errors = err.str();
  return out.str();
}

void Check(bool ok, const char* what, const std::string& detail) {
  if (ok) return;
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_engine = new zorl::Engine;
  zorl::SetAllocationLimits(64 << 20, 1 << 20);
  zorl::SetDebugSink([](const std::string&) {});
  g_file = memfd_create("fuzz.dcm", 0);
  if (g_file < 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (ftruncate(g_file, 0) != 0 ||
      pwrite(g_file, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  const std::string path = "/proc/self/fd/" + std::to_string(g_file);
  std::string errors;
  // Every read either holds its size or fails with one error naming it.
  // Each read in a run of its own, its check on the line after it (which
  // fails too when the read failed).
  std::string out =
      Run("i = ReadImage(\"" + path +
              "\")\n"
              "print(len(i.Pixels) == i.Width * i.Height * i.Depth)\n",
          &errors);
  std::string more;
  out += Run("p = ReadPalette(\"" + path +
                 "\")\n"
                 "print(len(p[0]) == len(p[1]) and len(p[0]) == len(p[2]))\n",
             &more);
  errors += more;
  Check(out.find("false") == std::string::npos, "a read of the wrong size",
        out);
  std::istringstream lines(errors);
  for (std::string line; std::getline(lines, line);)
    Check(line.rfind("fuzz.zs:1:", 0) != 0 ||
              line.find(path) != std::string::npos,
          "an error that does not name the file", errors);
  // After a failure of the decoder itself, its replacement reads a good
  // file whole.
  if (errors.find("the DICOM decoder") != std::string::npos) {
    out = Run("g = ReadImage(\"" DICOM_GOOD_FILE "\")\nprint(len(g.Pixels))\n",
              &errors);
    Check(out == "32768\n", "a good file read badly after the input",
          out + errors);
  }
  g_engine->TakeErrors();
  zorl::TakeDebugOutput();
  return 0;
}
