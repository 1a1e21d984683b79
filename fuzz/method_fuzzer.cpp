// Fuzzes every method of the plug-in through the engine's dispatcher.
//
// From its input the fuzzer picks one signature of the module's method
// table, gives an object of that class table bytes of any length (none at
// all, zero, lengths that are no multiple of 4 or 6, up to a few MiB) and
// any BaseLine, makes arguments of every kind (numbers of each type with
// their extremes, NaN and infinities, Strings, Vectors, empty values,
// booleans, references, Buffers connected or not, objects of every class,
// the object itself), and calls the method as a script would. Afterwards
// every value must be well formed, the object must keep its class, and each
// error raised must carry a known number and a text.
//
// The engine's allocation limits are lowered to 16 MiB, so that sizes
// computed from arguments (LUT2(int), Stretch, Transform) are refused
// cheaply instead of being allocated.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace {

struct Target {
  std::string cls, method;
  std::vector<zorl::Param> params;
};

zorl::Engine* g_engine = nullptr;
std::vector<Target> g_targets;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "invariant broken: %s\n", what.c_str());
  std::abort();
}

const zlong kLongs[] = {0,
                        1,
                        -1,
                        2,
                        3,
                        4,
                        5,
                        6,
                        7,
                        8,
                        255,
                        256,
                        -256,
                        -255,
                        1023,
                        1024,
                        2047,
                        2048,
                        4095,
                        4096,
                        32767,
                        32768,
                        -32768,
                        -32769,
                        65535,
                        65536,
                        (1 << 24) + 1,
                        1 << 30,
                        (1 << 30) + 1,
                        357913942,  // 6 * this passes 2^31
                        536870912,  // 4 * this is 2^31
                        std::numeric_limits<zlong>::max(),
                        std::numeric_limits<zlong>::min(),
                        std::numeric_limits<zlong>::max() - 1,
                        std::numeric_limits<zlong>::min() + 1};

const double kDoubles[] = {0.0,
                           -0.0,
                           0.5,
                           -0.5,
                           1.0,
                           0.999999,
                           1.000001,
                           -1.0,
                           2.0,
                           1e9,
                           -1e9,
                           1e300,
                           -1e300,
                           4294967296.0,
                           2147483647.5,
                           -2147483648.5,
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max()};

// A small generator for bulk bytes, seeded from the input, so that big
// tables and buffers cost few input bytes.
struct Bytes {
  std::uint32_t state;
  unsigned char Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<unsigned char>(state >> 7);
  }
};

// Fills n bytes: from the input first, then by one of a few patterns.
std::string MakeBytes(FuzzedDataProvider& p, std::size_t n) {
  std::string s = p.ConsumeBytesAsString(
      p.ConsumeIntegralInRange<std::size_t>(0, std::min<std::size_t>(n, 64)));
  int pattern = p.ConsumeIntegralInRange(0, 3);
  Bytes gen{p.ConsumeIntegral<std::uint32_t>() | 1};
  unsigned char fill = p.ConsumeIntegral<unsigned char>();
  s.reserve(n);
  for (std::size_t i = s.size(); i < n; ++i) {
    switch (pattern) {
      case 0:
        s += static_cast<char>(fill);
        break;
      case 1:
        s += static_cast<char>(i);
        break;
      case 2:
        s += static_cast<char>(gen.Next());
        break;
      default:
        s += static_cast<char>(gen.Next() & 7 ? 0 : gen.Next());
        break;
    }
  }
  return s;
}

