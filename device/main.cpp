// pda: the device host program. Opens (or creates) a device folder, puts
// the built system files into it as the handheld's ROM would, runs one
// command or the device's screen, and closes the device again.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "device/command_line.h"
#include "device/device_screen.h"
#include "device/home_screen.h"
#include "device/inspect.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/ui/message_loop.h"
#include "platform/ui/script.h"
#include "platform/ui/scripted_user.h"
#include "platform/ui/shell_internal.h"
#include "platform/wstring.h"

namespace {

static_assert(pda::kExitUnexpectedScreen == platform::ui::kExitUnexpectedScreen);
static_assert(pda::kExitScriptRanOut == platform::ui::kExitScriptRanOut);

// Every message box is also logged on stderr (headless jobs and scripted
// runs leave a trace of what was asked).
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

bool HaveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
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

// Runs until every message that is due now has been handled and the screen
// drawn.
void RunUntilIdle(pda::HomeScreen& home) {
  for (;;) {
    MSG msg{};
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      if (home.PreTranslate(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      continue;
    }
    if (platform::ui::IsIdle()) return;
  }
}

// The shell's windows, for as long as the screen runs.
class ShellRunning {
 public:
  ShellRunning() { platform::ui::shell::Start(); }
  ~ShellRunning() { platform::ui::shell::Stop(); }
  ShellRunning(const ShellRunning&) = delete;
  ShellRunning& operator=(const ShellRunning&) = delete;
};

// The device's screen: the shell, the home screen, and then the person at
// the window, the script, or (with neither) just the first screen.
int RunScreen(const pda::Options& options, platform::ui::ScriptedUser* user) {
  namespace ui = platform::ui;
  const bool wantWindow = !options.headless && HaveDisplay();
  pda::DeviceScreen screen({wantWindow, options.screenshots});
  if (wantWindow && !screen.HasWindow()) {
    std::cerr << "pda: no window (" << screen.WindowError() << "); running headless\n";
  }
  // A person or a script answers the boxes; a headless job can't.
  if (screen.HasWindow() || user) platform::message_box::ClearAnswer();

  int status = pda::kExitOk;
  {
    ShellRunning shell;
    pda::HomeScreen home;
    if (!home.Show()) {
      std::cerr << "pda: the home screen could not be made\n";
      return pda::kExitFailure;
    }
    if (user) {
      user->SetHost({[&screen] { screen.PollEvents(); },
                     [&screen](DWORD milliseconds) { screen.WaitEvents(milliseconds); }});
      try {
        ui::PlayScript(*user, {}, [&home](MSG* msg) { return home.PreTranslate(msg); });
      } catch (const ui::ScriptStopped& stop) {
        std::cerr << "pda: " << options.script.string() << ": " << stop.what() << '\n';
        status = stop.ExitStatus();
      }
    } else if (screen.HasWindow()) {
      const ui::IdleHook previous = ui::SetIdleHook([&screen] { return screen.IdleWait(); });
      MSG msg{};
      while (GetMessage(&msg, nullptr, 0, 0)) {
        if (home.PreTranslate(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      ui::SetIdleHook(previous);
    } else {
      RunUntilIdle(home);
    }
  }
  if (!options.screenshots.empty()) {
    if (!screen.ScreenshotError().empty()) {
      std::cerr << "pda: screenshots: " << screen.ScreenshotError() << '\n';
      if (status == pda::kExitOk) status = pda::kExitFailure;
    }
    std::cerr << "pda: " << screen.ScreenshotCount() << " screenshot"
              << (screen.ScreenshotCount() == 1 ? "" : "s") << " in "
              << options.screenshots.string() << '\n';
  }
  return status;
}

int Run(const pda::Options& options, platform::ui::ScriptedUser* user) {
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
    case pda::Command::kNone:
      status = RunScreen(options, user);
      break;
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

  // The script is read before the device is touched: a script that does
  // not parse changes nothing.
  platform::ui::ScriptedUser user;
  const bool scripted = !options.script.empty() && options.command == pda::Command::kNone;
  if (scripted) {
    std::ifstream file(options.script, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file || file.bad()) {
      std::cerr << "pda: cannot read the script " << options.script.string() << '\n';
      return pda::kExitFailure;
    }
    if (!platform::ui::ParseScript(text.str(), &user, &error)) {
      std::cerr << "pda: " << options.script.string() << ": " << error << '\n';
      return pda::kExitUsage;
    }
    // Scripted runs are repeatable: time moves only when the script waits.
    if (!options.realTime) platform::clock::UseVirtual(0);
  }
  return Run(options, scripted ? &user : nullptr);
}
