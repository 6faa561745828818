// The static description of the type library TESSALOOMLib 1.0: the coclass
// GraphGenerator and its dual interface IGraphGenerator with every member's
// DISPID, kind, parameters and help string. Constant data; any thread.
#pragma once

#include "component/igraph_generator.h"
#include "platform/dispatch.h"

namespace tessaloom {

struct TypeLibraryDescription {
  const char* name;
  GUID libid;
  std::uint16_t majorVersion;
  std::uint16_t minorVersion;
  LCID lcid;
  const char* helpString;
  const char* coclassName;
  CLSID clsid;
  const char* coclassHelpString;
  const InterfaceDescription& interface;
};

// The 39 members of IGraphGenerator in vtable order.
const InterfaceDescription& GraphGeneratorInterface() noexcept;
const TypeLibraryDescription& TessaloomTypeLibrary() noexcept;

}  // namespace tessaloom