// A length: mostly small, around multiples of 2, 3, 4 and 6, sometimes
// large and rarely a few MiB.
std::size_t MakeLength(FuzzedDataProvider& p) {
  switch (p.ConsumeIntegralInRange(0, 9)) {
    case 0:
      return 0;
    case 1:
    case 2:
      return p.ConsumeIntegralInRange<std::size_t>(0, 16);
    case 3:
    case 4: {
      std::size_t unit = p.PickValueInArray({2u, 3u, 4u, 6u, 12u});
      return unit * p.ConsumeIntegralInRange<std::size_t>(0, 1024) +
             p.ConsumeIntegralInRange<std::size_t>(0, 2);
    }
    case 5:
      return p.PickValueInArray({256u, 257u, 1024u, 1536u, 2048u, 4096u, 6144u,
                                 65536u, 65535u, 98304u});
    case 6:
    case 7:
      return p.ConsumeIntegralInRange<std::size_t>(0, 300);
    case 8:
      return p.ConsumeIntegralInRange<std::size_t>(0, 65536);
    default:
      return p.ConsumeIntegralInRange<std::size_t>(0, 64) == 0
                 ? p.ConsumeIntegralInRange<std::size_t>(0, 4 << 20)
                 : p.ConsumeIntegralInRange<std::size_t>(0, 4096);
  }
}

Variable MakeNumber(FuzzedDataProvider& p) {
  switch (p.ConsumeIntegralInRange(0, 6)) {
    case 0:
      return zorl::MakeLong(p.PickValueInArray(kLongs));
    case 1:
      return zorl::MakeLong(p.ConsumeIntegral<zlong>());
    case 2:
      return zorl::MakeLong(p.ConsumeIntegralInRange<zlong>(-600, 600));
    case 3:
      return zorl::MakeByte(p.ConsumeIntegral<unsigned char>());
    case 4:
      return zorl::MakeFloat(static_cast<float>(
          p.ConsumeBool() ? p.PickValueInArray(kDoubles)
                          : p.ConsumeFloatingPoint<float>()));
    case 5:
      return zorl::MakeDouble(p.PickValueInArray(kDoubles));
    default:
      return zorl::MakeDouble(p.ConsumeBool()
                                  ? p.ConsumeProbability<double>()
                                  : p.ConsumeFloatingPoint<double>());
  }
}

// Table bytes of a random length, or no data at all.
void GiveTable(FuzzedDataProvider& p, Variable& obj) {
  if (p.ConsumeIntegralInRange(0, 15) == 0) {
    obj.SetLen(-1);
    return;
  }
  std::size_t n = MakeLength(p);
  std::string bytes = MakeBytes(p, n);
  obj.SetLen(static_cast<zlong>(n));
  if (char* d = obj.GetData())
    std::copy(bytes.begin(), bytes.end(), d);
  else if (n)
    Fail("an object's length was refused below the limit");
}

void GiveBaseLine(FuzzedDataProvider& p, Variable& obj) {
  switch (p.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return;  // as the constructor left it
    case 1:
      obj("BaseLine") = zorl::MakeString("x");
      return;
    case 2:
      obj("BaseLine") = Variable();
      return;
    default:
      obj("BaseLine") = MakeNumber(p);
  }
}

Variable MakeValue(FuzzedDataProvider& p, int depth);

Variable MakeObject(FuzzedDataProvider& p, const std::string& cls, int depth) {
  Variable obj;
  std::vector<Variable> a;
  if (cls == "Buffer" && p.ConsumeBool()) {
    a.push_back(zorl::MakeLong(static_cast<zlong>(MakeLength(p))));
  } else if (cls == "FrameBuffer") {
    for (int i = 0; i < 3; ++i)
      a.push_back(zorl::MakeLong(p.ConsumeIntegralInRange<zlong>(0, 40)));
  } else if (cls == "ColorRef" || cls == "RECT") {
    for (int i = 0, n = cls == "RECT" ? 4 : 1; i < n && p.ConsumeBool(); ++i)
      a.push_back(MakeNumber(p));
    if (cls == "RECT" && a.size() != 4) a.clear();
    if (cls == "ColorRef" && a.size() > 1) a.resize(1);
  }
  std::vector<Variable*> args;
  for (Variable& v : a) args.push_back(&v);
  g_engine->Construct(obj, cls, args);
  g_engine->TakeErrors();
  if (cls == "Buffer" || cls == "FrameBuffer") {
    std::vector<Variable> w{zorl::MakeString(MakeBytes(p, MakeLength(p)))};
    std::vector<Variable*> wp{&w[0]};
    g_engine->Call(obj, "Write", wp, nullptr);
  } else if (cls.compare(0, 3, "LUT") == 0) {
    GiveTable(p, obj);
    GiveBaseLine(p, obj);
  }
  if (depth < 2 && p.ConsumeIntegralInRange(0, 15) == 0)
    obj("Extra") = MakeValue(p, depth + 1);
  g_engine->TakeErrors();
  return obj;
}

