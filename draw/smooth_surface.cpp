// Loads the smooth surface's module on first use and hands out its surfaces.
#include "draw/smooth_surface.h"

#ifndef TESSALOOM_STATIC_PROGRAM
#include <dlfcn.h>
#endif

namespace tessaloom {
namespace {

#ifdef TESSALOOM_STATIC_PROGRAM
// A static program's own copy of the component: the module links the shared
// library, and a static program cannot load one beside its own libc. The
// tool hands smooth charts to its full build instead.
struct Module {
  CreateSmoothSurfaceFunction createSurface = nullptr;
  CreatePdfSurfaceFunction createPdf = nullptr;
  const char* error = "The smooth style is drawn by the shared library, not by this program";
};
#else
// Anchor for dladdr: its address lies in this library, whose folder holds
// the module.
void AddressInThisLibrary() {}

// The module's two entry points, found once per process and never unloaded
// (surfaces and Pango's per-thread state live in its code). Immutable once
// made; a module that cannot be loaded stays unavailable for the process,
// with the reason kept for every later request.
struct Module {
  CreateSmoothSurfaceFunction createSurface = nullptr;
  CreatePdfSurfaceFunction createPdf = nullptr;
  std::string error;

  Module() noexcept {
    try {
      std::string path = kSmoothModuleName;
      Dl_info info{};
      if (dladdr(reinterpret_cast<void*>(&AddressInThisLibrary), &info) != 0 &&
          info.dli_fname != nullptr) {
        const std::string library = info.dli_fname;
        const std::size_t slash = library.rfind('/');
        if (slash != std::string::npos) path = library.substr(0, slash + 1) + kSmoothModuleName;
      }
      // RTLD_LOCAL: the module's many libraries stay out of the process's
      // global symbol space.
      void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) {
        const char* reason = dlerror();
        error = std::string("The smooth style is not available: ") +
                (reason != nullptr ? reason : path);
        return;
      }
      createSurface =
          reinterpret_cast<CreateSmoothSurfaceFunction>(dlsym(handle, kCreateSmoothSurfaceSymbol));
      createPdf =
          reinterpret_cast<CreatePdfSurfaceFunction>(dlsym(handle, kCreatePdfSurfaceSymbol));
      if (createSurface == nullptr || createPdf == nullptr) {
        createSurface = nullptr;
        createPdf = nullptr;
        error = "The smooth style is not available: " + path + " lacks its entry points";
      }
    } catch (...) {
      error = "Not enough memory to load the smooth style";
    }
  }
};
#endif

const Module& LoadedModule() noexcept {
  static const Module module;
  return module;
}

}  // namespace

std::unique_ptr<SmoothSurface> CreateSmoothSurface(Canvas& canvas, std::int32_t scale,
                                                   std::string& error) noexcept {
  const Module& module = LoadedModule();
  if (module.createSurface == nullptr) {
    error = module.error;
    return nullptr;
  }
  return std::unique_ptr<SmoothSurface>(module.createSurface(canvas, scale, error));
}

std::unique_ptr<SmoothSurface> CreatePdfSurface(std::int32_t width, std::int32_t height,
                                                std::int32_t scale, std::vector<std::uint8_t>& out,
                                                std::string& error) noexcept {
  const Module& module = LoadedModule();
  if (module.createPdf == nullptr) {
    error = module.error;
    return nullptr;
  }
  return std::unique_ptr<SmoothSurface>(module.createPdf(width, height, scale, out, error));
}

}  // namespace tessaloom
