// Conversions split over threads against the same conversions on one
// thread: every method, sizes around the smallest split, pixels outside the
// table in each part (the first one reported, the bytes after it as one
// thread leaves them), into new, given, the source's and overlapping
// destinations. And the pool itself: parts run once each, from
// several host threads at once; ZORL_THREADS's settings.
#include "host/threads.h"

#include <atomic>
#include <cstdlib>
#include <random>
#include <thread>

#include "tests/harness.h"

namespace {

// The smallest part, in bytes read and written, for these tests.
const long long kPartBytes = 32 << 10;

struct Method {
  const char* cls;
  const char* name;
  int pixelBytes, outBytes;
  bool toResult;  // LUT1 and LUT2 give their output as the result
};

std::vector<Method> Methods() {
  std::vector<Method> m = {{"LUT1", "Convert1To1", 1, 1, true},
                           {"LUT1", "Convert1To3", 1, 3, true},
                           {"LUT2", "Convert2To1", 2, 1, true},
                           {"LUT2", "Convert2To3", 2, 3, true}};
  for (const Conversion& c : kConversions)
    m.push_back({c.cls, c.name, c.pixelBytes, c.outBytes, false});
  return m;
}

class ThreadsTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    zorl::SetConversionPartBytes(kPartBytes);
  }
  void TearDown() override {
    zorl::SetConversionThreads(0);
    zorl::SetConversionPartBytes(0);
  }

  // A table of random entries, some of whose pixels are outside it.
  Variable Table(const Method& m, std::mt19937& rng) {
    std::string cls = m.cls;
    std::size_t len = cls == "LUT1"   ? 256
                      : cls == "LUT2" ? 3000
                      : cls == "LUT3" ? 6 * 200
                                      : 4 * 700;
    std::string bytes(len, '\0');
    for (char& b : bytes) b = static_cast<char>(rng() % 3 ? rng() : 0);
    return Raw(m.cls, bytes, cls == "LUT2" ? 1000 : 0);
  }

  // t.method on src, into: 0 a new variable, 1 a given String of 0x5a
  // bytes, 2 the source itself (a Buffer), 3 a Buffer 1 byte past the
  // source's; the output bytes (for 2 and 3 all of the memory) and errors.
  std::pair<std::string, Errors> Run(Variable& t, const Method& m,
                                     const std::string& src, int where) {
    if (m.toResult) {
      Variable out = Call(t, m.name, {S(src)});
      return {zorl::StringBytes(out), TakeErrors()};
    }
    std::size_t c = src.size() / m.pixelBytes;
    Variable dst;
    if (where == 1) dst = S(std::string(c * m.outBytes, '\x5a'));
    if (where < 2) {
      Errors e = Convert(t, m.name, dst, S(src));
      return {zorl::StringBytes(dst), e};
    }
    zlong len = static_cast<zlong>(src.size());
    Variable memory = New("Buffer", {L(len + 1)}), in = New("Buffer", {L(len)});
    Call(memory, "Write", {S(src + "!")});
    std::uintptr_t at = engine.GetMember(memory, "Address")->GetAddress();
    in("Address") = zorl::MakeAddress(at);
    dst = New("Buffer", {L(len)});
    dst("Address") = zorl::MakeAddress(at + (where == 3));
    Errors e = Convert(t, m.name, dst, in);
    return {zorl::StringBytes(Call(memory, "Read")), e};
  }

  // The pixels of one byte pattern each that t converts, and those it
  // refuses, tried one at a time.
  void Sort(Variable& t, const Method& m, std::mt19937& rng,
            std::vector<std::string>* in, std::vector<std::string>* out) {
    for (int k = 0; k < 400; ++k) {
      std::string p;
      for (int b = 0; b < m.pixelBytes; ++b) {
        unsigned v = rng();
        // 2-byte pixels mostly near the table's entries
        if (m.pixelBytes == 2 && b == 1) v = k % 4 ? rng() % 16 : v;
        p.push_back(static_cast<char>(v));
      }
      (Run(t, m, p, 0).second.empty() ? in : out)->push_back(p);
    }
  }
};

