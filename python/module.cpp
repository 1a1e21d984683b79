// The extension module zorl._zorl: the engine objects, the calls, members,
// the state that pickling takes, and the files read and written by the
// same built-ins as scripts use. zorl/__init__.py makes the classes.
#include <pybind11/stl.h>

#include <mutex>
#include <ostream>
#include <streambuf>
#include <utility>

#include "engine/values.h"
#include "language/builtins.h"
#include "python/calls.h"

namespace zorl_python {

namespace {

// Takes an object's lock with the GIL released: a thread that holds the
// GIL never waits for a lock, so a call that holds one and needs the GIL
// (to let go of a borrowed array) always gets it.
template <typename Lock>
Lock Acquire(std::shared_mutex& m) {
  py::gil_scoped_release unlocked;
  return Lock(m);
}
using Reading = std::shared_lock<std::shared_mutex>;
using Writing = std::unique_lock<std::shared_mutex>;

// The classes as Python builds them: (name, base, {method: [signatures]}).
py::list ClassList() {
  py::list out;
  for (const auto& [name, c] : Classes())
    out.append(py::make_tuple(name, c.base, py::cast(c.texts)));
  return out;
}

py::list MemberList(PyObj& self) {
  Held& h = self.Get();
  Reading hold = Acquire<Reading>(h.lock);
  return py::cast(zorl::MemberNames(h.value));
}

py::object GetMember(PyObj& self, const std::string& name) {
  Held& h = self.Get();
  Reading hold = Acquire<Reading>(h.lock);
  zorl::Engine& e = ThreadEngine();
  Variable* v = e.GetMember(h.value, name);
  zorl::Errors errors = e.TakeErrors();
  if (!v) throw py::attribute_error(errors.empty() ? name : errors[0].text);
  return FromVariable(*v);
}

void SetMember(PyObj& self, const std::string& name, py::handle value) {
  Held& h = self.Get();
  Variable v = ToVariable(value, zorl::TypeName(h.value) + "." + name);
  Writing hold = Acquire<Writing>(h.lock);
  zorl::Engine& e = ThreadEngine();
  e.SetMember(h.value, name, v);
  zorl::Errors errors = e.TakeErrors();
  if (!errors.empty()) throw py::attribute_error(errors[0].text);
}

// What pickling keeps of an object: its class, its bytes (None when it has
// none) and its members.
py::tuple State(PyObj& self) {
  Held& h = self.Get();
  Reading hold = Acquire<Reading>(h.lock);
  Variable& v = h.value;
  py::dict members;
  for (const std::string& m : zorl::MemberNames(v))
    members[py::str(m)] = FromVariable(v(m.c_str()));
  py::object bytes = py::none();
  if (v.GetData())
    bytes = py::bytes(v.GetData(), static_cast<std::size_t>(v.GetLen()));
  return py::make_tuple(zorl::TypeName(v), bytes, members);
}

py::object Rebuild(const std::string& cls, py::object bytes, py::dict members) {
  zorl::Engine& e = ThreadEngine();
  if (!e.IsClass(cls)) throw py::value_error("no class " + cls);
  Variable v;
  e.Construct(v, cls, {});
  zorl::Errors errors = e.TakeErrors();
  if (!errors.empty() || zorl::TypeName(v) != cls)
    throw py::value_error("can't make " + cls + ": " +
                          (errors.empty() ? "" : errors[0].text));
  if (bytes.is_none()) {
    v.SetLen(-1);
  } else {
    std::string b = bytes.cast<std::string>();
    v.SetLen(static_cast<zlong>(b.size()));
    if (!b.empty()) std::copy(b.begin(), b.end(), v.GetData());
  }
  for (auto [name, value] : members)
    v(py::str(name).cast<std::string>().c_str()) =
        ToVariable(value, cls + "." + py::str(name).cast<std::string>());
  return MakePyObject(std::move(v));
}

// Where print would write: nowhere (no built-in used here prints).
struct NullBuffer : std::streambuf {
  int overflow(int c) override { return c; }
};

// Runs a script built-in with the GIL released; its errors raise LutError.
Variable RunBuiltin(const std::string& name, std::vector<Variable>& args) {
  const zorl::Builtin* b = zorl::FindBuiltin(name);
  zorl::Engine& e = ThreadEngine();
  Variable result;
  {
    py::gil_scoped_release unlocked;
    NullBuffer none;
    std::ostream out(&none);
    zorl::BuiltinContext cx{e, out};
    zorl::Engine::Scope scope(e);
    try {
      b->fn(cx, args, result);
    } catch (const std::bad_alloc& x) {
      e.Raise(8, x.what());
    }
  }
  zorl::Errors errors = e.TakeErrors();
  for (const std::string& w : e.TakeWarnings())
    if (PyErr_WarnEx(LutWarning().ptr(), w.c_str(), 2) < 0)
      throw py::error_already_set();
  if (!errors.empty()) {
    py::list all;
    for (const zorl::ScriptError& x : errors)
      all.append(py::make_tuple(x.number, x.text, x.where));
    py::object error =
        LutErrorType()(errors[0].number, errors[0].text, name, all, py::none());
    PyErr_SetObject(LutErrorType().ptr(), error.ptr());
    throw py::error_already_set();
  }
  return result;
}

Variable Text(const std::string& s) { return zorl::MakeString(s); }

// ReadImage's members, the pixels as an array that owns them: (h, w) of
// uint8 for depth 1, int16 or uint16 (as Signed says) for depth 2, (h, w,
// 3) for depth 3.
py::dict ReadImage(const std::string& path, long long frame) {
  std::vector<Variable> args = {Text(path), zorl::MakeDouble(frame)};
  Variable im = RunBuiltin("ReadImage", args);
  py::dict out;
  for (const std::string& m : zorl::MemberNames(im))
    if (m != "Pixels") out[py::str(m)] = FromVariable(im(m.c_str()));
  py::ssize_t w = im("Width").GetLongNumb(), h = im("Height").GetLongNumb();
  zlong depth = im("Depth").GetLongNumb();
  bool isSigned = im("Signed").GetType() == PV_BOOLEAN && im("Signed").val.l;
  std::vector<py::ssize_t> shape = {h, w};
  if (depth == 3) shape.push_back(3);
  py::dtype dtype(depth == 2 ? (isSigned ? "int16" : "uint16") : "uint8");
  out["Pixels"] = OwningArray(std::move(im("Pixels")), dtype, shape);
  // The Image without its pixels: what DisplayTable reads of the file.
  out["_image"] = MakePyObject(std::move(im));
  return out;
}

// SetThreads(n): the threads a conversion may use, 0 for the default;
// the count in force.
py::object SetThreads(py::object n) {
  std::vector<Variable> args = {ToVariable(n, "set_threads: n")};
  return FromVariable(RunBuiltin("SetThreads", args));
}

// DisplayTable(image, choice...) of an Image that read_image gave.
py::object DisplayTable(py::object image, py::args choice) {
  if (!py::hasattr(image, "_image"))
    throw py::type_error(
        "display_table: image must be what read_image gave, not " +
        std::string(py::str(py::type::handle_of(image).attr("__name__"))));
  std::vector<Variable> args = {
      ToVariable(image.attr("_image"), "display_table: image")};
  for (std::size_t k = 0; k < choice.size(); ++k)
    args.push_back(ToVariable(
        choice[k], "display_table: choice " + std::to_string(k + 1)));
  return FromVariable(RunBuiltin("DisplayTable", args));
}

// WriteImage of Images made from (pixels, signed) pairs: each array (h, w)
// of 1 or 2 bytes a pixel, or (h, w, 3) of bytes. Read in place.
void WriteImage(const std::string& path, py::list pages, py::object option) {
  zorl::Engine& e = ThreadEngine();
  std::vector<Variable> images;
  for (py::handle page : pages) {
    py::tuple t = page.cast<py::tuple>();
    if (!py::isinstance<py::array>(t[0]))
      throw py::type_error("write_image: pixels must be a numpy array");
    py::array a = t[0].cast<py::array>();
    if (a.ndim() != 2 &&
        !(a.ndim() == 3 && a.shape(2) == 3 && a.itemsize() == 1))
      throw py::value_error("write_image: pixels of shape (h, w) or (h, w, 3)");
    if (a.itemsize() > 2)
      throw py::type_error("write_image: pixels of 1 or 2 bytes, not " +
                           std::string(py::str(a.dtype())));
    zlong depth = a.ndim() == 3 ? 3 : static_cast<zlong>(a.itemsize());
    Variable im;
    e.Construct(im, "Image", {});
    e.TakeErrors();
    im("Width") = zorl::MakeLong(static_cast<zlong>(a.shape(1)));
    im("Height") = zorl::MakeLong(static_cast<zlong>(a.shape(0)));
    im("Depth") = zorl::MakeLong(depth);
    im("Signed") = zorl::MakeBoolean(t[1].cast<bool>());
    im("Pixels") =
        PixelString(a, "write_image: pixels", static_cast<int>(depth), false);
    images.push_back(std::move(im));
  }
  std::vector<Variable> args = {Text(path)};
  args.push_back(images.size() == 1 ? std::move(images[0])
                                    : zorl::MakeVector(std::move(images)));
  if (!option.is_none()) args.push_back(ToVariable(option, "option"));
  RunBuiltin("WriteImage", args);
}

py::object ReadPalette(const std::string& path, py::object k) {
  std::vector<Variable> args = {Text(path)};
  if (!k.is_none()) args.push_back(ToVariable(k, "read_palette: k"));
  return FromVariable(RunBuiltin("ReadPalette", args));
}

void WritePalette(const std::string& path, py::object r, py::object g,
                  py::object b) {
  std::vector<Variable> args = {Text(path), ToVariable(r, "write_palette: red"),
                                ToVariable(g, "write_palette: green"),
                                ToVariable(b, "write_palette: blue")};
  RunBuiltin("WritePalette", args);
}

py::list ListSeries(const std::string& folder) {
  std::vector<Variable> args = {Text(folder)};
  Variable names = RunBuiltin("ListSeries", args);
  py::list out;
  for (zlong i = 0; i < names.GetCount(); ++i)
    out.append(py::str(zorl::StringBytes(names[i])));
  return out;
}

}  // namespace

}  // namespace zorl_python

PYBIND11_MODULE(_zorl, m) {
  using namespace zorl_python;
  m.doc() = "The engine and the plug-in of image look-up tables.";
  py::class_<PyObj>(m, "Object", py::dynamic_attr()).def(py::init<>());
  m.def("classes", &ClassList);
  m.def("register_type", &RegisterType);
  m.def("set_error_types", [](py::object error, py::object warning) {
    LutErrorType() = std::move(error);
    LutWarning() = std::move(warning);
  });
  m.def("call", &CallMethod);
  m.def("construct", &Construct);
  m.def("members", &MemberList);
  m.def("get_member", &GetMember);
  m.def("set_member", &SetMember);
  m.def("state", &State);
  m.def("rebuild", &Rebuild);
  m.def("read_image", &ReadImage);
  m.def("write_image", &WriteImage);
  m.def("read_palette", &ReadPalette);
  m.def("display_table", &DisplayTable);
  m.def("set_threads", &SetThreads);
  m.def("write_palette", &WritePalette);
  m.def("list_series", &ListSeries);
  m.def("plugin_path", &PluginPath);
  m.def("memory_held", &zorl::MemoryHeld);
  m.def("memory_budget", &zorl::MemoryBudget);
}
