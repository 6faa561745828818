// The static tool's hand-over to the full one (TESSALOOM_FRONT_TOOL builds
// only): the full tool runs with the same command line, so the output never
// depends on which tool ran.
#pragma once

#include <string>

#include "cli/draw_options.h"

namespace tessaloom::cli {

// Runs the full tool in this process's place; returns only on failure, with
// kFailed and the reason printed.
int HandOver(char** argv);

// Hands over a chart whose data was already read from standard input.
int HandOverWithInput(char** argv, const std::string& data);

// True when a text the chart draws needs the shaper this program lacks.
bool NeedsFullTool(const DrawOptions& o, const std::string& data);

}  // namespace tessaloom::cli
