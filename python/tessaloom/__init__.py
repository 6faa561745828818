"""Late-bound access to the Tessaloom chart component, as a page script has it.

    import tessaloom
    g = tessaloom.CreateObject("Tessaloom.GraphGenerator")
    g.ChartTitle = "Sales"          # property put
    g.AddData("Jan", 10.5)          # method call, returns 0 (S_OK) or 1 (S_FALSE)
    g.AddData("Feb", yVal=3)        # keyword arguments are IDispatch named arguments
    print(g.ErrorReason)            # property get

Every call goes through Invoke; names are case-insensitive. The class's
members, their parameters and kinds come from the library's type
description (``help(g)``). A failure HRESULT raises AutomationError, whose
``hresult`` is the signed 32-bit code and whose message names the member
and the argument.
"""

import inspect
import sys
import textwrap


def _load_native():
    """The native module, or an ImportError that says why it cannot load."""
    needs = "tessaloom's native module needs CPython 3.9 or later on Linux"
    if sys.implementation.name != "cpython" or sys.version_info < (3, 9):
        raise ImportError("%s; this is %s %s" % (needs, sys.implementation.name,
                                                 sys.version.split()[0]))
    folder = __path__[0]
    try:
        from . import _native
    except ImportError as failure:
        import glob
        import os
        # Without the file, Python's own message blames a circular import.
        built = glob.glob(os.path.join(glob.escape(folder), "_native.*so"))
        detail = failure if built else "there is no _native.abi3.so in " + folder
        raise ImportError("%s, and the tessaloom library it links to: %s" % (needs, detail),
                          name=__name__) from failure
    return _native


_native = _load_native()

from ._request import current_path_translated, request  # noqa: E402 (after the load check)
from ._chart import chart  # noqa: E402

__version__ = _native.__version__

__all__ = [
    "AutomationError",
    "UnknownNameError",
    "ArgumentError",
    "IGraphGenerator2",
    "CreateObject",
    "GraphGenerator",
    "Dispatch",
    "hresult_name",
    "request",
    "current_path_translated",
    "chart",
]


def _signed(code):
    code &= 0xFFFFFFFF
    return code - 2**32 if code >= 2**31 else code


E_NOTIMPL = _signed(0x80004001)
E_NOINTERFACE = _signed(0x80004002)
E_POINTER = _signed(0x80004003)
E_FAIL = _signed(0x80004005)
E_OUTOFMEMORY = _signed(0x8007000E)
E_INVALIDARG = _signed(0x80070057)
CLASS_E_NOAGGREGATION = _signed(0x80040110)
CLASS_E_CLASSNOTAVAILABLE = _signed(0x80040111)
REGDB_E_READREGDB = _signed(0x80040150)
REGDB_E_CLASSNOTREG = _signed(0x80040154)
CO_E_CLASSSTRING = _signed(0x800401F3)
CO_E_DLLNOTFOUND = _signed(0x800401F8)
CO_E_ERRORINDLL = _signed(0x800401F9)
DISP_E_UNKNOWNINTERFACE = _signed(0x80020001)
DISP_E_MEMBERNOTFOUND = _signed(0x80020003)
DISP_E_PARAMNOTFOUND = _signed(0x80020004)
DISP_E_TYPEMISMATCH = _signed(0x80020005)
DISP_E_UNKNOWNNAME = _signed(0x80020006)
DISP_E_NONAMEDARGS = _signed(0x80020007)
DISP_E_BADVARTYPE = _signed(0x80020008)
DISP_E_OVERFLOW = _signed(0x8002000A)
DISP_E_BADPARAMCOUNT = _signed(0x8002000E)
DISP_E_PARAMNOTOPTIONAL = _signed(0x8002000F)
# Each failure code's symbolic name, for messages and hresult_name.
_CODES = {code: name for name, code in list(globals().items()) if name.isupper()}
S_OK = 0
S_FALSE = 1


def hresult_name(code):
    """The symbolic name of an HRESULT, or its hexadecimal form."""
    return _CODES.get(_signed(code), "0x%08X" % (code & 0xFFFFFFFF))


_DESCRIPTIONS = {
    DISP_E_TYPEMISMATCH: "type mismatch",
    DISP_E_OVERFLOW: "out of range",
    DISP_E_BADVARTYPE: "a type automation does not carry",
    DISP_E_PARAMNOTFOUND: "no such parameter, or given twice",
    DISP_E_PARAMNOTOPTIONAL: "a parameter is missing",
    DISP_E_BADPARAMCOUNT: "wrong number of arguments",
    DISP_E_MEMBERNOTFOUND: "not a member for this kind of access",
    DISP_E_UNKNOWNNAME: "unknown name",
}
_ORDINALS = ("first", "second", "third", "fourth", "fifth",
             "sixth", "seventh", "eighth", "ninth", "tenth")


