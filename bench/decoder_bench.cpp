// What reading a DICOM slice through the decoder process costs over reading
// it in process: a 512 x 512 slice of 16-bit samples (written by the
// benchmark with the DICOM library) read by a script's ReadImage, and the
// same file parsed and decoded by the library in this process, as the
// engine did before the decoder took the library's work.
#include <benchmark/benchmark.h>
#include <gdcmImageReader.h>
#include <gdcmImageWriter.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "language/interpreter.h"

namespace {

// A 512 x 512 CT-like slice, uncompressed explicit little endian, written
// once and removed at exit.
struct Removed {
  std::string path;
  ~Removed() {
    if (!path.empty()) unlink(path.c_str());
  }
};

const std::string& SlicePath() {
  static const Removed slice{[] {
    std::string p =
        "/tmp/zorl-bench-slice-" + std::to_string(getpid()) + ".dcm";
    gdcm::ImageWriter writer;
    gdcm::Image& image = writer.GetImage();
    image.SetNumberOfDimensions(2);
    const unsigned dims[2] = {512, 512};
    image.SetDimensions(dims);
    image.SetPixelFormat(gdcm::PixelFormat(gdcm::PixelFormat::INT16));
    image.SetPhotometricInterpretation(
        gdcm::PhotometricInterpretation::MONOCHROME2);
    image.SetTransferSyntax(gdcm::TransferSyntax::ExplicitVRLittleEndian);
    std::vector<char> pixels(512 * 512 * 2);
    for (std::size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<char>(i * 7 + i / 1024);
    gdcm::DataElement data(gdcm::Tag(0x7FE0, 0x0010));
    data.SetByteValue(pixels.data(), static_cast<uint32_t>(pixels.size()));
    image.SetDataElement(data);
    writer.SetFileName(p.c_str());
    if (!writer.Write()) p.clear();
    return p;
  }()};
  return slice.path;
}

void BM_ReadSliceInProcess(benchmark::State& state) {
  if (SlicePath().empty()) return state.SkipWithError("no slice written");
  for (auto _ : state) {
    gdcm::ImageReader reader;
    reader.SetFileName(SlicePath().c_str());
    if (!reader.Read()) return state.SkipWithError("not read");
    const gdcm::Image& img = reader.GetImage();
    std::vector<char> all(img.GetBufferLength());
    img.GetBuffer(all.data());
    std::string pixels(all.size(), '\0');  // the engine's String
    std::memcpy(&pixels[0], all.data(), all.size());
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ReadSliceInProcess)->Unit(benchmark::kMicrosecond);

void BM_ReadSliceThroughDecoder(benchmark::State& state) {
  if (SlicePath().empty()) return state.SkipWithError("no slice written");
  zorl::Engine engine;
  const std::string script = "i = ReadImage(\"" + SlicePath() + "\")\n";
  for (auto _ : state) {
    std::ostringstream out, err;
    zorl::Interpreter interpreter(engine, out, err, false);
    std::istringstream in(script);
    if (interpreter.Run("bench.zs", in, true) != 0)
      return state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_ReadSliceThroughDecoder)->Unit(benchmark::kMicrosecond);

}  // namespace
