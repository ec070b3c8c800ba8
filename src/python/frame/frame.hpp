// The class frame: one table row per Python class builds its type object; instances own one
// native value plus a borrow counter; thunks wrap every entry in the boundary guard.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

#include "python/class_id.hpp"
#include "python/frame/args.hpp"
#include "python/frame/guard.hpp"
#include "python/frame/pyref.hpp"
#include "python/frame/text_signature.hpp"

namespace zorvane {

/// A class attribute stored into the type's dictionary once the type exists.
struct ClassAttribute {
  const char* name;
  PyRef (*make)();
};

/// The cyclic collector's hooks of a class whose value holds Python references (see
/// `gc_support`). Both null: the class is not tracked by the collector.
struct GcSupport {
  traverseproc traverse = nullptr;
  inquiry clear = nullptr;
};

/// What a class's own file says about it; its id, name and documentation come from its row in
/// classes.def.
struct ClassDef {
  Py_ssize_t basicsize;
  destructor dealloc;
  newfunc tp_new;              ///< null: calling the class raises "No constructor defined"
  vectorcallfunc vectorcall;   ///< fast path of the constructor, installed after creation
  /// The constructor's parser record, from which its text signature is rendered; null: none.
  const Signature* constructor = nullptr;
  std::span<const PyType_Slot> slots;
  PyMethodDef* methods;  ///< null-terminated table or null
  PyGetSetDef* getset;   ///< null-terminated table or null
  std::span<const ClassAttribute> attributes;
  std::span<const PyType_Slot> more_slots{};  ///< the class's own slots besides the shared `slots`
  GcSupport gc{};  ///< set for values that hold arbitrary Python objects, which can form cycles
};

// The table row of every class, each defined in its class's own file.
#define ZORVANE_VALUE_CLASS(Name) extern const ClassDef k##Name##Class;
#define ZORVANE_NODE_CLASS(Name, Family, NodeTag, Kind) extern const ClassDef k##Name##Class;
#include "python/classes.def"
#undef ZORVANE_VALUE_CLASS
#undef ZORVANE_NODE_CLASS

/// Builds the type object of class `id` on first use (the module fill asks first and gets the
/// error); later requests find the stored one, or finish it when its attributes failed. `doc` is the class documentation (null: `__doc__`
/// is None), to which the constructor's text signature is prefixed.
PyTypeObject* build_type_object(ClassId id, const ClassDef& def, const char* doc);
/// The type object of a class that the module has registered; an internal fault otherwise.
PyTypeObject* type_object(ClassId id);
/// The type objects, indexed by class; null while a class is not built.
extern std::array<PyTypeObject*, kClassCount> g_type_objects;
/// The type object, or null while the class is not built.
inline PyTypeObject* type_object_or_null(ClassId id) noexcept { return g_type_objects[std::size_t(id)]; }

namespace detail {

/// The built type objects by address: open addressing over a table twice the size needed, so
/// a look-up reads one or two slots.
struct TypeIndexSlot {
  PyTypeObject* type = nullptr;
  ClassId id{};
};
inline constexpr std::size_t kTypeIndexBits = 7;
static_assert((std::size_t(1) << kTypeIndexBits) >= 2 * kClassCount);
extern std::array<TypeIndexSlot, std::size_t(1) << kTypeIndexBits> g_type_index;

inline std::size_t type_index_home(const PyTypeObject* type) noexcept {
  return std::size_t((std::uint64_t(reinterpret_cast<std::uintptr_t>(type)) * 0x9e3779b97f4a7c15ULL) >>
                     (64 - kTypeIndexBits));
}

}  // namespace detail

/// The class whose type object is exactly `type`; nothing for any other type. Constant time.
inline std::optional<ClassId> class_of_type(const PyTypeObject* type) noexcept {
  constexpr std::size_t kMask = detail::g_type_index.size() - 1;
  for (std::size_t i = detail::type_index_home(type);; i = (i + 1) & kMask) {
    const detail::TypeIndexSlot& slot = detail::g_type_index[i];
    if (slot.type == type) return slot.id;
    if (slot.type == nullptr) return std::nullopt;
  }
}
/// The module class of `object` (the module's classes cannot be subclassed, so this is the class
/// it is an instance of), or nothing.
inline std::optional<ClassId> class_of(PyObject* object) noexcept { return class_of_type(Py_TYPE(object)); }

/// The native layout of every instance: header, value, borrow counter.
template <class T>
struct Instance {
  PyObject_HEAD
  T value;
  Py_ssize_t borrow;  ///< 0 free, >0 shared borrows, -1 borrowed exclusively
};

/// Exact type or subtype (the module's classes cannot be subclassed, so this is an exact test).
inline bool is_instance(PyObject* object, ClassId id) noexcept {
  PyTypeObject* type = type_object_or_null(id);
  return type != nullptr && (Py_TYPE(object) == type || PyType_IsSubtype(Py_TYPE(object), type));
}
/// TypeError "'<type>' object cannot be converted to '<Class>'" unless `object` is an instance.
void check_instance(PyObject* object, ClassId id);
[[noreturn]] void raise_already_mutably_borrowed();
[[noreturn]] void raise_already_borrowed();

/// A shared (read) borrow, released when it goes out of scope.
template <class T>
class Borrow {
 public:
  explicit Borrow(Instance<T>* instance) noexcept : instance_(instance) { ++instance_->borrow; }
  Borrow(Borrow&& other) noexcept : instance_(std::exchange(other.instance_, nullptr)) {}
  Borrow(const Borrow&) = delete;
  ~Borrow() {
    if (instance_ != nullptr) --instance_->borrow;
  }
  const T& operator*() const noexcept { return instance_->value; }
  const T* operator->() const noexcept { return &instance_->value; }

