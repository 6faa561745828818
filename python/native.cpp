// tessaloom._native: the thin native half of the Python host. It creates
// objects through the library's class factory and exposes IDispatch's two
// late-binding calls. Values cross as tagged tuples so that text keeps every
// UTF-16 unit (lone surrogates included): ("s", utf16le_bytes), ("i", int),
// ("l", int64), ("f", float), ("b", bool), ("e",) for empty, ("n",) for null.
// The late-binding rules themselves live in tessaloom/__init__.py.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "component/type_library.h"
#include "platform/request_context.h"
#include "platform/text.h"
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

  // Returns (hr, value, argError). Arguments are given in call order.
  std::tuple<HRESULT, py::object, int> Invoke(DISPID id, WORD flags, const py::tuple& args);

 private:
  ComPtr<IDispatch> dispatch_;
};

void ToVariant(const py::tuple& tagged, Variant& out) {
  const std::string tag = tagged[0].cast<std::string>();
  VARIANT* v = out.get();
  if (tag == "s") {
    const std::u16string text = FromUtf16Bytes(tagged[1].cast<py::bytes>());
    out = Variant(std::u16string_view(text));
    if (out->vt != VT_BSTR) throw std::bad_alloc();
  } else if (tag == "i") {
    v->vt = VT_I4, v->lVal = tagged[1].cast<std::int32_t>();
  } else if (tag == "l") {
    v->vt = VT_I8, v->llVal = tagged[1].cast<std::int64_t>();
  } else if (tag == "f") {
    v->vt = VT_R8, v->dblVal = tagged[1].cast<double>();
  } else if (tag == "b") {
    v->vt = VT_BOOL, v->boolVal = tagged[1].cast<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (tag == "n") {
    v->vt = VT_NULL;
  } else {
    v->vt = VT_EMPTY;
  }
}

py::object FromVariant(const VARIANT& v) {
  switch (v.vt) {
    case VT_BSTR: {
      const std::u16string_view text = BstrView(v.bstrVal);
      std::string bytes(text.size() * 2, '\0');
      for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
      }
      return py::make_tuple("s", py::bytes(bytes));
    }
    case VT_I4: return py::make_tuple("i", v.lVal);
    case VT_I8: return py::make_tuple("l", v.llVal);
    case VT_R4: return py::make_tuple("f", static_cast<double>(v.fltVal));
    case VT_R8: return py::make_tuple("f", v.dblVal);
    case VT_BOOL: return py::make_tuple("b", v.boolVal != 0);
    case VT_NULL: return py::make_tuple("n");
    case VT_ARRAY | VT_UI1: {
      const SAFEARRAY* array = v.parray;
      if (array == nullptr || array->cElements == 0) return py::make_tuple("a", py::bytes());
      return py::make_tuple(
          "a", py::bytes(reinterpret_cast<const char*>(array->pvData), array->cElements));
    }
    default: return py::make_tuple("e");
  }
}

std::tuple<HRESULT, py::object, int> NativeDispatch::Invoke(DISPID id, WORD flags,
                                                            const py::tuple& args) {
  std::vector<Variant> values(args.size());
  // rgvarg holds the arguments last first.
  for (std::size_t i = 0; i < args.size(); ++i) {
    ToVariant(args[i].cast<py::tuple>(), values[args.size() - 1 - i]);
  }
  std::vector<VARIANT> raw(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) raw[i] = *values[i].get();
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = raw.empty() ? nullptr : raw.data();
  params.cArgs = static_cast<UINT>(raw.size());
  if ((flags & DISPATCH_PROPERTYPUT) != 0) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  Variant result;
  EXCEPINFO exception;
  constexpr UINT kNoArgument = 0xFFFFFFFF;
  UINT arg_error = kNoArgument;
  HRESULT hr = S_OK;
  {
    // Drawing takes a while; other Python threads (with their own objects) go on.
    py::gil_scoped_release release;
    hr = dispatch_->Invoke(id, GUID_NULL, 0, flags, &params, result.get(), &exception, &arg_error);
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  // Report the failing argument by its position in the call, not in rgvarg.
  int reported_arg = -1;
  if (FAILED(hr) && arg_error < raw.size()) {
    reported_arg = static_cast<int>(raw.size() - 1 - arg_error);
  }
  return {hr, FromVariant(*result.get()), reported_arg};
}

std::tuple<HRESULT, std::optional<NativeDispatch>> CreateInstance(const std::string& clsid_text) {
  const std::optional<GUID> clsid = GuidFromString(clsid_text);
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

// One tessaloom.request() block: the thread's current request from
// construction until Leave (None: a request whose page is unknown). The
// setting lives in the entering thread's storage, so only that thread may
// end it.
class NativeRequestScope {
 public:
  explicit NativeRequestScope(const std::optional<py::bytes>& path)
      : scope_(std::make_unique<RequestScope>(path ? std::optional<std::string>(std::string(*path))
                                                   : std::nullopt)),
        thread_(std::this_thread::get_id()) {}
  NativeRequestScope(const NativeRequestScope&) = delete;
  NativeRequestScope& operator=(const NativeRequestScope&) = delete;
  ~NativeRequestScope() {
    // Dropped by another thread (the interpreter clearing a dead thread's
    // state at exit): ending the scope here would set this thread's request
    // instead, so the scope is let go.
    if (std::this_thread::get_id() != thread_) static_cast<void>(scope_.release());
  }

  void Leave() {
    if (std::this_thread::get_id() != thread_) {
      throw std::runtime_error("a request scope can only end on the thread that began it");
    }
    scope_.reset();
  }

 private:
  std::unique_ptr<RequestScope> scope_;
  std::thread::id thread_;
};

py::object PathTranslated() {
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
    members.append(
        py::make_tuple(m.name, m.dispid, kKinds[static_cast<int>(m.kind)], params, m.helpString));
  }
  return members;
}

}  // namespace

PYBIND11_MODULE(_native, m) {
  m.doc() = "Native half of the tessaloom Python host.";
  py::class_<NativeDispatch>(m, "NativeDispatch")
      .def("get_id", &NativeDispatch::GetId)
      .def("invoke", &NativeDispatch::Invoke);
  m.def("create_instance", &CreateInstance);
  m.def("class_from_progid", &ClassOfProgId);
  m.def("create_registered", &CreateRegistered);
  m.def("members", &Members);
  py::class_<NativeRequestScope>(m, "RequestScope")
      .def(py::init<const std::optional<py::bytes>&>())
      .def("leave", &NativeRequestScope::Leave);
  m.def("current_path_translated", &PathTranslated);
  m.def("normalize_page_path",
        [](const py::bytes& path) { return py::bytes(NormalizePagePath(std::string(path))); });
  m.def("module_lock_count", [] { return ModuleLockCount(); });
  m.def("can_unload_now", [] { return DllCanUnloadNow(); });
  m.attr("__version__") = TESSALOOM_VERSION;
  m.attr("CLSID_GraphGenerator") = GuidToString(CLSID_GraphGenerator);
  m.attr("DISPATCH_METHOD") = DISPATCH_METHOD;
  m.attr("DISPATCH_PROPERTYGET") = DISPATCH_PROPERTYGET;
  m.attr("DISPATCH_PROPERTYPUT") = DISPATCH_PROPERTYPUT;
}
