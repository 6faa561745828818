"""Late-bound access to the Tessaloom chart component, as a page script has it.

    import tessaloom
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
    g.ChartTitle = "Sales"          # property put
    g.AddData("Jan", 10.5)          # method call, returns 0 (S_OK) or 1 (S_FALSE)
    print(g.ErrorReason)            # property get

Every access goes through GetIDsOfNames and Invoke; names are
case-insensitive. A failure HRESULT raises AutomationError, whose
``hresult`` is the signed 32-bit code.
"""

import inspect
import operator

from . import _native
from ._request import current_path_translated, request

__version__ = _native.__version__

__all__ = [
    "AutomationError",
    "UnknownNameError",
    "CreateObject",
    "GraphGenerator",
    "Dispatch",
    "hresult_name",
    "request",
    "current_path_translated",
]

_INT32_MIN, _INT32_MAX = -(2**31), 2**31 - 1
_INT64_MIN, _INT64_MAX = -(2**63), 2**63 - 1


def _signed(code):
    code &= 0xFFFFFFFF
    return code - 2**32 if code >= 2**31 else code


S_OK = 0
S_FALSE = 1
_CODES = {
    _signed(0x80004001): "E_NOTIMPL",
    _signed(0x80004002): "E_NOINTERFACE",
    _signed(0x80004003): "E_POINTER",
    _signed(0x80004005): "E_FAIL",
    _signed(0x8007000E): "E_OUTOFMEMORY",
    _signed(0x80070057): "E_INVALIDARG",
    _signed(0x80040110): "CLASS_E_NOAGGREGATION",
    _signed(0x80040111): "CLASS_E_CLASSNOTAVAILABLE",
    _signed(0x80040150): "REGDB_E_READREGDB",
    _signed(0x80040154): "REGDB_E_CLASSNOTREG",
    _signed(0x800401F3): "CO_E_CLASSSTRING",
    _signed(0x800401F8): "CO_E_DLLNOTFOUND",
    _signed(0x800401F9): "CO_E_ERRORINDLL",
    _signed(0x80020001): "DISP_E_UNKNOWNINTERFACE",
    _signed(0x80020003): "DISP_E_MEMBERNOTFOUND",
    _signed(0x80020004): "DISP_E_PARAMNOTFOUND",
    _signed(0x80020005): "DISP_E_TYPEMISMATCH",
    _signed(0x80020006): "DISP_E_UNKNOWNNAME",
    _signed(0x80020007): "DISP_E_NONAMEDARGS",
    _signed(0x80020008): "DISP_E_BADVARTYPE",
    _signed(0x8002000A): "DISP_E_OVERFLOW",
    _signed(0x8002000E): "DISP_E_BADPARAMCOUNT",
    _signed(0x8002000F): "DISP_E_PARAMNOTOPTIONAL",
}
globals().update({name: code for code, name in _CODES.items()})


def hresult_name(code):
    """The symbolic name of an HRESULT, or its hexadecimal form."""
    return _CODES.get(_signed(code), "0x%08X" % (code & 0xFFFFFFFF))


class AutomationError(Exception):
    """A call through IDispatch failed; ``hresult`` holds the signed code."""

    def __init__(self, hresult, member=None, argument=None, reason=None):
        self.hresult = _signed(hresult)
        self.member = member
        self.argument = argument  # position of the offending argument, if any
        self.reason = reason  # the failure's own message, if it has one
        text = "%s (0x%08X)" % (hresult_name(hresult), hresult & 0xFFFFFFFF)
        if member:
            text += " in %s" % member
        if argument is not None:
            text += ", argument %d" % argument
        if reason:
            text += ": %s" % reason
        super().__init__(text)


class UnknownNameError(AutomationError, AttributeError):
    """GetIDsOfNames did not know the name (DISP_E_UNKNOWNNAME)."""


_ASCII_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


def _utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def _to_variant(value):
    if value is None:
        return ("e",)
    if isinstance(value, bool):
        return ("b", value)
    if isinstance(value, int):
        if _INT32_MIN <= value <= _INT32_MAX:
            return ("i", value)
        if _INT64_MIN <= value <= _INT64_MAX:
            return ("l", value)
        return ("f", float(value))  # OverflowError past the double range
    if isinstance(value, float):
        return ("f", value)
    if isinstance(value, str):
        return ("s", _utf16(value))
    # Other numbers (numpy scalars and the like) pass as what they say they are.
    if hasattr(type(value), "__index__"):
        return _to_variant(operator.index(value))
    if hasattr(type(value), "__float__"):
        return ("f", float(value))
    raise TypeError("cannot pass %s through automation" % type(value).__name__)


def _from_variant(tagged):
    tag = tagged[0]
    if tag == "s":
        return tagged[1].decode("utf-16-le", "surrogatepass")
    if tag in ("i", "l", "f", "b", "a"):
        return tagged[1]
    return None


_VARTYPE_NAMES = {3: "int", 4: "float", 8: "str", 11: "bool"}


def _describe(name):
    """(signature, doc) of a member of this library's class, or (None, None)."""
    folded = name.translate(_ASCII_LOWER)
    for member, _, kind, params, help_string in _native.members():
        if member.translate(_ASCII_LOWER) == folded and kind == "method":
            signature = inspect.Signature(
                [inspect.Parameter(p, inspect.Parameter.POSITIONAL_ONLY,
                                   annotation=_VARTYPE_NAMES.get(vt, inspect.Parameter.empty))
                 for p, vt in params])
            return signature, "%s%s: %s" % (member, signature, help_string)
    return None, None


