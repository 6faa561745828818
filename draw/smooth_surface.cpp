// Loads the smooth surface's module on first use and hands out its surfaces.
#include "draw/smooth_surface.h"

#ifndef TESSALOOM_STATIC_PROGRAM
#include <dlfcn.h>

#include <atomic>
#include <mutex>

#include "platform/library_path.h"
#endif
#include "platform/text.h"

namespace tessaloom {
namespace {

// The module's entry points.
struct EntryPoints {
  CreateSmoothSurfaceFunction createSurface = nullptr;
  CreatePdfSurfaceFunction createPdf = nullptr;
  StartSmoothTextFunction startText = nullptr;
};

#ifdef TESSALOOM_STATIC_PROGRAM
// A static program's own copy of the component: the module links the shared
// library, and a static program cannot load one beside its own libc. The
// tool hands smooth charts to its full build instead.
bool Entries(EntryPoints& /*out*/, std::string& error) noexcept {
  AssignOrClear(error, "The smooth style is drawn by the shared library, not by this program");
  return false;
}
#else
// Loads the module and finds its entry points; false with the reason. The
// module is opened by its absolute path only: never one the loader searches
// for, nor one relative to the current folder.
bool Load(EntryPoints& out, std::string& error) noexcept {
  try {
    const std::string_view folder = OwnLibraryFolder();
    if (folder.empty()) {
      error = "The smooth style is not available: the library's own folder could not be found";
      return false;
    }
    const std::string path = std::string(folder).append(kOwnFilesFolder).append(kSmoothModuleName);
    // RTLD_LOCAL: the module's many libraries stay out of the process's
    // global symbol space.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* reason = dlerror();
      error =
          std::string("The smooth style is not available: ") + (reason != nullptr ? reason : path);
      return false;
    }
    out.createSurface =
        reinterpret_cast<CreateSmoothSurfaceFunction>(dlsym(handle, kCreateSmoothSurfaceSymbol));
    out.createPdf =
        reinterpret_cast<CreatePdfSurfaceFunction>(dlsym(handle, kCreatePdfSurfaceSymbol));
    out.startText =
        reinterpret_cast<StartSmoothTextFunction>(dlsym(handle, kStartSmoothTextSymbol));
    if (out.createSurface == nullptr || out.createPdf == nullptr || out.startText == nullptr) {
      error = "The smooth style is not available: " + path + " lacks its entry points";
      return false;
    }
    return true;
  } catch (...) {
    AssignOrClear(error, "Not enough memory to load the smooth style");
    return false;
  }
}

// The entry points, found once per process; the module is never unloaded
// (surfaces and Pango's per-thread state live in its code). Only success is
// kept: a load that failed (no file descriptor or memory left, a library
// missing) is tried again by the next smooth chart, so a passing shortage
// does not leave the process without the style.
bool Entries(EntryPoints& out, std::string& error) noexcept {
  static std::mutex mutex;
  static EntryPoints loaded;
  static std::atomic<bool> ready{false};
  if (!ready.load(std::memory_order_acquire)) {
    std::lock_guard lock(mutex);
    if (!ready.load(std::memory_order_relaxed)) {
      EntryPoints found;
      if (!Load(found, error)) return false;
      loaded = found;
      ready.store(true, std::memory_order_release);
    }
  }
  out = loaded;
  return true;
}
#endif

}  // namespace

bool StartSmoothText(std::string& error) noexcept {
  EntryPoints module;
  return Entries(module, error) && module.startText(error);
}

std::unique_ptr<SmoothSurface> CreateSmoothSurface(Canvas& canvas, std::int32_t scale,
                                                   std::string& error) noexcept {
  EntryPoints module;
  if (!Entries(module, error)) return nullptr;
  return std::unique_ptr<SmoothSurface>(module.createSurface(canvas, scale, error));
}

std::unique_ptr<SmoothSurface> CreatePdfSurface(std::int32_t width, std::int32_t height,
                                                std::int32_t scale, std::vector<std::uint8_t>& out,
                                                std::string& error) noexcept {
  EntryPoints module;
  if (!Entries(module, error)) return nullptr;
  return std::unique_ptr<SmoothSurface>(module.createPdf(width, height, scale, out, error));
}

}  // namespace tessaloom
