// tessaloom._native: the thin native half of the Python host. It creates
// objects through the library's class factory and makes IDispatch's two
// late-binding calls. A call's arguments cross as the Python values
// themselves and are turned into VARIANTs here, in one native call per
// late-bound call: text keeps every UTF-16 unit (lone surrogates included),
// integers become VT_I4 or VT_I8 (a double past that), anything with
// __index__ or __float__ (numpy scalars) counts as a number. Keyword
// arguments become IDispatch named arguments, their DISPIDs asked of the
// object by parameter name. A failed call raises InvokeError(hresult,
// argument, reason): `argument` is the failing argument's position in the
// call, the keyword it was given as, or None. The naming rules and the
// messages live in tessaloom/__init__.py.
//
// Written against CPython's limited API (Py_LIMITED_API, set by the build),
// so one binary (_native.abi3.so) loads into every CPython from 3.9 on.
#include <Python.h>

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "component/type_library.h"
#include "platform/text.h"
#include "tessaloom/request_context.h"
#include "tessaloom/tessaloom.h"

using namespace tessaloom;

// In the stable ABI from CPython 3.10 (and exported by 3.9 too, so the module
// loads there); called only where the running CPython is 3.10 or later.
extern "C" const char* PyUnicode_AsUTF8AndSize(  // NOLINT(readability-identifier-naming)
    PyObject* text, Py_ssize_t* size);

namespace {

// Thrown once a Python exception is set; the module's entry points turn it
// (and any C++ failure) into a NULL result, so nothing throws into Python.
struct PythonError {};

struct Unref {
  void operator()(PyObject* object) const noexcept { Py_XDECREF(object); }
};
using Ref = std::unique_ptr<PyObject, Unref>;

// Owns a new reference; a null one means Python has set an error.
Ref Own(PyObject* object) {
  if (object == nullptr) throw PythonError();
  return Ref(object);
}

Ref Borrow(PyObject* object) {
  Py_INCREF(object);
  return Ref(object);
}

template <typename Body>
PyObject* Guarded(Body&& body) noexcept {
  try {
    return body().release();
  } catch (const PythonError&) {
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& failure) {
    PyErr_SetString(PyExc_RuntimeError, failure.what());
  }
  return nullptr;
}

[[noreturn]] void Raise(PyObject* type, const char* message) {
  PyErr_SetString(type, message);
  throw PythonError();
}

// Made when the module loads, kept for the life of the process.
PyObject* gInvokeError = nullptr;     // the exception class of failed calls
PyObject* gRequestGet = nullptr;      // the bound get() of the request variable
PyObject* gFloatName = nullptr;       // "__float__", interned
PyTypeObject* gNativeType = nullptr;  // NativeDispatch
bool gUtf8InStableAbi = false;        // the running CPython is 3.10 or later

[[noreturn]] void RaiseInvokeError(HRESULT hr, PyObject* argument, PyObject* reason = nullptr) {
  const Ref args =
      Own(Py_BuildValue("(iOO)", static_cast<int>(hr), argument != nullptr ? argument : Py_None,
                        reason != nullptr ? reason : Py_None));
  PyErr_SetObject(gInvokeError, args.get());
  throw PythonError();
}

// Python text to a BSTR unit by unit, so lone surrogates pass as they are.
BSTR BstrFromPython(PyObject* text) {
  const Py_ssize_t length = PyUnicode_GetLength(text);
  if (length < 0) throw PythonError();
  // ASCII text, most of what calls carry, as its UTF-8 form: CPython keeps
  // that in the object, so no copy is made (other text gets one, kept too).
  if (gUtf8InStableAbi) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
    if (utf8 == nullptr) {
      PyErr_Clear();  // lone surrogates have no UTF-8 form: unit by unit below
    } else if (size == length) {
      if (static_cast<std::size_t>(length) > kMaxBstrLength) throw std::bad_alloc();
      BSTR out = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(length));
      if (out == nullptr) throw std::bad_alloc();
      for (Py_ssize_t i = 0; i < length; ++i) out[i] = static_cast<unsigned char>(utf8[i]);
      return out;
    }
  }
  if (static_cast<std::size_t>(length) > kMaxBstrLength) throw std::bad_alloc();
  // Code points first: on the stack for the short texts calls carry.
  std::array<Py_UCS4, 64> onStack;
  std::vector<Py_UCS4> heap;
  Py_UCS4* points = onStack.data();
  if (static_cast<std::size_t>(length) > onStack.size()) {
    heap.resize(static_cast<std::size_t>(length));
    points = heap.data();
  }
  if (length > 0 && PyUnicode_AsUCS4(text, points, length, 0) == nullptr) throw PythonError();
  std::size_t units = static_cast<std::size_t>(length);
  for (Py_ssize_t i = 0; i < length; ++i) {
    if (points[i] > 0xFFFF) ++units;
  }
  if (units > kMaxBstrLength) throw std::bad_alloc();
  BSTR out = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(units));
  if (out == nullptr) throw std::bad_alloc();
  std::size_t at = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    const Py_UCS4 c = points[i];
    if (c > 0xFFFF) {
      out[at++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out[at++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out[at++] = static_cast<char16_t>(c);
    }
  }
  return out;
}

