// The machine-wide value store that stands in for the Windows registry: one
// text file in the registry export format (platform/registry_document.h), at
// $TESSALOOM_REGISTRY when set, else /etc/tessaloom/registry.reg (the
// variable is read at every call, so a test can point it at a file of its
// own). A missing file is an empty registry. Any thread may call these.
//
// Both functions follow the library's failure rule (true: done; else the
// reason in `error`). `code`, when given, also receives the failure's errno
// value (0 on success; ENOMEM when memory ran out, EINVAL for a file without
// the header), for callers that report the code itself: the settings readers
// show its system text, the server entry points map ENOMEM to E_OUTOFMEMORY.
#pragma once

#include <functional>
#include <string>

#include "platform/registry_document.h"

namespace tessaloom {

// The registry file's path, as above.
std::string RegistryFilePath();

// Reads the registry file into `out`. A missing file, a missing folder or a
// symbolic link to nothing gives an empty document. Fails when the file
// cannot be read or lacks the header.
[[nodiscard]] bool LoadRegistry(RegistryDocument& out, std::string& error,
                                int* code = nullptr) noexcept;

// Reads the registry file, lets `change` edit it and, when that changed
// anything, replaces the file in one step, all under an exclusive advisory
// lock on the file's folder, so concurrent writers take turns. A symbolic
// link is written through to its target, never replaced; the new file keeps
// the old one's mode and owner (or nothing is written), and it and its
// folder are flushed to the disk around the rename. Missing folders are
// created, but only when `change` adds something to an empty registry (it
// is then called on one first). On failure the file is as it was. `change`
// may throw; that is reported as a failure.
[[nodiscard]] bool EditRegistry(const std::function<void(RegistryDocument&)>& change,
                                std::string& error, int* code = nullptr) noexcept;

}  // namespace tessaloom
