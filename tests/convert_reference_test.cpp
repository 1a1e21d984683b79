// Every conversion to 1- and 3-byte output against a plain loop that follows
// the rules pixel by pixel, on random tables, BaseLines and pixels: the
// kernels and the tables made per call must give the same bytes and stop at
// the same pixel with the same text.
#include <cstdio>
#include <random>

#include "tests/harness.h"

namespace {

typedef Conversion Method;

std::string IndexText(long long i, long long index) {
  char text[256];
  std::snprintf(text, sizeof text, "offset = %lld, pixel value = 0x%04x", i,
                static_cast<unsigned>(index));
  return text;
}

std::string BytesText(long long i, const unsigned char* p) {
  char text[256];
  std::snprintf(text, sizeof text,
                "offset = %lld, pixel value = (0x%02x, 0x%02x, 0x%02x)", i,
                p[0], p[1], p[2]);
  return text;
}

// The conversion written out plainly (to 1- and 3-byte output). out starts as
// the destination's bytes; the error text, if a pixel failed, goes to *error.
void Reference(const Method& m, const std::string& table, long long base,
               const std::string& source, std::string* out,
               std::string* error) {
  const unsigned char* tb =
      reinterpret_cast<const unsigned char*>(table.data());
  long long len = static_cast<long long>(table.size());
  long long n = m.lutc3() ? len / 4 : len / 6;
  const unsigned char *red = tb, *green = tb + n, *blue = tb + 2 * n,
                      *gray = tb + 3 * n;
  const unsigned char* s =
      reinterpret_cast<const unsigned char*>(source.data());
  long long c = static_cast<long long>(source.size()) / m.pixelBytes;
  for (long long i = 0; i < c; ++i) {
    const unsigned char* px = s + i * m.pixelBytes;
    long long p = px[0];
    if (m.pixelBytes == 2)
      p = std::string(m.name) == "ConvertU2To3"
              ? (px[0] | px[1] << 8)
              : static_cast<short>(px[0] | px[1] << 8);
    unsigned char o[3];
    if (m.pixelBytes == 3) {
      if (!m.lutc3()) {
        if (px[0] >= n || px[1] >= n || px[2] >= n) {
          *error = BytesText(i, px);
          return;
        }
        o[0] = blue[px[0]];
        o[1] = green[px[1]];
        o[2] = red[px[2]];
        if (m.outBytes == 1) o[0] = (o[0] + o[1] + o[2]) / 3;
      } else {
        long long comp[3] = {px[0] + base, px[1] + base, px[2] + base};
        long long j = comp[0] + comp[1] + comp[2];
        if (j < 0 || j >= n) {
          *error = BytesText(i, px);
          return;
        }
        long long g = gray[j];
        if (m.outBytes == 1) {
          o[0] = g ? g : (red[j] + green[j] + blue[j]) / 3;
        } else if (!g) {
          o[0] = blue[j], o[1] = green[j], o[2] = red[j];
        } else {
          long long r[3], top = 255;
          for (int k = 0; k < 3; ++k) {
            r[k] =
                j == 0 || comp[k] <= 0 ? 0 : (n - 1) * g * comp[k] / (255 * j);
            if (r[k] > top) top = r[k];
          }
          for (int k = 0; k < 3; ++k) o[k] = 255 * r[k] / top;
        }
      }
    } else {
      bool lut3Wraps = !m.lutc3() && m.pixelBytes == 1 && m.outBytes == 1;
      long long k =
          lut3Wraps ? (p + base) & 0xFF : (m.lutc3() ? 3 : 1) * (p + base);
      if (k < 0 || k >= n) {
        *error = IndexText(i, k);
        return;
      }
      bool grayEntry = m.lutc3() && gray[k];
      o[0] = grayEntry ? gray[k] : blue[k];
      o[1] = grayEntry ? gray[k] : green[k];
      o[2] = grayEntry ? gray[k] : red[k];
      if (m.outBytes == 1 && !grayEntry) o[0] = (o[0] + o[1] + o[2]) / 3;
    }
    for (int b = 0; b < m.outBytes; ++b)
      (*out)[static_cast<std::size_t>(i * m.outBytes + b)] =
          static_cast<char>(o[b]);
  }
}

class ConvertReferenceTest : public PluginTest {};

TEST_F(ConvertReferenceTest, RandomTablesAndPixels) {
  std::vector<const Method*> methods;  // those to 1- and 3-byte output
  for (const Method& m : kConversions)
    if (m.outBytes != 2) methods.push_back(&m);
  std::mt19937 rng(20240601);
  auto below = [&](long long k) {
    return static_cast<long long>(rng() % static_cast<unsigned>(k));
  };
  int stopped = 0, whole = 0;  // the draw must give both kinds of rounds
  for (int round = 0; round < 600; ++round) {
    const Method& m = *methods[round % methods.size()];
    // Tables from empty to beyond 256 entries per channel; BaseLines around
    // 0, sometimes far.
    long long len = below(round % 3 ? (m.lutc3() ? 16000 : 3200) : 40);
    if (round % 5 == 0) len = m.lutc3() ? 4 * 768 : 6 * 256 + below(6);
    std::string table(static_cast<std::size_t>(len), '\0');
    for (char& b : table) b = static_cast<char>(below(3) ? below(256) : 0);
    long long base = round % 4 ? below(41) - 20 : below(700) - 350;
    if (round % 7 == 0) base = 0;
    long long n = m.lutc3() ? len / 4 : len / 6;
    // Mostly pixels whose index is valid, now and then one anywhere.
    long long pixels = below(3000);
    std::string src;
    for (long long i = 0; i < pixels; ++i) {
      long long v = below(n / (m.lutc3() ? 3 : 1) + 1) - base;
      bool wild = round % 2 && below(1500) == 0;
      for (int b = 0; b < m.pixelBytes; ++b) {
        long long byte = wild                ? below(256)
                         : m.pixelBytes == 2 ? v >> (8 * b)
                         : m.pixelBytes == 3 ? (v + below(3) - 1) & 0xFF
                                             : v;
        src.push_back(static_cast<char>(byte));
      }
    }
    src.append(static_cast<std::size_t>(below(m.pixelBytes)), '\x5c');

    Variable t =
        Raw(m.lutc3() ? "LUTC3" : "LUT3", table, static_cast<zlong>(base));
    long long c = static_cast<long long>(src.size()) / m.pixelBytes;
    std::size_t size = static_cast<std::size_t>(
        m.sizedBySource ? static_cast<long long>(src.size()) : c * m.outBytes);
    std::string what = m.Name() + " round " + std::to_string(round);
    // Into a new String, and into one of the right size in place.
    for (char fill : {'\0', '\xaa'}) {
      std::string expected(size, fill), error;
      Reference(m, table, base, src, &expected, &error);
      ++(error.empty() ? whole : stopped);
      Variable dst;
      if (fill) dst = S(std::string(size, fill));
      Errors errors = Convert(t, m.name, dst, S(src));
      EXPECT_EQ(errors, error.empty() ? Errors{} : Errors{PixelError(error)})
          << what;
      EXPECT_EQ(zorl::StringBytes(dst), expected) << what;
    }
  }
  EXPECT_GT(stopped, 150);
  EXPECT_GT(whole, 150);
}

// What the random draw does not reach: an index beyond the host's long is
// shown saturated, never wrapped; a table too large for 64-bit products of
// the rescaling still converts exactly.
TEST_F(ConvertReferenceTest, SaturatedTextsAndLargeTables) {
  Variable t = New("LUTC3");
  SetBaseLine(t, 0x7FFFFFFF);
  EXPECT_EQ(Out(t, "Convert2To1", W({1}),
                {PixelError("offset = 0, pixel value = 0x7fffffff")}),
            B({0}));

  const Method& m = kConversions[11];  // LUTC3::Convert3To3
  Variable big = New("LUTC3", {L(5000000 / 3)});
  SetBaseLine(big, 1500000);
  std::string src = B({1, 2, 250}), expected(3, '\0'), error;
  Reference(m, Bytes(big), 1500000, src, &expected, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(Out(big, m.name, src), expected);
}

}  // namespace
