// Makes the demo's sample pictures: a synthetic CT slice of a chest, with
// air, fat, soft tissue, lungs and bone, stored the way CT scanners store
// it (Hounsfield units + 1024, 12 bits in 16-bit pixels).
//
//   make_phantom DIR    writes DIR/phantom16.pgm (16-bit) and
//                       DIR/phantom8.pgm (8-bit, soft-tissue window)
//
// The pictures are the same on every run: the noise comes from a fixed
// pseudo-random sequence.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kWidth = 240, kHeight = 160;

struct Shape {
  double cx, cy, rx, ry;  // centre and radii, in units of half the height
  double hu;              // what lies inside
};

// Later shapes lie on top of earlier ones.
const Shape kShapes[] = {
    {0.00, 0.00, 1.35, 0.92, -100},    // body with its layer of fat
    {0.00, 0.00, 1.25, 0.82, 40},      // muscle and organs
    {-0.55, -0.05, 0.42, 0.58, -820},  // lungs
    {0.55, -0.05, 0.42, 0.58, -820},  {0.12, 0.10, 0.30, 0.28, 50},  // heart
    {0.00, 0.62, 0.15, 0.13, 700},                                   // vertebra
    {0.00, 0.62, 0.07, 0.06, 250},   // its marrow
    {0.00, -0.66, 0.10, 0.06, 650},  // sternum
    {-0.14, 0.40, 0.07, 0.07, 200},  // aorta with contrast
};

double Hounsfield(double x, double y) {
  double hu = -1000;  // air
  for (const Shape& s : kShapes) {
    double dx = (x - s.cx) / s.rx, dy = (y - s.cy) / s.ry;
    if (dx * dx + dy * dy <= 1) hu = s.hu;
  }
  // Ribs: small rounds of bone along the inside of the body's outline.
  for (int i = 0; i < 14; ++i) {
    double a = 3.14159265 * (i + 0.5) / 14 * 2;
    double rx = std::cos(a) * 1.18, ry = std::sin(a) * 0.76;
    if (std::fabs(ry) > 0.7 && ry > 0) continue;  // none over the spine
    double dx = x - rx, dy = y - ry;
    if (dx * dx + dy * dy <= 0.06 * 0.06) hu = 900;
  }
  return hu;
}

bool Write(const std::string& path, int maxval,
           const std::vector<std::uint16_t>& v) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P5\n%d %d\n%d\n", kWidth, kHeight, maxval);
  for (std::uint16_t p : v) {
    if (maxval > 255) std::fputc(p >> 8, f);
    std::fputc(p & 0xFF, f);
  }
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_phantom DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  std::vector<std::uint16_t> ct, gray;
  std::uint32_t seed = 12345;
  for (int row = 0; row < kHeight; ++row) {
    for (int col = 0; col < kWidth; ++col) {
      double x = (col - kWidth / 2.0 + 0.5) / (kHeight / 2.0);
      double y = (row - kHeight / 2.0 + 0.5) / (kHeight / 2.0);
      seed = seed * 1664525u + 1013904223u;
      double noise = static_cast<double>(seed >> 24) / 255.0 * 16 - 8;
      double hu = Hounsfield(x, y) + noise;
      long stored = std::lround(hu + 1024);
      stored = stored < 0 ? 0 : stored > 4095 ? 4095 : stored;
      ct.push_back(static_cast<std::uint16_t>(stored));
      // The soft-tissue window: level 40, width 400.
      double g = (hu - (40 - 200)) * 255.0 / 400.0;
      g = g < 0 ? 0 : g > 255 ? 255 : g;
      gray.push_back(static_cast<std::uint16_t>(std::lround(g)));
    }
  }
  if (!Write(dir + "/phantom16.pgm", 4095, ct) ||
      !Write(dir + "/phantom8.pgm", 255, gray)) {
    std::perror(dir.c_str());
    return 1;
  }
  std::printf("wrote %s/phantom16.pgm and %s/phantom8.pgm\n", dir.c_str(),
              dir.c_str());
  return 0;
}