 private:
  Instance<T>* instance_;
};

/// An exclusive (write) borrow, released when it goes out of scope.
template <class T>
class BorrowMut {
 public:
  explicit BorrowMut(Instance<T>* instance) noexcept : instance_(instance) { instance_->borrow = -1; }
  BorrowMut(const BorrowMut&) = delete;
  ~BorrowMut() { instance_->borrow = 0; }
  T& operator*() const noexcept { return instance_->value; }
  T* operator->() const noexcept { return &instance_->value; }

 private:
  Instance<T>* instance_;
};

template <class T>
Instance<T>* instance_of(PyObject* object) noexcept {
  return reinterpret_cast<Instance<T>*>(object);
}

/// Instance check then shared borrow; raises the frame's TypeError or RuntimeError.
template <class T>
Borrow<T> borrow(PyObject* object, ClassId id) {
  check_instance(object, id);
  Instance<T>* instance = instance_of<T>(object);
  if (instance->borrow == -1) raise_already_mutably_borrowed();
  return Borrow<T>(instance);
}

/// Like `borrow`, but an object of another class or a failed borrow gives nothing.
template <class T>
std::optional<Borrow<T>> try_borrow(PyObject* object, ClassId id) {
  if (!is_instance(object, id)) return std::nullopt;
  Instance<T>* instance = instance_of<T>(object);
  if (instance->borrow == -1) return std::nullopt;
  return std::optional<Borrow<T>>(std::in_place, instance);
}

/// A copy of the value of a `T` object, or nothing (another class, or a failed borrow); never
/// raises.
template <class T>
std::optional<T> held_copy(PyObject* object, ClassId id) {
  if (auto held = try_borrow<T>(object, id)) return **held;
  return std::nullopt;
}

/// Instance check then exclusive borrow ("Already borrowed" while any borrow is active).
template <class T>
BorrowMut<T> borrow_mut(PyObject* object, ClassId id) {
  check_instance(object, id);
  Instance<T>* instance = instance_of<T>(object);
  if (instance->borrow != 0) raise_already_borrowed();
  return BorrowMut<T>(instance);
}

/// An uncollected instance with only its header set (the type's reference included).
PyRef allocate_plain(PyTypeObject* type);

/// A new instance of class `id` owning `value`.
template <class T>
PyRef new_instance(ClassId id, T value) {
  // A move that could throw (e.g. one that allocates) would leave the object to be deallocated
  // with a value never constructed.
  static_assert(std::is_nothrow_move_constructible_v<T>);
  PyTypeObject* type = type_object_or_null(id);
  if (type == nullptr) type = type_object(id);  // raises the internal fault
  const bool collected = PyType_IS_GC(type);
  // Most instances (every expression) are not collected: for them the generic allocation
  // would only zero the memory that the value and the counter are written to next. The
  // type's default `tp_free` of such a class is `PyObject_Free`.
  PyRef object = collected ? checked(type->tp_alloc(type, 0)) : allocate_plain(type);
  // The allocation tracks a collected instance at once; the collector sees it only once its
  // value is in place.
  if (collected) PyObject_GC_UnTrack(object.get());
  Instance<T>* instance = instance_of<T>(object.get());
  new (&instance->value) T(std::move(value));
  instance->borrow = 0;
  if (collected) PyObject_GC_Track(object.get());
  return object;
}

template <class T>
void dealloc_instance(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  // Untracked first: releasing the value runs Python code, and a collection meanwhile must not
  // visit a value that is being destroyed.
  if (PyType_IS_GC(type)) PyObject_GC_UnTrack(self);
  instance_of<T>(self)->value.~T();
  type->tp_free(self);
  Py_DECREF(type);
}

/// `tp_traverse`: an instance holds its (heap) type, and its value the references `Visit`
/// reports through `visit` (as `Py_VISIT` does).
template <class T, int (*Visit)(const T&, visitproc, void*)>
int traverse_instance(PyObject* self, visitproc visit, void* arg) noexcept {
  Py_VISIT(Py_TYPE(self));
  return Visit(instance_of<T>(self)->value, visit, arg);
}

/// `tp_clear`: `Clear` drops the references of the value that can take part in a cycle.
template <class T, void (*Clear)(T&) noexcept>
int clear_instance(PyObject* self) noexcept {
  Clear(instance_of<T>(self)->value);
  return 0;
}

/// The row option that makes a class take part in cyclic garbage collection.
template <class T, int (*Visit)(const T&, visitproc, void*), void (*Clear)(T&) noexcept>
constexpr GcSupport gc_support() {
  return {&traverse_instance<T, Visit>, &clear_instance<T, Clear>};
}

/// `NotImplemented`, as a new reference.
PyRef not_implemented();

// ---- Thunks: C-API entry points generated from plain functions returning PyRef. ----
// None is `noexcept`: a thread ended by the interpreter unwinds through them (see `guard`).

using ConstructorBody = PyRef (*)(PyTypeObject*, PyObject* const*, Py_ssize_t, PyObject*);

template <ConstructorBody Body>
PyObject* constructor_vectorcall(PyObject* type, PyObject* const* args, size_t nargsf,
                                 PyObject* kwnames) {
  return guard_object([&] {
    return Body(reinterpret_cast<PyTypeObject*>(type), args, PyVectorcall_NARGS(nargsf), kwnames);
  });
}

/// `tp_new` for calls that do not go through vectorcall (e.g. `Cls.__new__(Cls, ...)`).
PyRef call_with_tuple_and_dict(ConstructorBody body, PyTypeObject* type, PyObject* args,
                               PyObject* kwargs);

template <ConstructorBody Body>
PyObject* constructor_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guard_object([&] { return call_with_tuple_and_dict(Body, type, args, kwargs); });
}

