// SystemTime: the Python class over the shared time-record templates.
#include "sample_set/system_time.hpp"

#include "lib/docs.hpp"

namespace zorvane {
namespace {

using namespace time_fields;
using T = SystemTime;

PyGetSetDef kGetSet[] = {
    getter_setter<py_get<T, 0>, py_set<T, 0>>("post_problem_and_instance_data"),
    getter_setter<py_get<T, 1>, py_set<T, 1>>("request_queue"),
    getter_setter<py_get<T, 2>, py_set<T, 2>>("fetch_problem_and_instance_data"),
    getter_setter<py_get<T, 3>, py_set<T, 3>>("fetch_result"),
    getter_setter<py_get<T, 4>, py_set<T, 4>>("deserialize_solution"),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef kMethods[] = {
    noargs_method<py_to_dict<T>>("to_dict", docs::kMethodDocSystemTimeToDict),
    static_method<py_from_dict<T>>("from_dict", docs::kMethodDocSystemTimeFromDict),
    noargs_method<py_to_json<T>>("to_json", docs::kMethodDocSystemTimeToJson),
    static_method<py_from_json<T>>("from_json", docs::kMethodDocSystemTimeFromJson),
    {nullptr, nullptr, 0, nullptr},
};

const PyType_Slot kSlots[] = {
    {Py_tp_repr, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
    {Py_tp_str, reinterpret_cast<void*>(&slot_unary<py_repr<T>>)},
    {Py_tp_richcompare,
     reinterpret_cast<void*>(&slot_richcompare<compare_by_value<T, ClassId::SystemTime, equal<T>>>)},
};

}  // namespace

const ClassDef kSystemTimeClass{
    .id = ClassId::SystemTime,
    .name = "SystemTime",
    .doc = docs::kSystemTime,
    .signature = docs::kSigSystemTime,
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
