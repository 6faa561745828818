// The full tool's fonts: the process belongs to the tool, so it makes the
// configuration of just the chart faces (fonts/fontconfig.conf among the
// shared library's own files) fontconfig's default before any chart. Pango starts the
// default configuration with its first font map; with this one in place
// that costs nothing, where the system's takes several milliseconds of the
// first smooth chart.
#pragma once

namespace tessaloom::cli {

// Makes the chart faces' configuration the process's default; leaves the
// default alone when it is missing, unreadable or names no installed face.
// Call while the process has one thread, before any chart.
void UseChartFacesForProcess() noexcept;

}  // namespace tessaloom::cli