std::u16string Utf16OfPython(PyObject* text) {
  BSTR units = BstrFromPython(text);
  std::u16string copy(BstrView(units));
  SysFreeString(units);
  return copy;
}

Ref TextToPython(std::u16string_view text) {
  if (text.empty()) return Own(PyUnicode_FromStringAndSize("", 0));
  int littleEndian = -1;
  return Own(PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                                   static_cast<Py_ssize_t>(text.size() * 2), "surrogatepass",
                                   &littleEndian));
}

Ref Text(std::string_view utf8) {
  return Own(PyUnicode_FromStringAndSize(utf8.data(), static_cast<Py_ssize_t>(utf8.size())));
}

Ref Bytes(std::string_view data) {
  return Own(PyBytes_FromStringAndSize(data.data(), static_cast<Py_ssize_t>(data.size())));
}

std::string BytesOf(PyObject* bytes) {
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bytes, &data, &size) != 0) throw PythonError();
  return std::string(data, static_cast<std::size_t>(size));
}

// UTF-16LE bytes (how the Python half passes names, so any Python text,
// lone surrogates included, reaches the object as it is) to UTF-16.
std::u16string FromUtf16Bytes(PyObject* bytes) {
  if (!PyBytes_Check(bytes)) Raise(PyExc_TypeError, "expected bytes");
  const std::string data = BytesOf(bytes);
  std::u16string text(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                    (static_cast<unsigned char>(data[2 * i + 1]) << 8));
  }
  return text;
}

// The tessaloom.request() blocks in force, per Python context (so per
// thread, asyncio task and greenlet alike): a tuple of (page, owner) pairs,
// innermost last; a page is the path's bytes, or None when it is unknown.
// A contextvars.ContextVar made when the module loads; _request.py keeps it.
//
// The innermost request() of the calling Python context as the thread's
// current request while this lives. The component reads the page on the
// thread, so the scope spans one synchronous native call and never the
// Python code around it: pages that take turns on one thread (asyncio,
// gevent) each draw with their own. With no request() in force the thread's
// own state holds (a C++ host's RequestScope, else the environment).
class PythonRequest {
 public:
  PythonRequest() {
    const Ref stack = Own(PyObject_CallObject(gRequestGet, nullptr));
    if (PyTuple_Check(stack.get()) && PyTuple_Size(stack.get()) == 0) return;
    scope_.emplace(Page(stack.get()));
  }
  PythonRequest(const PythonRequest&) = delete;
  PythonRequest& operator=(const PythonRequest&) = delete;

 private:
  // The innermost page; a value of another shape names no page, so drawing
  // is refused rather than done as whichever page the thread last had.
  static std::optional<std::string> Page(PyObject* stack) {
    if (!PyTuple_Check(stack)) return std::nullopt;
    PyObject* entry = PyTuple_GetItem(stack, PyTuple_Size(stack) - 1);
    if (entry == nullptr || !PyTuple_Check(entry) || PyTuple_Size(entry) != 2) {
      return std::nullopt;
    }
    PyObject* page = PyTuple_GetItem(entry, 0);
    if (page == nullptr || !PyBytes_Check(page)) return std::nullopt;
    return BytesOf(page);
  }

