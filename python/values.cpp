// Python values to engine values and back.
#include "python/values.h"

#include <map>
#include <mutex>
#include <utility>

#include "engine/values.h"

namespace zorl_python {

namespace {

// The Python class of each engine class; filled at import, with the GIL.
std::map<std::string, py::object>& Types() {
  static auto* types = new std::map<std::string, py::object>;
  return *types;
}

std::string PyTypeName(py::handle h) {
  return py::str(py::type::handle_of(h).attr("__name__"));
}

// numpy's scalar types (np.int16(3), np.float32(0.5), np.bool_(1)).
bool IsNumpyScalar(py::handle h, const char* kind) {
  static py::handle types[2] = {
      py::object(py::module_::import("numpy").attr("generic")).release(),
      py::object(py::module_::import("numpy").attr("bool_")).release()};
  return PyObject_IsInstance(h.ptr(), types[kind[0] == 'b'].ptr()) == 1;
}

bool IsNumber(py::handle h) {
  return PyBool_Check(h.ptr()) || PyLong_Check(h.ptr()) ||
         PyFloat_Check(h.ptr()) || IsNumpyScalar(h, "g");
}

// A whole number within a long is a long, another a double; as scripts
// read their literals.
Variable Number(py::handle h) {
  if (PyBool_Check(h.ptr()) || IsNumpyScalar(h, "b"))
    return zorl::MakeBoolean(PyObject_IsTrue(h.ptr()) == 1);
  if (PyIndex_Check(h.ptr())) {
    py::int_ whole = py::reinterpret_steal<py::int_>(PyNumber_Index(h.ptr()));
    if (!whole) throw py::error_already_set();
    int overflow = 0;
    long long x = PyLong_AsLongLongAndOverflow(whole.ptr(), &overflow);
    if (!overflow && x >= zorl::kLongLowest && x <= zorl::kLongHighest)
      return zorl::MakeLong(static_cast<zlong>(x));
    return zorl::MakeDouble(PyLong_AsDouble(whole.ptr()));
  }
  double d = PyFloat_AsDouble(h.ptr());
  if (PyErr_Occurred()) throw py::error_already_set();
  return zorl::MakeDouble(d);
}

}  // namespace

Held& PyObj::Get() const {
  if (!held)
    throw py::type_error(
        "this object holds no engine object (it was made "
        "without its constructor)");
  return *held;
}

void RegisterType(const std::string& name, py::object type) {
  Types()[name] = std::move(type);
}

py::object MakePyObject(Variable&& v) {
  std::string cls = zorl::TypeName(v);
  auto it = Types().find(cls);
  py::object type = it != Types().end() ? it->second : Types().at("");
  py::object o = type.attr("__new__")(type);  // with an empty holder
  auto held = std::make_shared<Held>();
  held->value = std::move(v);
  o.cast<PyObj&>().held = std::move(held);
  return o;
}

bool IsBuffer(py::handle h) { return PyObject_CheckBuffer(h.ptr()) != 0; }

Variable ToVariable(py::handle h, const What& what) {
  if (h.is_none()) return Variable();
  if (py::isinstance<PyObj>(h)) return h.cast<PyObj&>().Get().value;
  if (PyUnicode_Check(h.ptr())) return zorl::MakeString(h.cast<std::string>());
  if (IsNumber(h)) return Number(h);
  if (py::isinstance<py::list>(h) || py::isinstance<py::tuple>(h) ||
      PyRange_Check(h.ptr()) ||
      (py::isinstance<py::array>(h) &&
       py::reinterpret_borrow<py::array>(h).ndim() == 1)) {
    std::vector<Variable> elems;
    py::sequence seq = py::reinterpret_borrow<py::sequence>(h);
    elems.reserve(seq.size());
    std::size_t i = 0;
    for (py::handle e : seq) {
      auto element = [&] { return what() + " element " + std::to_string(i); };
      elems.push_back(ToVariable(e, What(element)));
      ++i;
    }
    return zorl::MakeVector(std::move(elems));
  }
  if (IsBuffer(h)) return PixelString(h, what, 0, false);
  throw py::type_error(what() + " is given " + PyTypeName(h) +
                       ", which has no value in the engine");
}

Variable PixelString(py::handle h, const What& what, int pixelBytes,
                     bool writable) {
  if (!IsBuffer(h))
    throw py::type_error(what() +
                         " takes pixels (a numpy array, bytes, "
                         "bytearray or memoryview), not " +
                         PyTypeName(h));
  py::object source = py::reinterpret_borrow<py::object>(h);
  if (py::isinstance<py::array>(h)) {
    py::array a = py::reinterpret_borrow<py::array>(h);
    char kind = a.dtype().kind();
    int size = static_cast<int>(a.itemsize());
    bool fits = pixelBytes == 0   ? (kind == 'u' || kind == 'i' || kind == 'b')
                : pixelBytes == 2 ? ((kind == 'u' || kind == 'i') && size == 2)
                                  : ((kind == 'u' || kind == 'i') && size == 1);
    if (!fits)
      throw py::type_error(what() + " takes " +
                           (pixelBytes == 2 ? std::string("int16 or uint16")
                                            : std::string("uint8 or int8")) +
                           " pixels, not " + std::string(py::str(a.dtype())));
    if (!(a.flags() & py::array::c_style)) {
      if (writable)
        throw py::value_error(what() +
                              ": a destination must be C-contiguous "
                              "(it is written in place)");
      source = py::module_::import("numpy").attr("ascontiguousarray")(a);
    }
  }
  // The String borrows the bytes through a buffer view, which keeps the
  // array alive while the String holds them. A handler that replaces a
  // String lets it go without the GIL, which releasing a view needs.
  auto view = std::make_unique<Py_buffer>();
  if (PyObject_GetBuffer(source.ptr(), view.get(), PyBUF_C_CONTIGUOUS) < 0) {
    PyErr_Clear();
    throw py::value_error(what() + ": the buffer is not C-contiguous");
  }
  std::shared_ptr<void> lender(view.release(), [](void* b) {
    auto* buffer = static_cast<Py_buffer*>(b);
    if (PyGILState_Check()) {
      PyBuffer_Release(buffer);
    } else {
      py::gil_scoped_acquire gil;
      PyBuffer_Release(buffer);
    }
    delete buffer;
  });
  auto* v = static_cast<Py_buffer*>(lender.get());
  if (v->readonly && writable)
    throw py::value_error(what() + ": the destination is read-only");
  std::size_t n = static_cast<std::size_t>(v->len);
  if (n == 0) throw py::value_error(what() + ": no pixels (an empty array)");
  if (pixelBytes > 0 && n % static_cast<std::size_t>(pixelBytes) != 0)
    throw py::value_error(what() + ": " + std::to_string(n) +
                          " bytes are not whole pixels of " +
                          std::to_string(pixelBytes) + " bytes");
  char* p = static_cast<char*>(v->buf);
  return zorl::MakeBorrowedString(p, n, std::move(lender));
}

py::object FromVariable(const Variable& cv) {
  Variable& v = *const_cast<Variable&>(cv).GetPointer();
  switch (v.GetType()) {
    case PV_EMPTY:
      return py::none();
    case PV_BOOLEAN:
      return py::bool_(v.val.l != 0);
    case PV_BYTE:
    case PV_LONG:
      return py::int_(v.GetLongNumb());
    case PV_FLOAT:
    case PV_DOUBLE:
      return py::float_(v.GetDoubleNumb());
    case PV_ADDRESS:
      return py::int_(v.GetAddress());
    case PV_STRING:
      return py::bytes(v.GetData(), static_cast<std::size_t>(v.GetLen()));
    case PV_VECTOR: {
      py::list out;
      for (zlong i = 0; i < v.GetCount(); ++i) out.append(FromVariable(v[i]));
      return out;
    }
    case PV_OBJECT:
      return MakePyObject(Variable(v));
  }
  return py::none();
}

py::array OwningArray(Variable&& s, py::dtype dtype,
                      std::vector<py::ssize_t> shape) {
  auto* keep = new Variable(std::move(s));
  py::capsule owner(keep, [](void* p) { delete static_cast<Variable*>(p); });
  py::ssize_t n = static_cast<py::ssize_t>(keep->GetLen()), count = 1;
  for (py::ssize_t d : shape) count *= d;
  if (count * dtype.itemsize() != n) {
    dtype = py::dtype::of<std::uint8_t>();
    shape = {n};
  }
  return py::array(dtype, shape, {}, keep->GetData(), owner);
}

}  // namespace zorl_python
