// Python values to engine values and back.
#ifndef ZORL_PYTHON_VALUES_H
#define ZORL_PYTHON_VALUES_H

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <string>

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

// Registers the Python class made for each engine class (zorl/__init__.py
// makes them), so that engine objects come back as objects of their class.
void RegisterType(const std::string& name, py::object type);
py::object MakePyObject(Variable&& v);

// A Python value as an engine value, for a parameter described by what
// (for messages). Objects are copied; see Argument for what a call binds.
// Throws py::type_error naming what when there is no such value.
Variable ToVariable(py::handle h, const std::string& what);

// A Python buffer (bytes, bytearray, memoryview, a numpy array) as a String
// that reads it in place; a numpy array that is not C-contiguous is
// copied once. pixelBytes (1, 2, 3; 0: any bytes) checks the dtype and the
// length. writable: the array must be writable (a destination).
Variable PixelString(py::handle h, const std::string& what, int pixelBytes,
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