  std::optional<RequestScope> scope_;
};

enum class Converted { kOk, kOverflow, kUnsupported };

Converted IntegerToVariant(PyObject* number, VARIANT* v) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
  if (overflow == 0) {
    if (value == -1 && PyErr_Occurred()) throw PythonError();
    if (value >= INT32_MIN && value <= INT32_MAX) {
      v->vt = VT_I4, v->lVal = static_cast<std::int32_t>(value);
    } else {
      v->vt = VT_I8, v->llVal = value;
    }
    return Converted::kOk;
  }
  // Past 64 bits the value goes on as a double, if it fits one.
  const double asDouble = PyLong_AsDouble(number);
  if (asDouble == -1.0 && PyErr_Occurred()) {
    PyErr_Clear();
    return Converted::kOverflow;
  }
  v->vt = VT_R8, v->dblVal = asDouble;
  return Converted::kOk;
}

Converted ToVariant(PyObject* value, VARIANT* v) {
  if (value == Py_None) {
    v->vt = VT_EMPTY;
  } else if (PyBool_Check(value)) {
    v->vt = VT_BOOL, v->boolVal = value == Py_True ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (PyLong_Check(value)) {
    return IntegerToVariant(value, v);
  } else if (PyUnicode_Check(value)) {  // before floats: this check only reads the type's flags
    v->bstrVal = BstrFromPython(value);
    v->vt = VT_BSTR;
  } else if (PyFloat_Check(value)) {
    v->vt = VT_R8, v->dblVal = PyFloat_AsDouble(value);
  } else if (PyIndex_Check(value)) {
    const Ref index = Own(PyNumber_Index(value));
    return IntegerToVariant(index.get(), v);
  } else {
    // Whether the type has __float__, as the type's slot would say.
    const int hasFloat = PyObject_HasAttr(reinterpret_cast<PyObject*>(Py_TYPE(value)), gFloatName);
    if (hasFloat == 0) return Converted::kUnsupported;
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred()) throw PythonError();
    v->vt = VT_R8, v->dblVal = number;
  }
  return Converted::kOk;
}

// "object", "numpy.ndarray": a value's type as Python names it.
Ref TypeName(PyObject* value) {
  PyObject* type = reinterpret_cast<PyObject*>(Py_TYPE(value));
  const Ref name = Own(PyObject_GetAttrString(type, "__qualname__"));
  Ref module(PyObject_GetAttrString(type, "__module__"));
  if (module == nullptr) PyErr_Clear();
  if (module == nullptr || !PyUnicode_Check(module.get()) ||
      PyUnicode_CompareWithASCIIString(module.get(), "builtins") == 0) {
    return Own(PyUnicode_FromFormat("%S", name.get()));
  }
  return Own(PyUnicode_FromFormat("%U.%S", module.get(), name.get()));
}

Ref FromVariant(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: return TextToPython(BstrView(v.bstrVal));
    case VT_I4: return Own(PyLong_FromLong(v.lVal));
    case VT_I8: return Own(PyLong_FromLongLong(v.llVal));
    case VT_R4: return Own(PyFloat_FromDouble(static_cast<double>(v.fltVal)));
    case VT_R8: return Own(PyFloat_FromDouble(v.dblVal));
    case VT_BOOL: return Own(PyBool_FromLong(v.boolVal != 0));
    case VT_ARRAY | VT_UI1: {
      const SAFEARRAY* array = v.parray;
      if (array == nullptr || array->cElements == 0) return Bytes({});
      return Bytes({reinterpret_cast<const char*>(array->pvData), array->cElements});
    }
    default: return Borrow(Py_None);
  }
}

// Storage of one call's arguments: inline for the short calls scripts make,
// on the heap past that. Owns the VARIANTs it holds.
template <typename T, std::size_t N>
class CallStorage {
 public:
  explicit CallStorage(std::size_t n) {
    if (n > N) heap_.resize(n);
  }
  T* data() { return heap_.empty() ? inline_.data() : heap_.data(); }

 private:
  std::array<T, N> inline_{};
  std::vector<T> heap_;
};

