// SolvingTime: the Python class over the shared time-record templates.
#include "sample_set/solving_time.hpp"

#include "lib/docs.hpp"

namespace zorvane {
namespace {

using namespace time_fields;
using T = SolvingTime;

PyGetSetDef kGetSet[] = {
    getter_setter<py_get<T, 0>, py_set<T, 0>>("preprocess"),
    getter_setter<py_get<T, 1>, py_set<T, 1>>("solve"),
    getter_setter<py_get<T, 2>, py_set<T, 2>>("postprocess"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<py_to_dict<T>>("to_dict", docs::kMethodDocSolvingTimeToDict),
    static_method<py_from_dict<T>>("from_dict", docs::kMethodDocSolvingTimeFromDict),
    noargs_method<py_to_json<T>>("to_json", docs::kMethodDocSolvingTimeToJson),
    static_method<py_from_json<T>>("from_json", docs::kMethodDocSolvingTimeFromJson),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<T, ClassId::SolvingTime, equal<T>>>)},
};

}  // namespace

const ClassDef kSolvingTimeClass{
    .id = ClassId::SolvingTime,
    .name = "SolvingTime",
    .doc = docs::kSolvingTime,
    .signature = docs::kSigSolvingTime,
    .basicsize = sizeof(Instance<T>),
    .dealloc = &dealloc_instance<T>,
    .tp_new = &constructor_new<py_new<T>>,
    .vectorcall = &constructor_vectorcall<py_new<T>>,
    .slots = kSlots,
    .methods = kMethods,
    .getset = kGetSet,
    .attributes = {},
};

}  // namespace zorvane
