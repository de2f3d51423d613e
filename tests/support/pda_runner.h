// Runs the built pda program as another process would, for the end-to-end
// tests of the device host.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

struct PdaOutcome {
  int status = -1;     // exit status, -1 when it did not exit normally
  std::string output;  // standard output, and standard error when asked
};

// Without a display, so pda stays headless whatever the session has.
PdaOutcome RunPda(const std::string& arguments, bool withErrors = true);

// A path quoted for the shell command line RunPda builds.
std::string Quoted(const std::filesystem::path& path);

}  // namespace testing_support