def _argument_words(position, parameter, put):
    """'the second argument (yVal)', as a message names an argument."""
    if put:
        words = "the value assigned"
    elif position is None:
        words = "the argument"
    elif position < len(_ORDINALS):
        words = "the %s argument" % _ORDINALS[position]
    else:
        words = "argument %d" % (position + 1)
    return "%s (%s)" % (words, parameter) if parameter else words


class AutomationError(Exception):
    """A call through IDispatch failed; ``hresult`` holds the signed code.

    ``member`` is the member's name, ``argument`` the 0-based position of the
    offending argument and ``parameter`` its parameter's name, when known.
    """

    def __init__(self, hresult, member=None, argument=None, reason=None, parameter=None,
                 put=False):
        self.hresult = _signed(hresult)
        self.member = member
        self.argument = argument
        self.parameter = parameter
        self.reason = reason  # the failure's own message, if it has one
        parts = [member] if member else []
        if argument is not None or parameter is not None:
            parts.append(_argument_words(argument, parameter, put))
        parts.append(reason or _DESCRIPTIONS.get(self.hresult, "failed"))
        super().__init__("%s (%s)" % (": ".join(parts), hresult_name(hresult)))


class UnknownNameError(AutomationError, AttributeError):
    """GetIDsOfNames did not know the name (DISP_E_UNKNOWNNAME)."""


class ArgumentError(AutomationError, TypeError):
    """The arguments do not fit the member: an unknown keyword, a parameter
    missing or given twice, a wrong count or a value automation cannot carry."""


_ARGUMENT_CODES = frozenset((DISP_E_PARAMNOTFOUND, DISP_E_PARAMNOTOPTIONAL, DISP_E_BADPARAMCOUNT))

_ASCII_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


def _fold(name):
    """The name with ASCII letters lower-cased, as the object folds names;
    str.lower() would fold other letters too, and translate() is slow."""
    return name.lower() if name.isascii() else name.translate(_ASCII_LOWER)


def _utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def _failure(member, failure, parameters=(), put=False, given=None, last_error=None):
    """The AutomationError for an InvokeError(hresult, argument, reason) of
    `member`, whose parameter names are `parameters` when they are known.
    `given` is the call's (args, keywords), to name a parameter left out;
    `last_error` reads the object's own message of a failure."""
    hr, argument, reason = failure.args
    position, parameter = None, None
    if hr in (DISP_E_PARAMNOTOPTIONAL, DISP_E_BADPARAMCOUNT) and argument is None and given:
        args, keywords = given
        named = {_fold(name) for name in keywords}
        for index in range(len(args), len(parameters)):
            if _fold(parameters[index]) not in named:
                argument, reason = index, "missing"
                break
    elif reason is None and last_error is not None and hr & 0xFFFF0000 != 0x80020000:
        # Not an error of the call's shape (DISP_E_*, facility 2) but of the
        # member: its message says what the object expected.
        reason = last_error() or None
    if isinstance(argument, str):  # given as a keyword
        parameter = argument
        folded = _fold(argument)
        for index, name in enumerate(parameters):
            if _fold(name) == folded:
                position, parameter = index, name
    elif argument is not None:
        position = argument
        if position < len(parameters):
            parameter = parameters[position]
    # A reason with a type mismatch comes from a Python value that has no
    # VARIANT form, before the object was called.
    unfit = hr in _ARGUMENT_CODES or (hr == DISP_E_TYPEMISMATCH and reason is not None)
    kind = ArgumentError if unfit else AutomationError
    return kind(hr, member, position, reason, parameter, put and argument is not None)


_InvokeError = _native.InvokeError
_GET = _native.DISPATCH_PROPERTYGET
_PUT = _native.DISPATCH_PROPERTYPUT
# A name that is not a property get is called; COM allows both flags at once.
_CALL = _native.DISPATCH_METHOD | _native.DISPATCH_PROPERTYGET

_VARTYPE_TYPES = {3: int, 4: float, 8: str, 11: bool, 0x2011: bytes}


class _Method:
    """A member of an object without a type description, reached by name
    and not readable as a property: calling it invokes it."""

    __slots__ = ("_owner", "_name", "_dispid")

    def __init__(self, owner, name, dispid):
        self._owner, self._name, self._dispid = owner, name, dispid

    def __call__(self, *args, **keywords):
        try:
            return self._owner._call(self._dispid, _CALL, args, keywords, self._name)
        except _InvokeError as failure:
            raise _failure(self._name, failure) from None

    def __repr__(self):
        return "<automation method %s>" % self._name