class _Method:
    """A member reached by name that is not a property get: calling it invokes it."""

    __slots__ = ("_owner", "_name", "_dispid")

    def __init__(self, owner, name, dispid):
        self._owner, self._name, self._dispid = owner, name, dispid

    @property
    def __signature__(self):
        return _describe(self._name)[0]

    @property
    def __doc__(self):
        return _describe(self._name)[1]

    def __call__(self, *args):
        hr, value, _ = self._owner._invoke(
            self._name, self._dispid, _native.DISPATCH_METHOD | _native.DISPATCH_PROPERTYGET, args
        )
        result = _from_variant(value)
        return hr if result is None else result

    def __repr__(self):
        return "<automation method %s>" % self._name


def _own_ids():
    """Name (folded) to DISPID, the DISPIDs that are only methods and those
    that can only be written, as this module's own library describes its
    class; built once, then only read."""
    ids, kinds = {}, {}
    for name, dispid, kind, _, _ in _native.members():
        ids[name.translate(_ASCII_LOWER)] = dispid
        kinds.setdefault(dispid, set()).add(kind)
    methods = frozenset(d for d, k in kinds.items() if k == {"method"})
    write_only = frozenset(d for d, k in kinds.items() if k == {"propput"})
    return ids, methods, write_only


_OWN_IDS = None
_OWN_METHODS = frozenset()
_OWN_WRITE_ONLY = frozenset()


class Dispatch:
    """A late-bound automation object: attributes and calls go through IDispatch.

    An object of this module's own library knows its names and which are
    methods from the type description, so a call does not ask GetIDsOfNames
    again per object nor try a property get first; the calls themselves still
    go through Invoke. An object of another server library asks.
    """

    __slots__ = ("_native_object", "_ids", "_methods", "_write_only")

    def __init__(self, native_object, own=False):
        global _OWN_IDS, _OWN_METHODS, _OWN_WRITE_ONLY
        if own and _OWN_IDS is None:
            _OWN_IDS, _OWN_METHODS, _OWN_WRITE_ONLY = _own_ids()
        object.__setattr__(self, "_native_object", native_object)
        object.__setattr__(self, "_ids", _OWN_IDS if own else {})
        object.__setattr__(self, "_methods", _OWN_METHODS if own else frozenset())
        object.__setattr__(self, "_write_only", _OWN_WRITE_ONLY if own else frozenset())

    def _dispid(self, name):
        # The object folds ASCII case only, so the cache must too.
        key = name.translate(_ASCII_LOWER)
        dispid = self._ids.get(key)
        if dispid is None:
            if "\0" in name:  # the name would end at the NUL on its way in
                raise UnknownNameError(DISP_E_UNKNOWNNAME, name)
            hr, dispid = self._native_object.get_id(_utf16(name))
            if hr < 0:
                raise UnknownNameError(hr, name)
            if self._ids is not _OWN_IDS:  # the shared table is only read
                self._ids[key] = dispid
        return dispid

    def _invoke(self, name, dispid, flags, args):
        tagged = []
        for position, value in enumerate(args):
            try:
                tagged.append(_to_variant(value))
            except OverflowError:
                raise AutomationError(DISP_E_OVERFLOW, name, position) from None
        hr, value, arg_error = self._native_object.invoke(dispid, flags, tuple(tagged))
        if hr < 0:
            raise AutomationError(hr, name, arg_error if arg_error >= 0 else None)
        return hr, value, arg_error

    def __getattr__(self, name):
        # Members never start with "_"; an object copied without __init__ has
        # no slots yet, and looking them up here must not recurse.
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        if dispid in self._methods:
            return _Method(self, name, dispid)
        if dispid in self._write_only:
            raise AutomationError(DISP_E_MEMBERNOTFOUND, name, reason="the property can only be set")
        hr, value, _ = self._native_object.invoke(dispid, _native.DISPATCH_PROPERTYGET, ())
        if hr == DISP_E_MEMBERNOTFOUND:
            return _Method(self, name, dispid)
        if hr < 0:
            raise AutomationError(hr, name)
        return _from_variant(value)

    def __setattr__(self, name, value):
        self._invoke(name, self._dispid(name), _native.DISPATCH_PROPERTYPUT, (value,))

    def __dir__(self):
        return sorted({m[0] for m in _native.members()})

    def __repr__(self):
        return "<tessaloom.Dispatch GraphGenerator>"

    # A copy is another reference to the same object, as copying an
    # interface pointer is; the object itself cannot be duplicated.
    def __copy__(self):
        twin = Dispatch.__new__(Dispatch)
        for slot in Dispatch.__slots__:
            object.__setattr__(twin, slot, getattr(self, slot))
        return twin

    def __deepcopy__(self, memo):
        return self.__copy__()


def _create(clsid):
    hr, native_object = _native.create_instance(clsid)
    if hr < 0:
        raise AutomationError(hr, "CreateInstance")
    return Dispatch(native_object, own=True)


def CreateObject(progid):
    """Creates the component named by its ProgID, late-bound.

    When the registry ($TESSALOOM_REGISTRY, else /etc/tessaloom/registry.reg)
    names the ProgID, the object comes from the class's registered server
    library through its class factory. A ProgID the registry does not know
    (an empty or missing registry included) falls back to the ProgIDs of the
    library this module is linked to.
    """
    name = _utf16(str(progid))
    hr, native_object, reason = _native.create_registered(name)
    if hr == CO_E_CLASSSTRING:
        hr, clsid = _native.class_from_progid(name)
        if hr >= 0:
            return _create(clsid)
    if hr < 0:
        raise AutomationError(hr, "CreateObject(%r)" % progid, reason=reason)
    return Dispatch(native_object)


def GraphGenerator():
    """Creates a GraphGenerator straight from the library's class factory."""
    return _create(_native.CLSID_GraphGenerator)


def members():
    """The type description: (name, dispid, kind, [(param, vartype)], help string)."""
    return _native.members()
