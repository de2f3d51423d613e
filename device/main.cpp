// pda: the device host program. Opens (or creates) a device folder, puts
// the built system files into it as the handheld's ROM would, runs one
// command and closes the device again.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "device/command_line.h"
#include "device/inspect.h"
#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/wstring.h"

namespace {

// Until the device has a screen, message boxes are shown on stderr.
void PrintMessageBox(const platform::message_box::Record& box) {
  std::string text = platform::ToUtf8(box.text);
  std::string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    shown += text[i] == '\r' ? '\n' : text[i];
  }
  std::cerr << "[box] " << platform::ToUtf8(box.caption) << ": " << shown << std::endl;
}

// The system files are built beside the pda executable.
std::filesystem::path RomFolder() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

int Inspect(const pda::Options& options) {
  pda::DeviceSnapshot snapshot;
  std::vector<std::string> errors;
  pda::CollectSnapshot(&snapshot, &errors);
  if (options.json) {
    pda::WriteInspectJson(snapshot, std::cout);
  } else {
    pda::WriteInspectText(snapshot, std::cout);
  }
  std::cout.flush();
  for (const std::string& error : errors) std::cerr << "pda: inspect: " << error << '\n';
  return errors.empty() && std::cout ? pda::kExitOk : pda::kExitFailure;
}

int Run(const pda::Options& options) {
  const std::filesystem::path folder =
      options.device.empty() ? platform::device::DefaultFolder() : options.device;
  std::string error;
  if (!platform::device::Open(folder, &error)) {
    std::cerr << "pda: cannot open the device in " << folder.string() << ": " << error << '\n';
    return pda::kExitFailure;
  }
  const std::filesystem::path rom = RomFolder();
  if (!rom.empty()) platform::device::InstallRomFiles(rom);

  int status = pda::kExitOk;
  switch (options.command) {
    case pda::Command::kNone:  // the device screen comes here; until then, inspect
    case pda::Command::kInspect:
      status = Inspect(options);
      break;
  }
  platform::device::Close();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  pda::Options options;
  std::string error;
  if (!pda::ParseCommandLine(args, &options, &error)) {
    std::cerr << "pda: " << error << "\nTry 'pda --help'.\n";
    return pda::kExitUsage;
  }
  if (options.help) {
    std::cout << pda::Usage();
    return pda::kExitOk;
  }
  platform::message_box::SetObserver(PrintMessageBox);
  return Run(options);
}
