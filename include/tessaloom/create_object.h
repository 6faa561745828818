// Creation of objects as a host does it: through the registry file and the
// operating system's loader (platform/activation.h has the parts, for an
// in-memory registry and a fake loader). Any thread.
#pragma once

#include <string>
#include <string_view>

#include "tessaloom/com.h"

namespace tessaloom {

// A new object of `clsid` as interface `iid` (`outer` for aggregation), from
// the class factory of its registered server library. A registry file that
// cannot be read gives REGDB_E_READREGDB; every failure leaves a message in
// `error`.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object,
                         std::string& error) noexcept;
// A new object of the class `progId` names in the registry file, as `iid`. A
// ProgID of this library that the registry does not name (or no registry file)
// gives this library's own class; any other unnamed ProgID CO_E_CLASSSTRING,
// with a message that says how to register a server.
HRESULT CreateObjectFromProgID(std::string_view progId, REFIID iid, void** object,
                               std::string& error) noexcept;

}  // namespace tessaloom