const char* const kClasses[] = {"LUT1",     "LUT2",   "LUT3",
                                "LUTC3",    "Buffer", "FrameBuffer",
                                "ColorRef", "RECT",   "Image"};

Variable MakeValue(FuzzedDataProvider& p, int depth) {
  switch (p.ConsumeIntegralInRange(0, 9)) {
    case 0:
    case 1:
    case 2:
      return MakeNumber(p);
    case 3:
      return zorl::MakeBoolean(p.ConsumeBool());
    case 4:
      return Variable();
    case 5:
    case 6:
      return zorl::MakeString(MakeBytes(p, MakeLength(p)));
    case 7: {
      std::vector<Variable> elems;
      std::size_t n = p.ConsumeBool()
                          ? p.ConsumeIntegralInRange<std::size_t>(0, 8)
                          : p.ConsumeIntegralInRange<std::size_t>(0, 2048);
      bool mixed = depth < 2 && p.ConsumeIntegralInRange(0, 3) == 0;
      Variable one = MakeNumber(p);
      for (std::size_t i = 0; i < n; ++i)
        elems.push_back(mixed             ? MakeValue(p, depth + 1)
                        : p.ConsumeBool() ? MakeNumber(p)
                                          : one);
      return zorl::MakeVector(std::move(elems));
    }
    default:
      return MakeObject(p, p.PickValueInArray(kClasses), depth);
  }
}

// A value of the kind a parameter asks for.
Variable MakeFitting(FuzzedDataProvider& p, const zorl::Param& param) {
  switch (param.kind) {
    case zorl::Param::kInt:
    case zorl::Param::kChar:
    case zorl::Param::kNumber:
      return MakeNumber(p);
    case zorl::Param::kBoolean:
      return zorl::MakeBoolean(p.ConsumeBool());
    case zorl::Param::kObject:
    case zorl::Param::kReferObject:
      if (param.cls == "Vector" || param.cls == "String") break;
      return MakeObject(p, param.cls, 0);
    case zorl::Param::kReferAny:
      if (p.ConsumeBool()) return MakeObject(p, "Buffer", 0);
      break;
  }
  return MakeValue(p, 1);
}

void CheckValue(Variable& v, int depth, const char* where) {
  if (depth > 50) Fail(std::string(where) + ": values nested too deep");
  switch (v.type) {
    case PV_EMPTY:
    case PV_BOOLEAN:
    case PV_BYTE:
    case PV_LONG:
    case PV_FLOAT:
    case PV_ADDRESS:
      return;
    case PV_DOUBLE:
      if (!v.val.d) Fail(std::string(where) + ": a double without storage");
      return;
    case PV_REFERENCE:
      if (!v.val.ref) Fail(std::string(where) + ": a reference to nothing");
      return;
    case PV_STRING: {
      zlong n = v.GetLen();
      char* d = v.GetData();
      if (!d || n < 0) Fail(std::string(where) + ": a String without bytes");
      if (n) {
        volatile char last = d[n - 1];  // within the bytes
        (void)last;
      }
      return;
    }
    case PV_VECTOR:
      for (zlong i = 0; i < v.GetCount(); ++i)
        CheckValue(v[i], depth + 1, where);
      return;
    case PV_OBJECT: {
      char* d = v.GetData();
      zlong n = v.GetLen();
      if (n < 0 || (!d && n))
        Fail(std::string(where) + ": an object's data and length disagree");
      if (n) {
        volatile char first = d[0], last = d[n - 1];
        (void)first;
        (void)last;
      }
      for (const std::string& m : zorl::MemberNames(v))
        CheckValue(v(m.c_str()), depth + 1, where);
      return;
    }
    default:
      Fail(std::string(where) + ": a value of type " + std::to_string(v.type));
  }
}

