#include "device/command_line.h"

#include <optional>

namespace pda {
namespace {

// Splits "--name=value" into its name and value; other arguments have no
// inline value.
std::pair<std::string_view, std::optional<std::string_view>> SplitInline(std::string_view arg) {
  if (arg.starts_with("--")) {
    const auto equals = arg.find('=');
    if (equals != std::string_view::npos) return {arg.substr(0, equals), arg.substr(equals + 1)};
  }
  return {arg, std::nullopt};
}

class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}
  bool Done() const { return next_ >= args_.size(); }
  const std::string& Next() { return args_[next_++]; }
  // The value of an option that takes one: inline ("--x=v") or the next
  // argument. Empty values are refused: an empty path is never meant.
  bool Value(std::string_view name, std::optional<std::string_view> inlineValue, std::string* value,
             std::string* error) {
    if (inlineValue) {
      *value = std::string(*inlineValue);
    } else if (!Done()) {
      *value = Next();
    } else {
      *error = "option '" + std::string(name) + "' needs a value";
      return false;
    }
    if (value->empty()) {
      *error = "option '" + std::string(name) + "' needs a non-empty value";
      return false;
    }
    return true;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
};

bool ParseInspectArguments(ArgumentReader& reader, Options* options, std::string* error) {
  while (!reader.Done()) {
    const std::string& arg = reader.Next();
    if (arg == "--json") {
      options->json = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else {
      *error = "inspect: unknown argument '" + arg + "'";
      return false;
    }
  }
  return true;
}

// Jobs take no arguments of their own but --help; the demo also takes
// --screenshots DIR.
bool ParseJobArguments(std::string_view command, ArgumentReader& reader, Options* options,
                       std::string* error) {
  while (!reader.Done()) {
    const std::string& arg = reader.Next();
    const auto [name, inlineValue] = SplitInline(arg);
    if (command == "demo" && name == "--screenshots") {
      std::string value;
      if (!reader.Value(name, inlineValue, &value, error)) return false;
      options->screenshots = value;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else {
      *error = std::string(command) + ": unknown argument '" + arg + "'";
      return false;
    }
  }
  return true;
}

// signature enroll FILE... | signature verify TEMPLATE FILE...; the number
// of enrollment files is checked when the command runs.
bool ParseSignatureArguments(ArgumentReader& reader, Options* options, std::string* error) {
  if (reader.Done()) {
    *error = "signature: say enroll or verify";
    return false;
  }
  const std::string& action = reader.Next();
  if (action == "--help" || action == "-h") {
    options->help = true;
    return true;
  }
  if (action != "enroll" && action != "verify") {
    *error = "signature: unknown action '" + action + "' (enroll or verify)";
    return false;
  }
  options->signatureVerify = action == "verify";
  while (!reader.Done()) {
    const std::string& arg = reader.Next();
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (options->signatureVerify && options->signatureTemplate.empty()) {
      options->signatureTemplate = arg;
    } else {
      options->signatureFiles.emplace_back(arg);
    }
  }
  if (options->signatureVerify && !options->help &&
      (options->signatureTemplate.empty() || options->signatureFiles.empty())) {
    *error = "signature verify: give the template file and at least one signature file";
    return false;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, Options* options, std::string* error) {
  *options = Options{};
  ArgumentReader reader(args);
  while (!reader.Done()) {
    const std::string& arg = reader.Next();
    const auto [name, inlineValue] = SplitInline(arg);
    const bool takesValue = name == "--device" || name == "--screenshots" || name == "--script";
    if (inlineValue && !takesValue) {
      *error = "option '" + std::string(name) + "' takes no value";
      return false;
    }
    if (takesValue) {
      std::string value;
      if (!reader.Value(name, inlineValue, &value, error)) return false;
      if (name == "--device") options->device = value;
      if (name == "--screenshots") options->screenshots = value;
      if (name == "--script") options->script = value;
    } else if (arg == "--headless") {
      options->headless = true;
    } else if (arg == "--real-time") {
      options->realTime = true;
    } else if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg.starts_with("-")) {
      *error = "unknown option '" + arg + "'";
      return false;
    } else if (arg == "inspect") {
      options->command = Command::kInspect;
      return ParseInspectArguments(reader, options, error);
    } else if (arg == "signature") {
      options->command = Command::kSignature;
      return ParseSignatureArguments(reader, options, error);
    } else if (arg == "install" || arg == "prompt" || arg == "lock" || arg == "demo") {
      options->command = arg == "install"  ? Command::kInstall
                         : arg == "prompt" ? Command::kPrompt
                         : arg == "lock"   ? Command::kLock
                                           : Command::kDemo;
      return ParseJobArguments(arg, reader, options, error);
    } else if (arg == "settings" || arg == "uninstall") {
      options->command = arg == "settings" ? Command::kSettings : Command::kUninstall;
      return ParseJobArguments(arg, reader, options, error);
    } else {
      *error = "unknown command '" + arg + "'";
      return false;
    }
  }
  return true;
}

std::string_view Usage() {
  return R"(Usage: pda [options] [command [args]]

Runs a simulated handheld kept in a device folder.

Options:
  --device DIR       use the device in DIR (created when missing); default
                     $XDG_DATA_HOME/veyrholm-pda/device
  --headless         run without a window
  --screenshots DIR  write each screen to DIR as a PNG file
  --script FILE      play the user actions in FILE
  --real-time        let timers run on the wall clock
  -h, --help         show this help

Commands:
  inspect [--json]   print the device's registry, databases, system-password
                     state and logon counters (as JSON with --json)
  install            run the installation wizard; exit 0 completed,
                     1 aborted, 2 failed
  prompt             ask for the password as the shell does at power on;
                     exit 0 it passed the system's check, 1 the module gave
                     no password, 2 the password did not pass
  lock               lock the device now (LockDevice); exit 0
  settings           open the control-panel applet (logon, then the settings);
                     exit 0 when it returned
  uninstall          remove the logon module (Uninstall, then its files); exit
                     0 removed, 1 cancelled at the master password, 2 failed
  signature enroll FILE...
                     write each signature file (five or more) on the
                     signature pad and enroll them as samples; print the
                     template; exit 0 enrolled, 1 a sample is inconsistent
                     ("inconsistent N"), 2 too few or unreadable files
  signature verify TEMPLATE FILE...
                     compare each signature file with the template that
                     enroll printed: "threshold T", then "FILE match SCORE"
                     or "FILE reject SCORE"; exit 0 every file was read, 2
                     otherwise
  demo [--screenshots DIR]
                     play the bundled demo on a new temporary device (or the
                     one --device names) and write a picture of every screen
                     (into --screenshots, else a new temporary folder)

Without a command, pda boots the device and shows its screen: in a window
when there is a display (and no --headless), until the window is closed.
Without a window it plays --script until it ends, or runs until the device
waits for input; with neither a display nor --device nor --script it plays
the demo. Scripts run on a virtual clock unless --real-time is given, and
drive the commands too.

Exit status: 0 success, 1 failure (e.g. the device cannot be opened),
3 the script met a screen it did not expect, 4 the script ended while the
device still waited for input, 64 usage error (also a script that does not
parse); the jobs exit with their result as above.
)";
}

}  // namespace pda
