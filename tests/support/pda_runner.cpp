#include "tests/support/pda_runner.h"

#include <stdio.h>
#include <sys/wait.h>

namespace testing_support {

std::string Quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

PdaOutcome RunPda(const std::string& arguments, bool withErrors) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " +
                              Quoted(std::filesystem::path(VEYR_BIN_DIR) / "pda") + " " +
                              arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
  PdaOutcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    outcome.output.append(buffer, n);
  }
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

}  // namespace testing_support