void CheckErrors() {
  static const std::set<zlong> known = {2,  3,  8,  10, 20, 21, 22,  23,
                                        24, 25, 26, 27, 73, 77, 1000};
  for (const zorl::ScriptError& e : g_engine->TakeErrors()) {
    if (!known.count(e.number))
      Fail("error " + std::to_string(e.number) + " is no known error");
    if (e.text.empty())
      Fail("error " + std::to_string(e.number) + " has no text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Conversions run on the calling thread: LeakSanitizer's check between
  // inputs can crash while the pool's threads are parked (the split itself
  // is checked by the threads tests under ASan and TSan).
  setenv("ZORL_THREADS", "1", 1);
  // The engine lives for the whole run, so that the plug-in stays loaded.
  g_engine = new zorl::Engine;
  std::string message;
  if (!g_engine->LoadPlugin(LUT_PLUGIN_PATH, true, &message)) Fail(message);
  for (const MethodEntry& m : g_engine->Modules()[0].methods) {
    zorl::Signature sig;
    std::string error;
    if (!zorl::ParseSignature(m.signature, &sig, &error)) Fail(error);
    g_targets.push_back(Target{sig.cls, sig.method, sig.params});
  }
  zorl::SetAllocationLimits(16 << 20, 1 << 20);
  zorl::SetDebugSink([](const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  FuzzedDataProvider p(data, size);
  const Target& t =
      g_targets[p.ConsumeIntegralInRange<std::size_t>(0, g_targets.size() - 1)];
  bool constructor = t.method == t.cls;

  Variable self = MakeObject(p, t.cls, 0);

  // The arguments: values of their own, references to values held here,
  // the object itself, or one argument given twice.
  std::size_t count = t.params.size();
  if (p.ConsumeIntegralInRange(0, 15) == 0)
    count = p.ConsumeBool() ? count + 1 : count ? count - 1 : 0;
  std::vector<std::unique_ptr<Variable>> held;
  std::vector<Variable*> args;
  for (std::size_t i = 0; i < count; ++i) {
    int how = p.ConsumeIntegralInRange(0, 15);
    if (how == 0) {
      args.push_back(&self);
      continue;
    }
    if (how == 1 && !args.empty()) {
      args.push_back(
          args[p.ConsumeIntegralInRange<std::size_t>(0, args.size() - 1)]);
      continue;
    }
    held.push_back(std::make_unique<Variable>(
        i < t.params.size() && p.ConsumeIntegralInRange(0, 2) != 0
            ? MakeFitting(p, t.params[i])
            : MakeValue(p, 0)));
    if (how == 2) {
      Variable* target = held.back().get();
      held.push_back(std::make_unique<Variable>(zorl::MakeReference(target)));
    }
    args.push_back(held.back().get());
  }

  Variable result;
  if (constructor && p.ConsumeBool()) {
    g_engine->Construct(result, t.cls, args);
    if (result.type != PV_EMPTY && zorl::TypeName(result) != t.cls)
      Fail("a constructor made a " + zorl::TypeName(result));
  } else {
    g_engine->Call(self, t.method, args, &result);
  }
  CheckErrors();

  // A method may replace its object only where the object was given as an
  // argument, for it to write into (t.Convert3To1(t, s) leaves t a String).
  bool given = false;
  for (Variable* a : args) given = given || a == &self;
  if (!given && zorl::TypeName(self) != t.cls)
    Fail(t.cls + "::" + t.method + " left its object a " +
         zorl::TypeName(self));
  CheckValue(self, 0, "the object");
  CheckValue(result, 0, "the result");
  for (auto& h : held) CheckValue(*h, 0, "an argument");
  zorl::TakeDebugOutput();
  return 0;
}
