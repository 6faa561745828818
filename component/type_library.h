// The static description of the type library TESSALOOMLib 1.0: the coclass
// GraphGenerator, its classic dual interface IGraphGenerator and its default
// interface IGraphGenerator2, with every member's DISPID, kind, parameters
// and help string. Constant data; any thread.
#pragma once

#include "platform/dispatch.h"
#include "tessaloom/igraph_generator.h"

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
  const InterfaceDescription& interface;         // IGraphGenerator, the classic members
  const InterfaceDescription& defaultInterface;  // IGraphGenerator2, the class's default
};

// The 39 members of IGraphGenerator in vtable order.
const InterfaceDescription& GraphGeneratorInterface() noexcept;
// IGraphGenerator's 39 members followed by IGraphGenerator2's own; late
// binding dispatches over this one.
const InterfaceDescription& GraphGenerator2Interface() noexcept;
const TypeLibraryDescription& TessaloomTypeLibrary() noexcept;

}  // namespace tessaloom