// The most arguments one call may pass; no member of a script-facing
// interface takes nearly so many.
constexpr std::size_t kMaxCallArguments = 64;

// Invokes `id` with the positional `args` and the keyword arguments in
// `keywords` (a dict or None) of the member called `member`. For a put,
// the last positional argument is the value. Returns a property get's
// value, or the member's success code when it returns nothing.
Ref Call(IDispatch* dispatch, DISPID id, WORD flags, PyObject* args, PyObject* keywords,
         PyObject* member) {
  const std::size_t positional = static_cast<std::size_t>(PyTuple_Size(args));
  const Py_ssize_t keywordSize = PyDict_Check(keywords) ? PyDict_Size(keywords) : 0;
  const std::size_t keywordCount = static_cast<std::size_t>(keywordSize);
  const std::size_t total = positional + keywordCount;
  if (total > kMaxCallArguments) RaiseInvokeError(DISP_E_BADPARAMCOUNT, nullptr);
  // The value of a put travels as the named argument DISPID_PROPERTYPUT.
  const bool putValue = (flags & DISPATCH_PROPERTYPUT) != 0 && positional > 0;
  const std::size_t named = keywordCount + (putValue ? 1 : 0);

  CallStorage<DISPID, 4> namedIds(named);
  if (putValue) namedIds.data()[0] = DISPID_PROPERTYPUT;
  // Held, not borrowed: a value's __index__ or __float__ is Python code
  // that may change the dict while the call is built.
  std::vector<Ref> keywordNames;
  std::vector<Ref> keywordValues;
  if (keywordCount > 0) {
    // GetIDsOfNames with the member first, then the parameter names.
    keywordNames.reserve(keywordCount);
    keywordValues.reserve(keywordCount);
    std::vector<std::u16string> texts;
    texts.reserve(keywordCount + 1);
    texts.push_back(Utf16OfPython(member));
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    Py_ssize_t pos = 0;
    while (keywordNames.size() < keywordCount && PyDict_Next(keywords, &pos, &key, &value)) {
      if (!PyUnicode_Check(key)) Raise(PyExc_TypeError, "keywords must be strings");
      keywordNames.push_back(Borrow(key));
      keywordValues.push_back(Borrow(value));
      texts.push_back(Utf16OfPython(key));
    }
    if (keywordNames.size() != keywordCount) Raise(PyExc_ValueError, "keywords changed");
    std::vector<OLECHAR*> names;
    for (std::u16string& text : texts) names.push_back(text.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    static_cast<void>(dispatch->GetIDsOfNames(GUID_NULL, names.data(),
                                              static_cast<UINT>(names.size()), 0, ids.data()));
    for (std::size_t k = 0; k < keywordCount; ++k) {
      // A name would end at a NUL on its way in, so "xVal\0..." is no xVal.
      if (texts[k + 1].find(u'\0') != std::u16string::npos) ids[k + 1] = DISPID_UNKNOWN;
      if (ids[k + 1] == DISPID_UNKNOWN) {
        const Ref reason = Text("no parameter of that name");
        RaiseInvokeError(DISP_E_PARAMNOTFOUND, keywordNames[k].get(), reason.get());
      }
      namedIds.data()[(putValue ? 1 : 0) + k] = ids[k + 1];
    }
  }

  // rgvarg: the put value, the keyword arguments in order, then the
  // remaining positional arguments last first.
  CallStorage<Variant, 4> values(total);
  auto slotOfPosition = [&](std::size_t i) {
    if (putValue && i == positional - 1) return std::size_t{0};
    return total - 1 - i;
  };
  // The failing argument is named only on the way out, so the usual call
  // makes no Python objects for it.
  auto convert = [&](PyObject* value, std::size_t slot, auto&& argument) {
    const Converted converted = ToVariant(value, values.data()[slot].get());
    if (converted == Converted::kOverflow) RaiseInvokeError(DISP_E_OVERFLOW, argument().get());
    if (converted == Converted::kUnsupported) {
      const Ref type = TypeName(value);
      const Ref reason = Own(PyUnicode_FromFormat("cannot pass %U through automation", type.get()));
      RaiseInvokeError(DISP_E_TYPEMISMATCH, argument().get(), reason.get());
    }
  };
  for (std::size_t i = 0; i < positional; ++i) {
    convert(PyTuple_GetItem(args, static_cast<Py_ssize_t>(i)), slotOfPosition(i),
            [i] { return Own(PyLong_FromSize_t(i)); });
  }
  for (std::size_t k = 0; k < keywordNames.size(); ++k) {
    PyObject* name = keywordNames[k].get();
    convert(keywordValues[k].get(), (putValue ? 1 : 0) + k, [name] { return Borrow(name); });
  }
  CallStorage<VARIANT, 4> raw(total);
  for (std::size_t i = 0; i < total; ++i) raw.data()[i] = *values.data()[i].get();

  DISPPARAMS params;
  params.rgvarg = total != 0 ? raw.data() : nullptr;
  params.cArgs = static_cast<UINT>(total);
  params.rgdispidNamedArgs = named != 0 ? namedIds.data() : nullptr;
  params.cNamedArgs = static_cast<UINT>(named);
  Variant result;
  EXCEPINFO exception;
  constexpr UINT kNoArgument = 0xFFFFFFFF;
  UINT argError = kNoArgument;
  HRESULT hr = S_OK;
  {
    // Taken after the arguments, whose conversion may run Python code.
    const PythonRequest request;
    // Drawing takes a while; other Python threads (with their own objects)
    // go on. Invoke is noexcept, so the thread state always comes back.
    PyThreadState* thread = PyEval_SaveThread();
    hr = dispatch->Invoke(id, GUID_NULL, 0, flags, &params, result.get(), &exception, &argError);
    PyEval_RestoreThread(thread);
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  if (SUCCEEDED(hr)) {
    // A method without a result gives its HRESULT; a property read as Empty
    // (an axis end left automatic) is None.
    if (result->vt == VT_EMPTY && flags == DISPATCH_PROPERTYGET) return Borrow(Py_None);
    if (result->vt == VT_EMPTY) return Own(PyLong_FromLong(hr));
    return FromVariant(*result.get());
  }
  // Name the failing argument as the call gave it, not by its rgvarg slot.
  Ref argument;
  if (argError < total) {
    if (putValue && argError == 0) {
      argument = Own(PyLong_FromSize_t(positional - 1));
    } else if (argError < named) {
      argument = Borrow(keywordNames[argError - (putValue ? 1 : 0)].get());
    } else {
      argument = Own(PyLong_FromSize_t(total - 1 - argError));
    }
  }
  RaiseInvokeError(hr, argument.get());
}

// NativeDispatch: one reference on an object's IDispatch.
struct NativeObject {
  PyObject_HEAD IDispatch* dispatch;
};

IDispatch* DispatchOf(PyObject* self) {
  IDispatch* dispatch = reinterpret_cast<NativeObject*>(self)->dispatch;
  if (dispatch == nullptr) Raise(PyExc_TypeError, "NativeDispatch holds no object");
  return dispatch;
}

Ref Wrap(ComPtr<IDispatch> dispatch) {
  auto* self = PyObject_New(NativeObject, gNativeType);
  if (self == nullptr) throw PythonError();
  self->dispatch = dispatch.Detach();
  return Ref(reinterpret_cast<PyObject*>(self));
}

void NativeDealloc(PyObject* self) noexcept {
  PyTypeObject* type = Py_TYPE(self);
  if (IDispatch* dispatch = reinterpret_cast<NativeObject*>(self)->dispatch) dispatch->Release();
  PyObject_Free(self);
  Py_DECREF(type);
}

PyObject* NativeNew(PyTypeObject*, PyObject*, PyObject*) noexcept {
  PyErr_SetString(PyExc_TypeError, "NativeDispatch objects come from create_instance");
  return nullptr;
}

PyObject* ToCall(PyObject* self, PyObject* const* argv, Py_ssize_t argc) {
  return Guarded([&] {
    IDispatch* dispatch = DispatchOf(self);
    if (argc != 5 || !PyLong_Check(argv[0]) || !PyLong_Check(argv[1]) || !PyTuple_Check(argv[2]) ||
        !PyUnicode_Check(argv[4])) {
      Raise(PyExc_TypeError, "call(dispid: int, flags: int, args: tuple, keywords, member: str)");
    }
    const long dispid = PyLong_AsLong(argv[0]);
    const long flags = PyLong_AsLong(argv[1]);
    if (PyErr_Occurred()) throw PythonError();
    if (dispid < INT32_MIN || dispid > INT32_MAX || flags < 0 || flags > 0xFFFF) {
      Raise(PyExc_ValueError, "dispid or flags out of range");
    }
    return Call(dispatch, static_cast<DISPID>(dispid), static_cast<WORD>(flags), argv[2], argv[3],
                argv[4]);
  });
}

// Every late-bound call comes through here, as a built-in function bound
// to its NativeDispatch: the fast calling convention where the running
// CPython's stable ABI has it (3.10 on), a tuple of arguments before.
constexpr int kMethFastCall = 0x0080;  // METH_FASTCALL, stable from CPython 3.10

PyObject* CallFast(PyObject* self, PyObject* const* argv, Py_ssize_t argc) noexcept {
  return ToCall(self, argv, argc);
}

PyObject* CallTuple(PyObject* self, PyObject* args) noexcept {
  const Py_ssize_t argc = PyTuple_Size(args);
  std::array<PyObject*, 5> argv{};
  if (argc < 0) return nullptr;
  // ToCall reads the arguments only when there are five.
  for (Py_ssize_t i = 0; i < argc && i < 5; ++i) {
    argv[static_cast<std::size_t>(i)] = PyTuple_GetItem(args, i);
  }
  return ToCall(self, argv.data(), argc);
}

constexpr const char* kCallDoc = "call(dispid, flags, args, keywords, member): one late-bound call";
PyMethodDef gCallFast{"call",
                      reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&CallFast)),
                      kMethFastCall, kCallDoc};
