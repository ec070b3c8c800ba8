// C-API calls that the oldest supported interpreter (3.10) lacks, under their own names, so call
// sites read the same on every version.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#if PY_VERSION_HEX < 0x030B0000
/// 3.11's `PyType_GetQualName`: a new reference to `type.__qualname__`, or null with an error set.
inline PyObject* PyType_GetQualName(PyTypeObject* type) {
  return PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__qualname__");
}
#endif
