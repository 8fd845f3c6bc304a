// The run of the program, from the command line to the finished page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The joined argument without the extension of its final component (the text
// after the last '/' or '\'); the extension starts at that component's last dot,
// unless the dot is its first character. Nothing when there is no extension.
std::optional<std::string> planBase(std::string_view joined);

// The whole run; returns the exit status: 0 success, 1 a failed run, 2 a usage
// error.
int run(int argc, char** argv);

}  // namespace tarnwick