PyMethodDef gCallTuple{"call", &CallTuple, METH_VARARGS, kCallDoc};
PyMethodDef* gCallDefinition = &gCallTuple;

// The function holds a reference on its NativeDispatch, so on the object,
// for as long as it lives.
PyObject* NativeCaller(PyObject* self, PyObject*) noexcept {
  return PyCFunction_NewEx(gCallDefinition, self, nullptr);
}

// get_id(name: UTF-16LE bytes) -> (hresult, dispid)
PyObject* NativeGetId(PyObject* self, PyObject* name) noexcept {
  return Guarded([&] {
    IDispatch* dispatch = DispatchOf(self);
    std::u16string copy = FromUtf16Bytes(name);
    OLECHAR* names[1] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = dispatch->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
    return Own(Py_BuildValue("(ii)", static_cast<int>(hr), static_cast<int>(id)));
  });
}

// Whether the object answers for the class's default interface, whose
// members this module's own type description lists.
PyObject* NativeHasDefaultInterface(PyObject* self, PyObject*) noexcept {
  return Guarded([&] {
    ComPtr<IGraphGenerator2> typed;
    const HRESULT hr = DispatchOf(self)->QueryInterface(IID_IGraphGenerator2, typed.out());
    return Own(PyBool_FromLong(SUCCEEDED(hr)));
  });
}

