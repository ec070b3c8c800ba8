/* Buffers that lie, for tests/test_buffers.py, which builds this file with the system's compiler.
 *
 * `liar(items, memory, format, ndim, shape, stride, len, itemsize, suboffsets, error)` makes a `Liar`: a list of
 * `items` (what reading it item by item sees) whose buffer view is the one these settings describe, over a copy of
 * `memory` (at most 32 bytes) held in the object itself. `stride` None leaves `strides` NULL; `suboffsets` true lends
 * suboffsets of -1 (no indirection); `error` None lends the view, an exception type makes getbuffer raise it, and
 * anything else makes getbuffer return -1 without setting an error.
 *
 * `narrowed_array(ndarray)` and `failing_array(ndarray)` make ndarray subclasses whose buffer is the array's own view
 * claiming its first item only (so never make one of no item), or a MemoryError. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <string.h>

typedef struct {
  PyListObject list;
  Py_buffer view;  /* lent as it is, but for its `obj` */
  char memory[32], format[8];
  Py_ssize_t shape[1], strides[1], suboffsets[1];
  PyObject *error;
} Liar;

static int liar_getbuffer(PyObject *self, Py_buffer *view, int flags) {
  Liar *liar = (Liar *)self;
  if (liar->error == Py_None) {
    *view = liar->view;
    view->obj = Py_NewRef(self);
    return 0;
  }
  if (PyExceptionClass_Check(liar->error)) PyErr_SetNone(liar->error);
  return -1;
}

static void liar_dealloc(PyObject *self) {
  Py_CLEAR(((Liar *)self)->error);
  PyList_Type.tp_dealloc(self);
}

static PyBufferProcs liar_buffer = {liar_getbuffer, NULL};
static PyTypeObject LiarType = {
    PyVarObject_HEAD_INIT(NULL, 0)
    .tp_name = "buffer_exporter.Liar",
    .tp_basicsize = sizeof(Liar),
    .tp_dealloc = liar_dealloc,
    .tp_as_buffer = &liar_buffer,
    .tp_flags = Py_TPFLAGS_DEFAULT,  /* the list's garbage collection is inherited */
};

static PyObject *liar(PyObject *module, PyObject *args) {
  PyObject *items, *stride, *error;
  const char *memory, *format;
  Py_ssize_t size, ndim, shape, len, itemsize;
  int suboffsets;
  if (!PyArg_ParseTuple(args, "Oy#snnOnnpO", &items, &memory, &size, &format, &ndim, &shape, &stride, &len,
                        &itemsize, &suboffsets, &error)) {
    return NULL;
  }
  if (size > 32 || strlen(format) >= 8) return PyErr_Format(PyExc_ValueError, "memory or format too long");
  Liar *made = (Liar *)PyObject_CallOneArg((PyObject *)&LiarType, items);
  if (made == NULL) return NULL;
  memcpy(made->memory, memory, (size_t)size);
  strcpy(made->format, format);
  made->shape[0] = shape, made->suboffsets[0] = -1;
  made->strides[0] = stride == Py_None ? 0 : PyLong_AsSsize_t(stride);
  if (PyErr_Occurred()) return Py_DECREF(made), NULL;
  made->view = (Py_buffer){.buf = made->memory, .len = len, .itemsize = itemsize, .readonly = 1, .ndim = (int)ndim,
                           .format = made->format, .shape = made->shape,
                           .strides = stride == Py_None ? NULL : made->strides,
                           .suboffsets = suboffsets ? made->suboffsets : NULL};
  made->error = Py_NewRef(error);
  return (PyObject *)made;
}

static Py_ssize_t one_item[1] = {1}, one_step[1] = {8};

static int narrowed_getbuffer(PyObject *self, Py_buffer *view, int flags) {
  PyTypeObject *ndarray = Py_TYPE(self)->tp_base;
  if (ndarray->tp_as_buffer->bf_getbuffer(self, view, flags) < 0) return -1;
  view->ndim = 1, view->shape = one_item, view->strides = one_step, view->len = 8;
  return 0;
}

static int failing_getbuffer(PyObject *self, Py_buffer *view, int flags) {
  PyErr_NoMemory();
  return -1;
}

static PyObject *array_type(PyObject *ndarray, const char *name, getbufferproc getbuffer) {
  PyType_Slot slots[] = {{Py_bf_getbuffer, getbuffer}, {0, NULL}};
  PyType_Spec spec = {name, 0, 0, Py_TPFLAGS_DEFAULT, slots};
  return PyType_FromSpecWithBases(&spec, ndarray);
}
static PyObject *narrowed_array(PyObject *module, PyObject *ndarray) {
  return array_type(ndarray, "buffer_exporter.Narrowed", narrowed_getbuffer);
}
static PyObject *failing_array(PyObject *module, PyObject *ndarray) {
  return array_type(ndarray, "buffer_exporter.Failing", failing_getbuffer);
}

static PyMethodDef methods[] = {{"liar", liar, METH_VARARGS, NULL},
                                {"narrowed_array", narrowed_array, METH_O, NULL},
                                {"failing_array", failing_array, METH_O, NULL},
                                {NULL, NULL, 0, NULL}};
static struct PyModuleDef module = {PyModuleDef_HEAD_INIT, "buffer_exporter", NULL, -1, methods};

PyMODINIT_FUNC PyInit_buffer_exporter(void) {
  LiarType.tp_base = &PyList_Type;
  if (PyType_Ready(&LiarType) < 0) return NULL;
  return PyModule_Create(&module);
}
