// Forall lists from Python objects and back.
#pragma once

#include "core/model/forall.hpp"
#include "python/frame/pyref.hpp"

namespace zorvane {

/// One item: an element, or a 2-tuple (element, condition or None). TypeError "failed to
/// create a forall object" otherwise.
ForallItem extract_forall_item(PyObject* object);
/// One item, or a sequence of items (not a `str`), then `check_forall_list`. TypeError "failed
/// to create a forall list object" when neither reading works.
ForallList extract_forall_list(PyObject* object);
/// The `forall` keyword: absent or None is the empty list; a failure is reported under the
/// argument name `forall`.
ForallList extract_optional_forall(PyObject* object);
/// A new list of (Element, condition or None) tuples.
PyRef forall_into_py(const ForallList& list);

}  // namespace zorvane
