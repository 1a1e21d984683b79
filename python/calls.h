// Calls of the plug-in's methods and constructors from Python.
#ifndef ZORL_PYTHON_CALLS_H
#define ZORL_PYTHON_CALLS_H

#include <string>

#include "python/values.h"

namespace zorl_python {

// zorl.LutError and zorl.LutWarning, set at import.
py::object& LutErrorType();
py::object& LutWarning();

// Calls method of self's object with the Python arguments, as a script
// would: the GIL released while the engine runs it; warnings become
// LutWarning, errors a LutError that carries the result too.
py::object CallMethod(PyObj& self, const std::string& method, py::tuple args);
// Makes self an object of class cls by the constructor the arguments select.
void Construct(PyObj& self, const std::string& cls, py::tuple args);

}  // namespace zorl_python

#endif