class Dispatch:
    """A late-bound automation object: attributes and calls go through IDispatch.

    Names are case-insensitive. An object of another server library asks
    GetIDsOfNames for each new name and tries a property get before a call.
    Objects of this library's class get a subclass built from its type
    description instead (see ``help()`` of one), whose members are real
    methods and properties; the calls themselves still go through Invoke.
    """

    __slots__ = ("_native_object", "_call", "_ids", "_methods")
    _caches_names = True  # a described class's name table is shared and only read

    def __init__(self, native_object):
        object.__setattr__(self, "_native_object", native_object)
        object.__setattr__(self, "_call", native_object.caller())  # made once, used per call
        object.__setattr__(self, "_ids", {})
        object.__setattr__(self, "_methods", set())  # DISPIDs found not to be property gets

    def _dispid(self, name):
        # The object folds ASCII case only, so the cache must too.
        key = _fold(name)
        dispid = self._ids.get(key)
        if dispid is None:
            if "\0" in name:  # the name would end at the NUL on its way in
                raise UnknownNameError(DISP_E_UNKNOWNNAME, name)
            hr, dispid = self._native_object.get_id(_utf16(name))
            if hr < 0:
                raise UnknownNameError(hr, name)
            if self._caches_names:
                self._ids[key] = dispid
        return dispid

    def __getattr__(self, name):
        # Members never start with "_"; an object copied without __init__ has
        # no slots yet, and looking them up here must not recurse.
        if name.startswith("_"):
            raise AttributeError(name)
        dispid = self._dispid(name)
        if dispid in self._methods:
            return _Method(self, name, dispid)
        try:
            return self._call(dispid, _GET, (), None, name)
        except _InvokeError as failure:
            if failure.args[0] == DISP_E_MEMBERNOTFOUND:
                self._methods.add(dispid)
                return _Method(self, name, dispid)
            raise _failure(name, failure) from None

    def __setattr__(self, name, value):
        dispid = self._dispid(name)
        try:
            self._call(dispid, _PUT, (value,), None, name)
        except _InvokeError as failure:
            raise _failure(name, failure, put=True) from None

    def __dir__(self):
        return sorted({m[0] for m in _native.members()})

    def __repr__(self):
        return "<tessaloom.%s object>" % type(self).__name__

    # A copy is another reference to the same object, as copying an
    # interface pointer is; the object itself cannot be duplicated.
    def __copy__(self):
        twin = type(self).__new__(type(self))
        for slot in Dispatch.__slots__:
            object.__setattr__(twin, slot, getattr(self, slot))
        return twin

    def __deepcopy__(self, memo):
        return self.__copy__()


def _signature(params, returns):
    parameters = [inspect.Parameter("self", inspect.Parameter.POSITIONAL_OR_KEYWORD)]
    parameters += [
        inspect.Parameter(name, inspect.Parameter.POSITIONAL_OR_KEYWORD,
                          annotation=_VARTYPE_TYPES.get(vt, inspect.Parameter.empty))
        for name, vt in params
    ]
    return inspect.Signature(parameters, return_annotation=returns)


def _last_error(obj, dispid):
    """The reader of `obj`'s LastError, "" when it cannot be read."""
    def read():
        try:
            return obj._call(dispid, _GET, (), None, "LastError")
        except _InvokeError:
            return ""
    return read


def _method(name, dispid, params, help_string, last_error_id):
    parameters = tuple(p for p, _ in params)

    def method(self, *args, **keywords):
        try:
            return self._call(dispid, _CALL, args, keywords, name)
        except _InvokeError as failure:
            raise _failure(name, failure, parameters, given=(args, keywords),
                           last_error=_last_error(self, last_error_id)) from None

    method.__name__ = method.__qualname__ = name
    method.__signature__ = _signature(params, int)
    method.__doc__ = textwrap.fill(help_string, 76)
    return method


_PROPERTY_KINDS = {
    frozenset(["propget"]): "get only (read-only)",
    frozenset(["propput"]): "put only (write-only)",
    frozenset(["propget", "propput"]): "get and put",
}


def _property(name, dispid, kinds, value_type, help_string, last_error_id):
    def get(self):
        if "propget" not in kinds:
            raise AutomationError(DISP_E_MEMBERNOTFOUND, name,
                                  reason="the property can only be set")
        try:
            return self._call(dispid, _GET, (), None, name)
        except _InvokeError as failure:
            raise _failure(name, failure, last_error=_last_error(self, last_error_id)) from None

    def put(self, value):
        self.__setattr__(name, value)

    type_name = getattr(value_type, "__name__", "value")
    doc = textwrap.fill("%s (%s, %s)" % (help_string, type_name, _PROPERTY_KINDS[kinds]), 76)
    return property(get, put if "propput" in kinds else None, None, doc)


