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
// A script met a screen it did not expect (or could not act on it).
inline constexpr int kExitUnexpectedScreen = 3;
// A script ended while the device still waited for input in a dialog.
inline constexpr int kExitScriptRanOut = 4;
inline constexpr int kExitUsage = 64;

enum class Command {
  kNone,  // no command given: the device itself (its screen)
  kInspect,
  kInstall,  // ExecuteInstallWizard; exits 0, 1, 2 for its 0, 1, -1
  kPrompt,   // PromptForPasswd; exits 0 passed CheckPassword, 1 null, 2 did not pass
  kLock,     // LockDevice; exits 0 when it returned 0
  kDemo,     // the bundled demo script on a new device (temporary unless --device)
  // The settings applet and the remover.
  kSettings,   // CPlApplet as the control panel runs it; exits 0 when it returned
  kUninstall,  // Uninstall, then the module's files; exits 0 removed, 1 cancelled, 2 failed
  kSignature,  // signature enroll FILE... | signature verify TEMPLATE FILE...
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
  // signature: verify (else enroll), its template file and the signature files.
  bool signatureVerify = false;
  std::filesystem::path signatureTemplate;
  std::vector<std::filesystem::path> signatureFiles;
};

// Parses the arguments after the program name. False with a one-line
// reason in *error for an unknown option or command, or a missing value.
bool ParseCommandLine(const std::vector<std::string>& args, Options* options, std::string* error);

// The text that --help prints.
std::string_view Usage();

}  // namespace pda