PyMethodDef gNativeMethods[] = {
    {"get_id", &NativeGetId, METH_O, "get_id(name: UTF-16LE bytes) -> (hresult, dispid)"},
    {"has_default_interface", &NativeHasDefaultInterface, METH_NOARGS, nullptr},
    {"caller", &NativeCaller, METH_NOARGS, "the object's call(...) as a built-in function"},
    {nullptr, nullptr, 0, nullptr}};

PyType_Slot gNativeSlots[] = {{Py_tp_dealloc, reinterpret_cast<void*>(&NativeDealloc)},
                              {Py_tp_new, reinterpret_cast<void*>(&NativeNew)},
                              {Py_tp_methods, gNativeMethods},
                              {0, nullptr}};

PyType_Spec gNativeSpec{"tessaloom._native.NativeDispatch", sizeof(NativeObject), 0,
                        Py_TPFLAGS_DEFAULT, gNativeSlots};

// (hresult, NativeDispatch or None)
Ref Created(HRESULT hr, ComPtr<IDispatch> dispatch) {
  Ref object = FAILED(hr) ? Borrow(Py_None) : Wrap(std::move(dispatch));
  return Own(Py_BuildValue("(iO)", static_cast<int>(hr), object.get()));
}

// create_instance(clsid: str) -> (hresult, NativeDispatch or None)
PyObject* CreateInstance(PyObject*, PyObject* clsidText) noexcept {
  return Guarded([&] {
    if (!PyUnicode_Check(clsidText)) Raise(PyExc_TypeError, "expected str");
    const std::optional<GUID> clsid =
        GuidFromString(BytesOf(Own(PyUnicode_AsUTF8String(clsidText)).get()));
    if (!clsid) return Created(CO_E_CLASSSTRING, {});
    ComPtr<IClassFactory> factory;
    HRESULT hr = DllGetClassObject(*clsid, IID_IClassFactory, factory.out());
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, dispatch.out());
    return Created(hr, std::move(dispatch));
  });
}