TEST_F(ThreadsTest, PartsGiveOneThreadsBytesAndErrors) {
  std::mt19937 rng(24);
  int splitWithStops = 0;
  for (const Method& m : Methods()) {
    Variable t = Table(m, rng);
    std::vector<std::string> in, out;
    Sort(t, m, rng, &in, &out);
    ASSERT_FALSE(in.empty()) << m.cls << "::" << m.name;
    int bytes = m.pixelBytes + m.outBytes;
    // One part, two and three parts and an odd pixel.
    for (long long size : {2 * kPartBytes - 64 * bytes, 2 * kPartBytes,
                           3 * kPartBytes + 7 * bytes}) {
      std::size_t c = static_cast<std::size_t>(size / bytes);
      // No pixel outside; one in each third; one in the last third only.
      for (int bad = 0; bad < (out.empty() ? 1 : 3); ++bad) {
        std::string src;
        for (std::size_t i = 0; i < c; ++i) src += in[rng() % in.size()];
        std::vector<std::size_t> at;
        if (bad == 1)
          for (int k = 0; k < 3; ++k) at.push_back(c * k / 3 + rng() % 999);
        if (bad == 2) at.push_back(c - 1 - rng() % 999);
        for (std::size_t i : at)
          src.replace(i * m.pixelBytes, m.pixelBytes, out[rng() % out.size()]);
        bool same = m.pixelBytes == m.outBytes && !m.toResult;
        for (int where = 0; where < (same ? 4 : 2); ++where) {
          zorl::SetConversionThreads(1);
          auto one = Run(t, m, src, where);
          zorl::SetConversionThreads(3);
          auto three = Run(t, m, src, where);
          ASSERT_EQ(one.second, three.second)
              << m.cls << "::" << m.name << " size " << size << " bad " << bad
              << " where " << where;
          ASSERT_TRUE(one.first == three.first)
              << m.cls << "::" << m.name << " size " << size << " bad " << bad
              << " where " << where;
          splitWithStops += bad > 0 && size > 2 * kPartBytes;
        }
      }
    }
  }
  EXPECT_GT(splitWithStops, 20);  // the tables let pixels stop
}

// Each part runs once, whichever host thread asks and however many ask at
// once; a part that asks again runs its own parts itself.
TEST(ThreadPool, PartsRunOnceFromManyCallers) {
  zorl::SetConversionThreads(3);
  struct Job {
    std::atomic<int> runs[8];
  };
  auto run = [](void* context, int part) {
    Job& j = *static_cast<Job*>(context);
    j.runs[part].fetch_add(1);
    if (part == 0) {
      Job inner{};
      ZorlRunParts(
          8, [](void* c, int k) { static_cast<Job*>(c)->runs[k].fetch_add(1); },
          &inner);
      for (auto& r : inner.runs) j.runs[7].fetch_add(r.load() - 1);
    }
  };
  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int k = 0; k < 4; ++k)
    callers.emplace_back([&, k] {
      for (int round = 0; round < 300; ++round) {
        if (k == 3 && round % 50 == 0)
          zorl::SetConversionThreads(1 + round / 50 % 3);
        Job job{};
        ZorlRunParts(8, run, &job);
        for (auto& r : job.runs) wrong += r.load() != 1;
      }
    });
  for (std::thread& c : callers) c.join();
  EXPECT_EQ(wrong.load(), 0);
  zorl::SetConversionThreads(0);
}

TEST(ThreadPool, ZorlThreadsSettings) {
  const char* saved = std::getenv("ZORL_THREADS");
  struct Case {
    const char* value;
    bool taken;
  } cases[] = {{"3", true},
               {"256", true},
               {"", true},
               {"0", false},
               {"-2", false},
               {"257", false},
               {"99999999999999999999", false},
               {"4x", false},
               {"two", false},
               {" 2", false}};
  for (const Case& c : cases) {
    setenv("ZORL_THREADS", c.value, 1);
    EXPECT_EQ(zorl::ConversionThreadsProblem().empty(), c.taken) << c.value;
    int n = zorl::ConversionThreads();
    EXPECT_TRUE(n >= 1 && n <= 256) << c.value;
    if (c.taken && *c.value) {
      EXPECT_EQ(n, std::atoi(c.value));
    }
  }
  EXPECT_FALSE(zorl::SetConversionThreads(-1));
  EXPECT_FALSE(zorl::SetConversionThreads(257));
  if (saved)
    setenv("ZORL_THREADS", saved, 1);
  else
    unsetenv("ZORL_THREADS");
}

}  // namespace
