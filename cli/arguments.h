// The command line's own words: each command's usage, the exit codes, and
// how the tool reports a wrong command line, a failure or a warning.
#pragma once

#include <string>
#include <string_view>

namespace tessaloom::cli {

// Exit codes: 0 the image (or file) was written, 1 it was not, 2 the
// command line was wrong.
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

// The usage of one command ("unregister" shares "register"'s), or of all
// with an empty name.
std::string Help(std::string_view command = {});

// True when an argument after the command is -h or --help.
bool AsksForHelp(int argc, char** argv);

// Prints the message and the command's usage to standard error; kUsageError.
int Usage(const std::string& message, std::string_view command = {});

// Prints the message and where the command's options are listed (not the
// whole usage: the message names the slip); kUsageError.
int OptionError(const std::string& message, std::string_view command);

// Prints the message to standard error; kFailed.
int Fail(const std::string& message);

void Warn(const std::string& message);

}  // namespace tessaloom::cli