// Creation by ProgID through the registry file: ProgID, class, server
// library, class factory. create_registered(progid: UTF-16LE bytes) ->
// (hresult, NativeDispatch or None, message on failure).
PyObject* CreateRegistered(PyObject*, PyObject* progid) noexcept {
  return Guarded([&] {
    const std::string name = Utf16ToUtf8(FromUtf16Bytes(progid));
    ComPtr<IDispatch> dispatch;
    std::string error;
    PyThreadState* thread = PyEval_SaveThread();  // loading a library may take a while
    const HRESULT hr = CreateObjectFromProgID(name, IID_IDispatch, dispatch.out(), error);
    PyEval_RestoreThread(thread);
    const Ref created = Created(hr, std::move(dispatch));
    const Ref message = Text(FAILED(hr) ? error : std::string());
    return Own(Py_BuildValue("(OOO)", PyTuple_GetItem(created.get(), 0),
                             PyTuple_GetItem(created.get(), 1), message.get()));
  });
}

// class_from_progid(progid: UTF-16LE bytes) -> (hresult, clsid text)
PyObject* ClassOfProgId(PyObject*, PyObject* progid) noexcept {
  return Guarded([&] {
    CLSID clsid;
    const HRESULT hr = ClassFromProgId(Utf16ToUtf8(FromUtf16Bytes(progid)), &clsid);
    const Ref text = Text(SUCCEEDED(hr) ? GuidToString(clsid) : std::string());
    return Own(Py_BuildValue("(iO)", static_cast<int>(hr), text.get()));
  });
}

PyObject* PathTranslated(PyObject*, PyObject*) noexcept {
  return Guarded([] {
    const PythonRequest request;
    const std::optional<std::string> path = CurrentPathTranslated();
    return path ? Bytes(*path) : Borrow(Py_None);
  });
}

PyObject* NormalizePath(PyObject*, PyObject* path) noexcept {
  return Guarded([&] {
    if (!PyBytes_Check(path)) Raise(PyExc_TypeError, "expected bytes");
    return Bytes(NormalizePagePath(BytesOf(path)));
  });
}

PyObject* LockCount(PyObject*, PyObject*) noexcept { return PyLong_FromLong(ModuleLockCount()); }

PyObject* CanUnloadNow(PyObject*, PyObject*) noexcept { return PyLong_FromLong(DllCanUnloadNow()); }

// The type description: [(name, dispid, kind, [(parameter, vartype)], help, value vartype)].
PyObject* Members(PyObject*, PyObject*) noexcept {
  return Guarded([] {
    static const char* const kKinds[] = {"propget", "propput", "method"};
    Ref members = Own(PyList_New(0));
    for (const MemberDescription& m : GraphGenerator2Interface().members) {
      Ref params = Own(PyList_New(0));
      for (std::uint8_t i = 0; i < m.parameterCount; ++i) {
        const Ref param = Own(
            Py_BuildValue("(si)", m.parameters[i].name, static_cast<int>(m.parameters[i].type)));
        if (PyList_Append(params.get(), param.get()) != 0) throw PythonError();
      }
      const Ref member = Own(Py_BuildValue("(sisOsi)", m.name, static_cast<int>(m.dispid),
                                           kKinds[static_cast<int>(m.kind)], params.get(),
                                           m.helpString, static_cast<int>(m.resultType)));
      if (PyList_Append(members.get(), member.get()) != 0) throw PythonError();
    }
    return members;
  });
}

