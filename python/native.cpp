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
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "component/type_library.h"
#include "platform/text.h"
#include "tessaloom/request_context.h"
#include "tessaloom/tessaloom.h"

namespace py = pybind11;
using namespace tessaloom;

namespace {

std::u16string FromUtf16Bytes(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

// The exception class of failed calls; made once when the module loads.
py::handle InvokeErrorType() {
  static const py::handle kType =
      PyErr_NewException("tessaloom._native.InvokeError", nullptr, nullptr);
  return kType;
}

[[noreturn]] void RaiseInvokeError(HRESULT hr, py::object argument, const char* reason = nullptr) {
  py::object text = reason != nullptr ? py::object(py::str(reason)) : py::object(py::none());
  PyErr_SetObject(InvokeErrorType().ptr(), py::make_tuple(hr, std::move(argument), text).ptr());
  throw py::error_already_set();
}

// Python text to a BSTR unit by unit, so lone surrogates pass as they are.
BSTR BstrFromPython(PyObject* text) {
  if (PyUnicode_READY(text) != 0) throw py::error_already_set();
  const Py_ssize_t length = PyUnicode_GET_LENGTH(text);
  const int kind = PyUnicode_KIND(text);
  const void* data = PyUnicode_DATA(text);
  std::size_t units = static_cast<std::size_t>(length);
  if (kind == PyUnicode_4BYTE_KIND) {
    for (Py_ssize_t i = 0; i < length; ++i) {
      if (PyUnicode_READ(kind, data, i) > 0xFFFF) ++units;
    }
  }
  if (units > kMaxBstrLength) throw std::bad_alloc();
  BSTR out = SysAllocStringLen(nullptr, static_cast<std::uint32_t>(units));
  if (out == nullptr) throw std::bad_alloc();
  std::size_t at = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    const Py_UCS4 c = PyUnicode_READ(kind, data, i);
    if (c > 0xFFFF) {
      out[at++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out[at++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out[at++] = static_cast<char16_t>(c);
    }
  }
  return out;
}

py::object TextToPython(std::u16string_view text) {
  if (text.empty()) return py::str("");
  int littleEndian = -1;
  PyObject* decoded = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                                            static_cast<Py_ssize_t>(text.size() * 2),
                                            "surrogatepass", &littleEndian);
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(decoded);
}

// The tessaloom.request() blocks in force, per Python context (so per
// thread, asyncio task and greenlet alike): a tuple of (page, owner) pairs,
// innermost last; a page is the path's bytes, or None when it is unknown.
// Made when the module loads; _request.py keeps it.
py::handle RequestVariable() {
  static const py::handle kVariable = PyContextVar_New("tessaloom.request", nullptr);
  return kVariable;
}

// The innermost request() of the calling Python context as the thread's
// current request while this lives. The component reads the page on the
// thread, so the scope spans one synchronous native call and never the
// Python code around it: pages that take turns on one thread (asyncio,
// gevent) each draw with their own. With no request() in force the thread's
// own state holds (a C++ host's RequestScope, else the environment).
class PythonRequest {
 public:
  PythonRequest() {
    PyObject* stack = nullptr;
    if (PyContextVar_Get(RequestVariable().ptr(), nullptr, &stack) != 0) {
      throw py::error_already_set();
    }
    const py::object held = py::reinterpret_steal<py::object>(stack);
    if (stack == nullptr || (PyTuple_Check(stack) && PyTuple_GET_SIZE(stack) == 0)) return;
    scope_.emplace(Page(stack));
  }
  PythonRequest(const PythonRequest&) = delete;
  PythonRequest& operator=(const PythonRequest&) = delete;

 private:
  // The innermost page; a value of another shape names no page, so drawing
  // is refused rather than done as whichever page the thread last had.
  static std::optional<std::string> Page(PyObject* stack) {
    if (!PyTuple_Check(stack)) return std::nullopt;
    PyObject* entry = PyTuple_GET_ITEM(stack, PyTuple_GET_SIZE(stack) - 1);
    if (!PyTuple_Check(entry) || PyTuple_GET_SIZE(entry) != 2) return std::nullopt;
    PyObject* page = PyTuple_GET_ITEM(entry, 0);
    if (!PyBytes_Check(page)) return std::nullopt;
    return std::string(PyBytes_AS_STRING(page), static_cast<std::size_t>(PyBytes_GET_SIZE(page)));
  }

  std::optional<RequestScope> scope_;
};

enum class Converted { kOk, kOverflow, kUnsupported };

Converted IntegerToVariant(PyObject* number, VARIANT* v) {
  int overflow = 0;
  const long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
  if (overflow == 0) {
    if (value == -1 && PyErr_Occurred()) throw py::error_already_set();
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
  } else if (PyFloat_Check(value)) {
    v->vt = VT_R8, v->dblVal = PyFloat_AS_DOUBLE(value);
  } else if (PyUnicode_Check(value)) {
    v->bstrVal = BstrFromPython(value);
    v->vt = VT_BSTR;
  } else if (Py_TYPE(value)->tp_as_number != nullptr && Py_TYPE(value)->tp_as_number->nb_index) {
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value));
    if (!index) throw py::error_already_set();
    return IntegerToVariant(index.ptr(), v);
  } else if (Py_TYPE(value)->tp_as_number != nullptr && Py_TYPE(value)->tp_as_number->nb_float) {
    const double number = PyFloat_AsDouble(value);
    if (number == -1.0 && PyErr_Occurred()) throw py::error_already_set();
    v->vt = VT_R8, v->dblVal = number;
  } else {
    return Converted::kUnsupported;
  }
  return Converted::kOk;
}