using MethodBody = PyRef (*)(PyObject*, PyObject* const*, Py_ssize_t, PyObject*);
using UnaryBody = PyRef (*)(PyObject*);
using BinaryBody = PyRef (*)(PyObject*, PyObject*);
using TernaryBody = PyRef (*)(PyObject*, PyObject*, PyObject*);
using CompareBody = PyRef (*)(PyObject*, PyObject*, int);

template <MethodBody Body>
PyObject* method_fastcall(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                          PyObject* kwnames) {
  return guard_object([&] { return Body(self, args, nargs, kwnames); });
}
template <UnaryBody Body>
PyObject* method_noargs(PyObject* self, PyObject*) {
  return guard_object([&] { return Body(self); });
}
template <UnaryBody Body>
PyObject* slot_unary(PyObject* self) {
  return guard_object([&] { return Body(self); });
}
template <UnaryBody Body>
PyObject* slot_getter(PyObject* self, void*) {
  return guard_object([&] { return Body(self); });
}
template <BinaryBody Body>
PyObject* slot_binary(PyObject* left, PyObject* right) {
  return guard_object([&] { return Body(left, right); });
}
template <TernaryBody Body>
PyObject* slot_ternary(PyObject* a, PyObject* b, PyObject* c) {
  return guard_object([&] { return Body(a, b, c); });
}
template <CompareBody Body>
PyObject* slot_richcompare(PyObject* self, PyObject* other, int op) {
  return guard_object([&] { return Body(self, other, op); });
}

