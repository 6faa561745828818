// Tessaloom's public interface for hosts: the automation types, the
// GraphGenerator class and interface identifiers, the type description, and
// the library's entry points and its registration. A host creates an object
// through the class factory (DllGetClassObject), or by ProgID through the
// registry (CreateObjectFromProgID), and drives it through IDispatch, as a
// page script would. Hosts include only this header.
#pragma once

#include "component/igraph_generator.h"
#include "component/module.h"
#include "component/registration.h"
#include "component/type_library.h"
#include "image/cimg.h"
#include "platform/activation.h"
#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/request_context.h"
#include "platform/text.h"
#include "platform/variant.h"