PyMethodDef gModuleMethods[] = {{"create_instance", &CreateInstance, METH_O, nullptr},
                                {"create_registered", &CreateRegistered, METH_O, nullptr},
                                {"class_from_progid", &ClassOfProgId, METH_O, nullptr},
                                {"members", &Members, METH_NOARGS, nullptr},
                                {"current_path_translated", &PathTranslated, METH_NOARGS, nullptr},
                                {"normalize_page_path", &NormalizePath, METH_O, nullptr},
                                {"module_lock_count", &LockCount, METH_NOARGS, nullptr},
                                {"can_unload_now", &CanUnloadNow, METH_NOARGS, nullptr},
                                {nullptr, nullptr, 0, nullptr}};

PyModuleDef gModule{PyModuleDef_HEAD_INIT,
                    "_native",
                    "Native half of the tessaloom Python host.",
                    -1,
                    gModuleMethods,
                    nullptr,
                    nullptr,
                    nullptr,
                    nullptr};

void SetAttribute(PyObject* module, const char* name, Ref value) {
  if (PyObject_SetAttrString(module, name, value.get()) != 0) throw PythonError();
}

Ref MakeModule() {
  const long running = PyLong_AsLong(PySys_GetObject("hexversion"));
  if (running < 0x03090000) Raise(PyExc_ImportError, "tessaloom needs CPython 3.9 or later");
  if (running >= 0x030A0000) {
    gCallDefinition = &gCallFast;
    gUtf8InStableAbi = true;
  }
  Ref module = Own(PyModule_Create(&gModule));
  gInvokeError =
      Own(PyErr_NewException("tessaloom._native.InvokeError", nullptr, nullptr)).release();
  gNativeType = reinterpret_cast<PyTypeObject*>(Own(PyType_FromSpec(&gNativeSpec)).release());
  gFloatName = Own(PyUnicode_InternFromString("__float__")).release();
  const Ref contextvars = Own(PyImport_ImportModule("contextvars"));
  const Ref contextVar = Own(PyObject_GetAttrString(contextvars.get(), "ContextVar"));
  const Ref args = Own(Py_BuildValue("(s)", "tessaloom.request"));
  const Ref keywords = Own(Py_BuildValue("{s:()}", "default"));
  Ref variable = Own(PyObject_Call(contextVar.get(), args.get(), keywords.get()));
  gRequestGet = Own(PyObject_GetAttrString(variable.get(), "get")).release();

  SetAttribute(module.get(), "InvokeError", Borrow(gInvokeError));
  SetAttribute(module.get(), "NativeDispatch", Borrow(reinterpret_cast<PyObject*>(gNativeType)));
  SetAttribute(module.get(), "request_variable", std::move(variable));
  SetAttribute(module.get(), "__version__", Text(TESSALOOM_VERSION));
  SetAttribute(module.get(), "CLSID_GraphGenerator", Text(GuidToString(CLSID_GraphGenerator)));
  SetAttribute(module.get(), "INTERFACE_NAME", Text(GraphGenerator2Interface().name));
  SetAttribute(module.get(), "INTERFACE_HELP", Text(GraphGenerator2Interface().helpString));
  SetAttribute(module.get(), "DISPATCH_METHOD", Own(PyLong_FromLong(DISPATCH_METHOD)));
  SetAttribute(module.get(), "DISPATCH_PROPERTYGET", Own(PyLong_FromLong(DISPATCH_PROPERTYGET)));
  SetAttribute(module.get(), "DISPATCH_PROPERTYPUT", Own(PyLong_FromLong(DISPATCH_PROPERTYPUT)));
  return module;
}

}  // namespace

// The name CPython looks for.
PyMODINIT_FUNC PyInit__native() {  // NOLINT(readability-identifier-naming)
  return Guarded(MakeModule);
}