py::object FromVariant(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: return TextToPython(BstrView(v.bstrVal));
    case VT_I4: return py::int_(v.lVal);
    case VT_I8: return py::int_(v.llVal);
    case VT_R4: return py::float_(static_cast<double>(v.fltVal));
    case VT_R8: return py::float_(v.dblVal);
    case VT_BOOL: return py::bool_(v.boolVal != 0);
    case VT_ARRAY | VT_UI1: {
      const SAFEARRAY* array = v.parray;
      if (array == nullptr || array->cElements == 0) return py::bytes();
      return py::bytes(reinterpret_cast<const char*>(array->pvData), array->cElements);
    }
    default: return py::none();
  }
}

std::u16string Utf16OfPython(PyObject* text) {
  BSTR units = BstrFromPython(text);
  std::u16string copy(BstrView(units));
  SysFreeString(units);
  return copy;
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

class NativeDispatch {
 public:
  explicit NativeDispatch(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  // `name` is UTF-16LE bytes, so any Python text (lone surrogates included)
  // reaches the object as it is.
  std::tuple<HRESULT, DISPID> GetId(const py::bytes& name) {
    std::u16string copy = FromUtf16Bytes(name);
    OLECHAR* names[1] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = dispatch_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
    return {hr, id};
  }

  // Whether the object answers for the class's default interface, whose
  // members this module's own type description lists.
  bool HasDefaultInterface() {
    ComPtr<IGraphGenerator2> typed;
    return SUCCEEDED(dispatch_->QueryInterface(IID_IGraphGenerator2, typed.out()));
  }

  // The object's call(dispid, flags, args, keywords, member) as a plain
  // built-in function; see Call.
  py::object Caller() const;

 private:
  ComPtr<IDispatch> dispatch_;
};

// Invokes `id` with the positional `args` and the keyword arguments in
// `keywords` (a dict or None) of the member called `member`. For a put,
// the last positional argument is the value. Returns a property get's
// value, or the member's success code when it returns nothing.
py::object Call(IDispatch* dispatch, DISPID id, WORD flags, const py::tuple& args,
                const py::handle& keywords, const py::handle& member) {
  const std::size_t positional = args.size();
  const bool hasKeywords = PyDict_Check(keywords.ptr()) && PyDict_Size(keywords.ptr()) > 0;
  const std::size_t keywordCount =
      hasKeywords ? static_cast<std::size_t>(PyDict_Size(keywords.ptr())) : 0;
  const std::size_t total = positional + keywordCount;
  if (total > kMaxCallArguments) RaiseInvokeError(DISP_E_BADPARAMCOUNT, py::none());
  // The value of a put travels as the named argument DISPID_PROPERTYPUT.
  const bool putValue = (flags & DISPATCH_PROPERTYPUT) != 0 && positional > 0;
  const std::size_t named = keywordCount + (putValue ? 1 : 0);

  CallStorage<DISPID, 4> namedIds(named);
  if (putValue) namedIds.data()[0] = DISPID_PROPERTYPUT;
  // Held, not borrowed: a value's __index__ or __float__ is Python code
  // that may change the dict while the call is built.
  std::vector<py::object> keywordNames;
  std::vector<py::object> keywordValues;
  if (hasKeywords) {
    // GetIDsOfNames with the member first, then the parameter names.
    keywordNames.reserve(keywordCount);
    keywordValues.reserve(keywordCount);
    std::vector<std::u16string> texts;
    texts.reserve(keywordCount + 1);
    texts.push_back(Utf16OfPython(member.ptr()));
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    Py_ssize_t pos = 0;
    while (keywordNames.size() < keywordCount && PyDict_Next(keywords.ptr(), &pos, &key, &value)) {
      if (!PyUnicode_Check(key)) throw py::type_error("keywords must be strings");
      keywordNames.push_back(py::reinterpret_borrow<py::object>(key));
      keywordValues.push_back(py::reinterpret_borrow<py::object>(value));
      texts.push_back(Utf16OfPython(key));
    }
    if (keywordNames.size() != keywordCount) throw py::value_error("keywords changed");
    std::vector<OLECHAR*> names;
    for (std::u16string& text : texts) names.push_back(text.data());
    std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
    static_cast<void>(dispatch->GetIDsOfNames(GUID_NULL, names.data(),
                                              static_cast<UINT>(names.size()), 0, ids.data()));
    for (std::size_t k = 0; k < keywordCount; ++k) {
      // A name would end at a NUL on its way in, so "xVal\0..." is no xVal.
      if (texts[k + 1].find(u'\0') != std::u16string::npos) ids[k + 1] = DISPID_UNKNOWN;
      if (ids[k + 1] == DISPID_UNKNOWN) {
        RaiseInvokeError(DISP_E_PARAMNOTFOUND, keywordNames[k], "no parameter of that name");
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
    if (converted == Converted::kOverflow) RaiseInvokeError(DISP_E_OVERFLOW, argument());
    if (converted == Converted::kUnsupported) {
      const std::string reason =
          std::string("cannot pass ") + Py_TYPE(value)->tp_name + " through automation";
      RaiseInvokeError(DISP_E_TYPEMISMATCH, argument(), reason.c_str());
    }
  };
  for (std::size_t i = 0; i < positional; ++i) {
    convert(PyTuple_GET_ITEM(args.ptr(), static_cast<Py_ssize_t>(i)), slotOfPosition(i),
            [i] { return py::object(py::int_(i)); });
  }
  for (std::size_t k = 0; k < keywordNames.size(); ++k) {
    const py::object& name = keywordNames[k];
    convert(keywordValues[k].ptr(), (putValue ? 1 : 0) + k, [&name] { return name; });
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
    // Drawing takes a while; other Python threads (with their own objects) go on.
    py::gil_scoped_release release;
    hr = dispatch->Invoke(id, GUID_NULL, 0, flags, &params, result.get(), &exception, &argError);
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  if (SUCCEEDED(hr)) {
    if (result->vt == VT_EMPTY) return py::int_(hr);
    return FromVariant(*result.get());
  }
  // Name the failing argument as the call gave it, not by its rgvarg slot.
  py::object argument = py::none();
  if (argError < total) {
    if (putValue && argError == 0) {
      argument = py::int_(positional - 1);
    } else if (argError < named) {
      argument = keywordNames[argError - (putValue ? 1 : 0)];
    } else {
      argument = py::int_(total - 1 - argError);
    }
  }
  RaiseInvokeError(hr, std::move(argument));
}

// Every late-bound call comes through here, so it is a METH_FASTCALL
// function bound to its object rather than a pybind11 method: that spares
// the generic argument matching, which costs more than the call itself.
constexpr const char* kCallerCapsule = "tessaloom._native.caller";

PyObject* CallFast(PyObject* capsule, PyObject* const* argv, Py_ssize_t argc) noexcept {
  try {
    auto* dispatch = static_cast<IDispatch*>(PyCapsule_GetPointer(capsule, kCallerCapsule));
    if (dispatch == nullptr) return nullptr;
    if (argc != 5 || !PyLong_Check(argv[0]) || !PyLong_Check(argv[1]) || !PyTuple_Check(argv[2]) ||
        !PyUnicode_Check(argv[4])) {
      throw py::type_error("call(dispid: int, flags: int, args: tuple, keywords, member: str)");
    }
    const long dispid = PyLong_AsLong(argv[0]);
    const long flags = PyLong_AsLong(argv[1]);
    if (PyErr_Occurred()) return nullptr;
    if (dispid < INT32_MIN || dispid > INT32_MAX || flags < 0 || flags > 0xFFFF) {
      throw py::value_error("dispid or flags out of range");
    }
    return Call(dispatch, static_cast<DISPID>(dispid), static_cast<WORD>(flags),
                py::reinterpret_borrow<py::tuple>(argv[2]), argv[3], argv[4])
        .release()
        .ptr();
  } catch (py::error_already_set& failure) {
    failure.restore();
  } catch (py::builtin_exception& failure) {
    failure.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& failure) {
    PyErr_SetString(PyExc_RuntimeError, failure.what());
  }
  return nullptr;
}

PyMethodDef kCallDefinition{
    "call", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&CallFast)), METH_FASTCALL,
    "call(dispid, flags, args, keywords, member): one late-bound call"};

// The capsule holds a reference on the object for as long as the function lives.
py::object NativeDispatch::Caller() const {
  IDispatch* dispatch = dispatch_.get();
  py::capsule owner(dispatch, kCallerCapsule, [](PyObject* capsule) {
    static_cast<IDispatch*>(PyCapsule_GetPointer(capsule, kCallerCapsule))->Release();
  });
  dispatch->AddRef();
  PyObject* function = PyCFunction_New(&kCallDefinition, owner.ptr());
  if (function == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(function);
}

std::tuple<HRESULT, std::optional<NativeDispatch>> CreateInstance(const std::string& clsidText) {
  const std::optional<GUID> clsid = GuidFromString(clsidText);
  if (!clsid) return {CO_E_CLASSSTRING, std::nullopt};
  ComPtr<IClassFactory> factory;
  HRESULT hr = DllGetClassObject(*clsid, IID_IClassFactory, factory.out());
  if (FAILED(hr)) return {hr, std::nullopt};
  ComPtr<IDispatch> dispatch;
  hr = factory->CreateInstance(nullptr, IID_IDispatch, dispatch.out());
  if (FAILED(hr)) return {hr, std::nullopt};
  return {hr, NativeDispatch(std::move(dispatch))};
}

// Creation by ProgID through the registry file: ProgID, class, server
// library, class factory. Returns (hr, object or None, message on failure).
std::tuple<HRESULT, std::optional<NativeDispatch>, std::string> CreateRegistered(
    const py::bytes& progid) {
  const std::string name = Utf16ToUtf8(FromUtf16Bytes(progid));
  ComPtr<IDispatch> dispatch;
  std::string error;
  HRESULT hr = S_OK;
  {
    py::gil_scoped_release release;  // loading a library may take a while
    hr = CreateObjectFromProgID(name, IID_IDispatch, dispatch.out(), error);
  }
  if (FAILED(hr)) return {hr, std::nullopt, error};
  return {hr, NativeDispatch(std::move(dispatch)), std::string()};
}

std::tuple<HRESULT, std::string> ClassOfProgId(const py::bytes& progid) {
  CLSID clsid;
  const HRESULT hr = ClassFromProgId(Utf16ToUtf8(FromUtf16Bytes(progid)), &clsid);
  return {hr, SUCCEEDED(hr) ? GuidToString(clsid) : std::string()};
}

py::object PathTranslated() {
  const PythonRequest request;
  const std::optional<std::string> path = CurrentPathTranslated();
  if (!path) return py::none();
  return py::bytes(*path);
}

py::list Members() {
  py::list members;
  static const char* const kKinds[] = {"propget", "propput", "method"};
  for (const MemberDescription& m : GraphGenerator2Interface().members) {
    py::list params;
    for (std::uint8_t i = 0; i < m.parameterCount; ++i) {
      params.append(py::make_tuple(m.parameters[i].name, m.parameters[i].type));
    }
    members.append(py::make_tuple(m.name, m.dispid, kKinds[static_cast<int>(m.kind)], params,
                                  m.helpString, m.resultType));
  }
  return members;
}

}  // namespace

PYBIND11_MODULE(_native, m) {
  m.doc() = "Native half of the tessaloom Python host.";
  py::class_<NativeDispatch>(m, "NativeDispatch")
      .def("get_id", &NativeDispatch::GetId)
      .def("has_default_interface", &NativeDispatch::HasDefaultInterface)
      .def("caller", &NativeDispatch::Caller);
  m.attr("InvokeError") = InvokeErrorType();
  m.def("create_instance", &CreateInstance);
  m.def("class_from_progid", &ClassOfProgId);
  m.def("create_registered", &CreateRegistered);
  m.def("members", &Members);
  if (!RequestVariable()) throw py::error_already_set();
  m.attr("request_variable") = RequestVariable();
  m.def("current_path_translated", &PathTranslated);
  m.def("normalize_page_path",
        [](const py::bytes& path) { return py::bytes(NormalizePagePath(std::string(path))); });
  m.def("module_lock_count", [] { return ModuleLockCount(); });
  m.def("can_unload_now", [] { return DllCanUnloadNow(); });
  m.attr("__version__") = TESSALOOM_VERSION;
  m.attr("CLSID_GraphGenerator") = GuidToString(CLSID_GraphGenerator);
  m.attr("INTERFACE_NAME") = GraphGenerator2Interface().name;
  m.attr("INTERFACE_HELP") = GraphGenerator2Interface().helpString;
  m.attr("DISPATCH_METHOD") = DISPATCH_METHOD;
  m.attr("DISPATCH_PROPERTYGET") = DISPATCH_PROPERTYGET;
  m.attr("DISPATCH_PROPERTYPUT") = DISPATCH_PROPERTYPUT;
}
