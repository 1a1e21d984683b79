// Calls of the plug-in's methods from Python: the arguments read for the
// parameters that the method table gives, the call made with the GIL
// released, and its errors, warnings and result handed back.
#include "python/calls.h"

#include <cstdint>
#include <mutex>
#include <utility>

#include "engine/values.h"

namespace zorl_python {

namespace {

// The pixel formats a method's name gives: Convert2To3 reads 2-byte pixels
// and writes 3-byte ones (ConvertU2To3: unsigned 2-byte pixels). {0, 0}
// for any other method.
struct Formats {
  int in = 0, out = 0;
};

Formats FormatsOf(const std::string& method) {
  const char* p = method.c_str();
  if (method.compare(0, 7, "Convert") != 0) return {};
  p += 7;
  if (*p == 'U') ++p;
  auto digit = [](char c) { return c >= '1' && c <= '3' ? c - '0' : 0; };
  if (!digit(p[0]) || p[1] != 'T' || p[2] != 'o' || !digit(p[3]) || p[4])
    return {};
  return {digit(p[0]), digit(p[3])};
}

// Methods that only read their object run at once through one object; the
// others (SetItem, Transform, ...) run alone with it.
bool OnlyReads(const std::string& method) {
  static const char* readers[] = {"Convert", "Get", "Is",  "Shrink",
                                  "Stretch", "*",   "Read"};
  for (const char* r : readers)
    if (method.compare(0, std::char_traits<char>::length(r), r) == 0)
      return true;
  return false;
}

const char* Word(const zorl::Param& p) {
  switch (p.kind) {
    case zorl::Param::kInt:
      return "int";
    case zorl::Param::kChar:
      return "char";
    case zorl::Param::kNumber:
      return "number";
    case zorl::Param::kBoolean:
      return "boolean";
    case zorl::Param::kObject:
      return "object";
    case zorl::Param::kReferObject:
      return "refer object";
    case zorl::Param::kReferAny:
      return "refer any";
  }
  return "";
}

// The signatures of cls's method (a base's when cls has none of its own).
const std::vector<zorl::Signature>* Find(const std::string& cls,
                                         const std::string& method) {
  const auto& classes = Classes();
  for (auto c = classes.find(cls); c != classes.end();
       c = classes.find(c->second.base)) {
    auto m = c->second.methods.find(method);
    if (m != c->second.methods.end()) return &m->second;
    if (c->second.base.empty()) break;
  }
  return nullptr;
}

// A call being made: its arguments as the engine takes them.
struct Call {
  std::string cls, method;
  std::vector<Variable> owned;  // arguments made from Python values
  std::vector<Variable*> args;
  std::vector<std::shared_ptr<Held>> objects;  // kept alive for the call
  bool madeDestination = false;  // the first argument is the engine's
  py::object destination;        // an array written in place
  std::size_t needed = 0;        // its bytes
  py::object shapeFrom;          // the pixel argument, for the result
};

// Reads the Python arguments for the signatures of their count. A method
// whose signatures start with a destination (`refer any, refer any`) may
// be given without it: the engine makes the destination, and the call
// gives it back.
void Bind(Call& c, py::tuple pyArgs) {
  const auto* sigs = Find(c.cls, c.method);
  std::size_t n = pyArgs.size();
  std::vector<const zorl::Signature*> counted;
  for (int pass = 0; sigs && pass < 2 && counted.empty(); ++pass)
    for (const zorl::Signature& s : *sigs)
      if (s.params.size() == n + pass &&
          (pass == 0 || (n > 0 && s.params[0].kind == zorl::Param::kReferAny)))
        counted.push_back(&s);
  if (!counted.empty() && counted[0]->params.size() == n + 1)
    c.madeDestination = true;
  Formats f = FormatsOf(c.method);
  c.owned.reserve(n + 1);
  if (c.madeDestination) c.owned.emplace_back();
  std::size_t shift = c.madeDestination ? 1 : 0;
  for (std::size_t i = 0; i < n; ++i) {
    py::handle h = pyArgs[i];
    std::size_t at = i + shift;
    bool pixels = false, vector = false;
    for (const zorl::Signature* s : counted) {
      const zorl::Param& p = s->params[at];
      pixels = pixels || p.kind == zorl::Param::kReferAny ||
               (p.cls == "String" && f.in > 0);
      vector = vector || p.cls == "Vector";
    }
    auto name = [&] {
      std::string words;
      if (!counted.empty()) {
        const zorl::Param& p = counted[0]->params[at];
        words = " (" + std::string(Word(p)) + (p.cls.empty() ? "" : " ") +
                p.cls + ")";
      }
      return c.cls + "." + c.method + ": parameter " + std::to_string(at + 1) +
             words;
    };
    What what(name);
    if (py::isinstance<PyObj>(h)) {
      h.cast<PyObj&>().Get();  // raises when it holds nothing
      c.objects.push_back(h.cast<PyObj&>().held);
      c.args.push_back(&c.objects.back()->value);
      continue;
    }
    bool isDestination = pixels && at == 0 && counted.size() > 0 &&
                         counted[0]->params.size() >= 2 &&
                         counted[0]->params[0].kind == zorl::Param::kReferAny;
    if (pixels && !vector && IsBuffer(h)) {
      int bytes = isDestination ? f.out : f.in;
      c.owned.push_back(PixelString(h, what, bytes, isDestination));
      if (isDestination) {
        c.destination = py::reinterpret_borrow<py::object>(h);
        c.needed = static_cast<std::size_t>(c.owned.back().GetLen());
      } else if (f.in > 0) {
        c.shapeFrom = py::reinterpret_borrow<py::object>(h);
      }
    } else {
      c.owned.push_back(ToVariable(h, what));
    }
  }
  // Pointers only now: owned no longer moves.
  std::vector<Variable*> bound;
  std::size_t o = 0, k = 0;
  for (std::size_t i = 0; i < n + shift; ++i) {
    bool fromObject = i >= shift && py::isinstance<PyObj>(pyArgs[i - shift]);
    bound.push_back(fromObject ? c.args[k++] : &c.owned[o++]);
  }
  c.args = std::move(bound);
  // A destination given must hold the converted pixels exactly, checked
  // before anything is written.
  if (c.destination && f.in > 0 && c.args.size() >= 2) {
    std::size_t src = static_cast<std::size_t>(c.args[1]->GetLen());
    std::size_t want =
        src / static_cast<std::size_t>(f.in) * static_cast<std::size_t>(f.out);
    if (c.needed != want)
      throw py::value_error(c.cls + "." + c.method + ": the destination has " +
                            std::to_string(c.needed) + " bytes; " +
                            std::to_string(want) + " are needed");
  }
}

// The shape of the pixels an argument holds, for pixels of `in` bytes: an
// array's own shape (less a last axis of 3 for 3-byte pixels), else flat.
std::vector<py::ssize_t> PixelShape(py::handle h, int in, std::size_t bytes) {
  std::vector<py::ssize_t> flat = {
      static_cast<py::ssize_t>(bytes / static_cast<std::size_t>(in))};
  if (!h || !py::isinstance<py::array>(h)) return flat;
  py::array a = py::reinterpret_borrow<py::array>(h);
  std::vector<py::ssize_t> shape(a.shape(), a.shape() + a.ndim());
  if (in < 3) return shape;
  if (shape.empty() || shape.back() != 3) return flat;
  shape.pop_back();
  return shape;
}

// A String that a conversion made, as an array shaped like its pixels:
// uint8 (h, w) for 1-byte pixels, (h, w, 3) for 3-byte ones, and for 2-byte
// pixels the dtype of 2-byte input (int16 or uint16), else uint16.
py::object PixelResult(Variable&& s, const Call& c) {
  Formats f = FormatsOf(c.method);
  py::handle from = c.shapeFrom;
  std::size_t srcBytes = c.args.size() > (c.madeDestination ? 1u : 0u)
                             ? static_cast<std::size_t>(
                                   c.args[c.madeDestination ? 1 : 0]->GetLen())
                             : 0;
  std::vector<py::ssize_t> shape = PixelShape(from, f.in, srcBytes);
  py::dtype dtype = py::dtype::of<std::uint8_t>();
  if (f.out == 3) shape.push_back(3);
  if (f.out == 2) {
    dtype = py::dtype::of<std::uint16_t>();
    if (from && py::isinstance<py::array>(from) &&
        py::reinterpret_borrow<py::array>(from).itemsize() == 2)
      dtype = py::reinterpret_borrow<py::array>(from).dtype();
  }
  return OwningArray(std::move(s), dtype, shape);
}

py::object Result(Variable&& v, const Call& c) {
  if (FormatsOf(c.method).in > 0 && v.GetType() == PV_STRING)
    return PixelResult(std::move(v), c);
  return FromVariable(v);
}

// Hands the call's warnings to Python's warnings and raises its errors.
void Report(zorl::Engine& e, const Call& c, py::object result) {
  // Both are taken first: a warning that the filters turn into an error
  // leaves nothing behind for the thread's next call.
  zorl::Errors errors = e.TakeErrors();
  // Shown at the caller's line, above zorl/__init__.py's method.
  for (const std::string& w : e.TakeWarnings())
    if (PyErr_WarnEx(LutWarning().ptr(), w.c_str(), 2) < 0)
      throw py::error_already_set();
  if (PyErr_CheckSignals() < 0) throw py::error_already_set();
  if (errors.empty()) return;
  const zorl::ScriptError& first = errors[0];
  // No signature fits the Python values given: a wrong type.
  if (first.where.empty() && (first.number == 21 || first.number == 22))
    throw py::type_error(c.cls + "." + c.method + ": " + first.text);
  py::list all;
  for (const zorl::ScriptError& x : errors)
    all.append(py::make_tuple(x.number, x.text, x.where));
  py::object error =
      LutErrorType()(first.number, first.text, first.where, all, result);
  PyErr_SetObject(LutErrorType().ptr(), error.ptr());
  throw py::error_already_set();
}

}  // namespace

py::object& LutErrorType() {
  static auto* type = new py::object;
  return *type;
}

py::object& LutWarning() {
  static auto* type = new py::object;
  return *type;
}

py::object CallMethod(PyObj& self, const std::string& method, py::tuple args) {
  std::shared_ptr<Held> held = self.held;
  if (!held) self.Get();  // raises
  Call c;
  c.cls = zorl::TypeName(held->value);
  c.method = method;
  Bind(c, args);
  zorl::Engine& e = ThreadEngine();
  Variable out;
  {
    py::gil_scoped_release unlocked;
    if (OnlyReads(method)) {
      std::shared_lock<std::shared_mutex> hold(held->lock);
      e.Call(held->value, method, c.args, &out);
    } else {
      std::unique_lock<std::shared_mutex> hold(held->lock);
      e.Call(held->value, method, c.args, &out);
    }
  }
  py::object result;
  if (c.madeDestination)
    result = Result(std::move(c.owned[0]), c);
  else if (c.destination)
    result = c.destination;
  else
    result = Result(std::move(out), c);
  // A destination that did not fit was replaced, never written.
  if (c.destination && c.args[0]->GetLen() != static_cast<zlong>(c.needed))
    throw py::value_error(c.cls + "." + method +
                          ": the destination does not fit the conversion");
  c.owned.clear();  // borrowed views are let go with the GIL
  Report(e, c, result);
  return result;
}

void Construct(PyObj& self, const std::string& cls, py::tuple args) {
  Call c;
  c.cls = cls;
  c.method = cls;
  Bind(c, args);
  zorl::Engine& e = ThreadEngine();
  auto held = std::make_shared<Held>();
  {
    py::gil_scoped_release unlocked;
    e.Construct(held->value, cls, c.args);
  }
  c.owned.clear();
  Report(e, c, py::none());
  self.held = std::move(held);
}

}  // namespace zorl_python
