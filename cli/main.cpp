// tessaloom: the command-line face of the component.
//   tessaloom demo [DIR]                 a gallery of every Draw method, with index.html
//   tessaloom draw METHOD DATA.csv -o FILE [options]
//   tessaloom convert FILE.bmp|FILE.jpg  converts between BMP and JPEG
//   tessaloom register|unregister [LIBRARY]  (un)registers the server
//   tessaloom serve [--port N] [--workers N] [--bind ADDR]  the chart service
// Everything goes through the component's automation interface. The
// commands live one to a file: arguments.cpp (usage and messages),
// draw_command.cpp, gallery.cpp, registration.cpp, serve.cpp, and hand_over.cpp (what
// the static tool passes to the full one).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/draw_options.h"
#include "image/cimg.h"
#include "platform/text.h"
#ifdef TESSALOOM_FRONT_TOOL
#include "cli/hand_over.h"
#else
#include "cli/process_fonts.h"
#endif

namespace tessaloom::cli {

int Convert(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("convert").c_str(), stdout);
    return 0;
  }
  if (argc != 3) return Usage("convert needs one FILE", "convert");
  const std::string source = argv[2];
  const bool fromBmp = LowerAscii(std::filesystem::path(source).extension().string()) == ".bmp";
  tessaloom::CIMG converter;
  if (!converter.Convert(source,
                         fromBmp ? tessaloom::ImageType::kJpeg : tessaloom::ImageType::kBmp)) {
    return Fail(source + ": " + converter.GetError());
  }
  const std::size_t dot = source.rfind('.');
  const std::string stem = dot == std::string::npos ? source : source.substr(0, dot);
  std::printf("%s%s\n", stem.c_str(), fromBmp ? ".JPG" : ".BMP");
  return 0;
}

}  // namespace tessaloom::cli

int main(int argc, char** argv) {
  using namespace tessaloom::cli;
  try {
    if (argc < 2) return Usage("no command");
    const std::string command = argv[1];
    if (command == "--version") {
      std::printf("tessaloom %s\n", TESSALOOM_VERSION);
      return 0;
    }
#ifndef TESSALOOM_FRONT_TOOL
    if (command == "demo") UseChartFacesForProcess();  // draw: when the chart is smooth
#endif
    if (command == "draw") return Draw(argc, argv);
    if (command == "convert") return Convert(argc, argv);
    if (command == "serve") return Serve(argc, argv);
#ifdef TESSALOOM_FRONT_TOOL
    if (command == "demo" || command == "register" || command == "unregister") {
      return HandOver(argv);
    }
#else
    if (command == "demo") return Gallery(argc, argv);
    if (command == "register") return Registration(argc, argv, true);
    if (command == "unregister") return Registration(argc, argv, false);
#endif
    if (command == "-h" || command == "--help" || command == "help") {
      std::fputs(Help().c_str(), stdout);
      return 0;
    }
    constexpr std::string_view kCommands[] = {"draw",       "convert", "demo", "register",
                                              "unregister", "serve",   "help", "--version"};
    return Usage("unknown command " + WithSuggestion(command, kCommands));
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
