// Tessaloom's public interface for hosts: the automation types, the
// GraphGenerator class and interface identifiers, the type description, and
// the library's entry points. A host creates an object through the class
// factory (DllGetClassObject) and drives it through IDispatch, as a page
// script would. Hosts include only this header.
#pragma once

#include "component/igraph_generator.h"
#include "component/module.h"
#include "component/type_library.h"
#include "image/cimg.h"
#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/text.h"
#include "platform/variant.h"