def _members_by_name(described):
    """name -> (dispid, set of kinds, [(param, vartype)], help, value vartype)."""
    members = {}
    for name, dispid, kind, params, help_string, result_type in described:
        entry = members.setdefault(name, [dispid, set(), [], help_string, None])
        entry[1].add(kind)
        if kind == "method" or not entry[2]:
            entry[2] = list(params)
        if kind == "propget":
            entry[4] = result_type
        elif kind == "propput" and entry[4] is None and params:
            entry[4] = params[-1][1]
        if kind != "propput":
            entry[3] = help_string
    return members


def _described_class(name, help_string, described):
    """A Dispatch subclass whose members are the described ones, for help(),
    dir() and a cheaper call: a method is a function on the class, a
    property a property; other spellings of a name still work."""
    members = _members_by_name(described)
    ids = {_fold(member): entry[0] for member, entry in members.items()}
    puts = {member: entry[0] for member, entry in members.items() if "propput" in entry[1]}
    put_parameters = {member: tuple(p for p, _ in members[member][2]) for member in puts}
    canonical = {_fold(member): member for member in members}
    last_error_id = ids.get("lasterror")
    namespace = {
        "__slots__": (),
        "_caches_names": False,
        "__doc__": textwrap.fill(help_string, 76) + "\n\n" + textwrap.fill(
            "Late-bound: every call goes through IDispatch::Invoke. Names are case-insensitive; "
            "methods take positional and keyword arguments (the parameter names below).", 76),
        "__module__": __name__,
    }
    for member, (dispid, kinds, params, help_text, value_vt) in members.items():
        if kinds == {"method"}:
            namespace[member] = _method(member, dispid, params, help_text, last_error_id)
        else:
            namespace[member] = _property(member, dispid, frozenset(kinds),
                                          _VARTYPE_TYPES.get(value_vt), help_text, last_error_id)

    # The slots are set through their descriptors: an object is made per
    # page, and this is most of what wrapping one costs.
    set_native, set_call = Dispatch._native_object.__set__, Dispatch._call.__set__
    set_ids, set_methods = Dispatch._ids.__set__, Dispatch._methods.__set__
    no_methods = frozenset()  # the generic lookup that fills it is never used here

    def __init__(self, native_object):
        set_native(self, native_object)
        set_call(self, native_object.caller())
        set_ids(self, ids)  # shared and only read
        set_methods(self, no_methods)

    def __getattr__(self, attribute):
        if attribute.startswith("_"):
            raise AttributeError(attribute)
        member = canonical.get(_fold(attribute))
        if member is None:
            raise UnknownNameError(DISP_E_UNKNOWNNAME, attribute)
        return getattr(self, member)

    def __setattr__(self, attribute, value):
        dispid = puts.get(attribute)
        if dispid is None:
            # Another spelling, or a member that cannot be set: the object
            # says which (DISP_E_MEMBERNOTFOUND for the latter).
            dispid = self._dispid(attribute)
        try:
            self._call(dispid, _PUT, (value,), None, attribute)
        except _InvokeError as failure:
            member = canonical.get(_fold(attribute), attribute)
            raise _failure(member, failure, put_parameters.get(member, ()), put=True,
                           last_error=_last_error(self, last_error_id)) from None

    def __dir__(self):
        return sorted(members)

    namespace.update(__init__=__init__, __getattr__=__getattr__, __setattr__=__setattr__,
                     __dir__=__dir__)
    return type(name, (Dispatch,), namespace)


# The class of this library's objects, built from its type description.
IGraphGenerator2 = _described_class(_native.INTERFACE_NAME, _native.INTERFACE_HELP,
                                    _native.members())


def _create(clsid):
    hr, native_object = _native.create_instance(clsid)
    if hr < 0:
        raise AutomationError(hr, "CreateInstance")
    return IGraphGenerator2(native_object)


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
    # A registered copy of this class answers for its default interface,
    # whose members are fixed by its IID; anything else is asked by name.
    if native_object.has_default_interface():
        return IGraphGenerator2(native_object)
    return Dispatch(native_object)


class GraphGenerator(IGraphGenerator2):
    # A class, so that help(tessaloom.GraphGenerator) shows every member; what
    # it makes is an IGraphGenerator2, as CreateObject's objects are.
    __doc__ = "GraphGenerator(): a new chart object, straight from the library's class " \
        "factory.\n\n" + IGraphGenerator2.__doc__
    __slots__ = ()

    def __new__(cls):
        """Creates the object through the library's class factory."""
        return _create(_native.CLSID_GraphGenerator)


def members():
    """The type description: (name, dispid, kind, [(param, vartype)], help string,
    value vartype)."""
    return _native.members()
