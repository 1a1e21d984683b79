// Python values to engine values and back.
#ifndef ZORL_PYTHON_VALUES_H
#define ZORL_PYTHON_VALUES_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <utility>

#include "engine/engine.h"
#include "python/host.h"

namespace zorl_python {

namespace py = pybind11;

// What a Python object of one of the classes holds.
struct PyObj {
  std::shared_ptr<Held> held;
  // The held value; a TypeError when the object has none (an object made
  // without its constructor, or whose state was never set).
  Held& Get() const;
};

// What a message calls a parameter ("LUT1.Convert1To1: parameter 1"), made
// only when a message needs it: a call reads many arguments and raises
// seldom. It refers to what it was made from, which must outlive it.
class What {
 public:
  What(const std::string& s)  // NOLINT: a name given as it is
      : from_(&s), make_([](const void* p) {
          return *static_cast<const std::string*>(p);
        }) {}
  What(const char* s)  // NOLINT
      : from_(s), make_([](const void* p) {
          return std::string(static_cast<const char*>(p));
        }) {}
  template <typename F,
            typename = decltype(std::string(std::declval<const F&>()()))>
  explicit What(const F& f)
      : from_(&f), make_([](const void* p) {
          return std::string((*static_cast<const F*>(p))());
        }) {}
  std::string operator()() const { return make_(from_); }

 private:
  const void* from_;
  std::string (*make_)(const void*);
};

// Registers the Python class made for each engine class (zorl/__init__.py
// makes them), so that engine objects come back as objects of their class.
void RegisterType(const std::string& name, py::object type);
py::object MakePyObject(Variable&& v);

// A Python value as an engine value, for a parameter described by what
// (for messages). Objects are copied; see Argument for what a call binds.
// Throws py::type_error naming what when there is no such value.
Variable ToVariable(py::handle h, const What& what);

// A Python buffer (bytes, bytearray, memoryview, a numpy array) as a String
// that reads it in place; a numpy array that is not C-contiguous is
// copied once. pixelBytes (1, 2, 3; 0: any bytes) checks the dtype and the
// length. writable: the array must be writable (a destination).
Variable PixelString(py::handle h, const What& what, int pixelBytes,
                     bool writable);
bool IsBuffer(py::handle h);

// An engine value as a Python value: numbers as int, float or bool, an
// empty value as None, a String as bytes, a Vector as a list, an object as
// an object of its class.
py::object FromVariable(const Variable& v);

// A String as a numpy array that owns the String's bytes (no copy), of
// that dtype and shape (its byte length must agree; else flat uint8).
py::array OwningArray(Variable&& s, py::dtype dtype,
                      std::vector<py::ssize_t> shape);

}  // namespace zorl_python

#endif
