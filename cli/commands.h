// The tool's commands, each given the whole command line (argv[1] is the
// command) and returning the exit code (cli/arguments.h). The gallery and
// registration load libraries, so only the full tool has them.
#pragma once

namespace tessaloom::cli {

// tessaloom draw METHOD DATA.csv -o FILE [options]
int Draw(int argc, char** argv);

// tessaloom convert FILE.bmp|FILE.jpg
int Convert(int argc, char** argv);

// tessaloom demo [DIR]
int Gallery(int argc, char** argv);

// tessaloom register|unregister [LIBRARY]
int Registration(int argc, char** argv, bool registering);

// tessaloom serve [--port N] [--workers N] [--bind ADDR] [--document-root DIR]
int Serve(int argc, char** argv);

}  // namespace tessaloom::cli