// Method table entries. The documentation starts with the text signature, rendered from the
// parser's record `sig` (its function is the method's name) or, for a method without arguments,
// "($self)"; `body` is the rest of the documentation (null: `__doc__` is None).

template <MethodBody Body>
PyMethodDef fastcall_method(const Signature& sig, const char* body) {
  return {sig.function, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&method_fastcall<Body>)),
          METH_FASTCALL | METH_KEYWORDS, signature_doc(sig.function, sig, Receiver::Self, body)};
}
template <UnaryBody Body>
PyMethodDef noargs_method(const char* name, const char* body) {
  return {name, &method_noargs<Body>, METH_NOARGS,
          signature_doc(name, Signature{.function = name}, Receiver::Self, body)};
}
/// A method without arguments, documentation or text signature.
template <UnaryBody Body>
constexpr PyMethodDef undocumented_noargs_method(const char* name) {
  return {name, &method_noargs<Body>, METH_NOARGS, nullptr};
}
template <UnaryBody Body>
constexpr PyGetSetDef getter(const char* name, const char* doc = nullptr) {
  return {name, &slot_getter<Body>, nullptr, doc, nullptr};
}

/// A setter body: converts `value` (never null) and stores it; raises on failure.
using SetterBody = void (*)(PyObject* self, PyObject* value);

/// Deleting a writable attribute raises AttributeError "can't delete attribute".
int refuse_attribute_delete() noexcept;

template <SetterBody Body>
int slot_setter(PyObject* self, PyObject* value, void*) {
  if (value == nullptr) return refuse_attribute_delete();
  return guard<int>(-1, [&] {
    Body(self, value);
    return 0;
  });
}
/// A read-write attribute.
template <UnaryBody Get, SetterBody Set>
constexpr PyGetSetDef getter_setter(const char* name, const char* doc = nullptr) {
  return {name, &slot_getter<Get>, &slot_setter<Set>, doc, nullptr};
}
/// A static method (called on the class; the body receives a null `self`).
template <MethodBody Body>
PyMethodDef static_method(const Signature& sig, const char* body) {
  return {sig.function, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&method_fastcall<Body>)),
          METH_FASTCALL | METH_KEYWORDS | METH_STATIC,
          signature_doc(sig.function, sig, Receiver::None, body)};
}

/// "<", "<=", "==", "!=", ">", ">=" for a rich-comparison code.
const char* comparison_operator_text(int op) noexcept;

/// Rich comparison of classes that compare by value: `NotImplemented` unless both operands are
/// of the class (and readable); `==` / `!=` by `Eq`; ordering raises TypeError
/// "Comparison '<' not supported for <Class>".
template <class T, ClassId Id, bool (*Eq)(const T&, const T&)>
PyRef compare_by_value(PyObject* self, PyObject* other, int op) {
  auto left = try_borrow<T>(self, Id);
  if (!left) return not_implemented();
  auto right = try_borrow<T>(other, Id);
  if (!right) return not_implemented();
  switch (op) {
    case Py_EQ: return PyRef::borrow(Eq(**left, **right) ? Py_True : Py_False);
    case Py_NE: return PyRef::borrow(Eq(**left, **right) ? Py_False : Py_True);
    case Py_LT:
    case Py_LE:
    case Py_GT:
    case Py_GE:
      raise(ErrorKind::Type, std::string("Comparison '") + comparison_operator_text(op) +
                                 "' not supported for " + class_name(Id));
    default: return not_implemented();
  }
}

/// `None`, as a new reference.
PyRef none();
/// A new Python `str` from UTF-8 text.
PyRef new_str(std::string_view text);

}  // namespace zorvane
