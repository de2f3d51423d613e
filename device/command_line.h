// The pda command line:
//   pda [--device DIR] [--headless] [--screenshots DIR] [--script FILE]
//       [--real-time] [command [args]]
// Scripts rely on it, so options and commands are only ever added.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pda {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 64;

enum class Command {
  kNone,  // no command given: the device itself
  kInspect,
};

struct Options {
  // Empty: platform::device::DefaultFolder().
  std::filesystem::path device;
  bool headless = false;
  std::filesystem::path screenshots;
  std::filesystem::path script;
  bool realTime = false;
  bool help = false;

  Command command = Command::kNone;
  // inspect --json
  bool json = false;
};

// Parses the arguments after the program name. False with a one-line
// reason in *error for an unknown option or command, or a missing value.
bool ParseCommandLine(const std::vector<std::string>& args, Options* options, std::string* error);

// The text that --help prints.
std::string_view Usage();

}  // namespace pda
