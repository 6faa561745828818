// Tessaloom's public interface for hosts: the automation types a host
// passes (HRESULT, GUID, BSTR, VARIANT, IUnknown, IDispatch, IClassFactory),
// the GraphGenerator class and interface identifiers and its interface, the
// library's entry points, creation by ProgID through the registry, and the
// per-thread page request the hosting check reads. A host creates an object
// through the class factory (DllGetClassObject) or by ProgID
// (CreateObjectFromProgID) and drives it through IDispatch, as a page script
// would. Hosts include only this header; it compiles as C++17.
#pragma once

#include "tessaloom/create_object.h"
#include "tessaloom/igraph_generator.h"
#include "tessaloom/module.h"
#include "tessaloom/request_context.h"
