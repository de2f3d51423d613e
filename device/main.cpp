// pda: the device host program. Opens (or creates) a device folder, puts
// the built system files into it as the handheld's ROM would, runs one
// command or the device's screen, and closes the device again.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "device/command_line.h"
#include "device/demo_script.h"
#include "device/device_commands.h"
#include "device/device_screen.h"
#include "device/home_screen.h"
#include "device/inspect.h"
#include "device/quick_access_icon.h"
#include "device/script_device_lines.h"
#include "device/shell_session.h"
#include "device/signature_command.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/message_box.h"
#include "platform/ui/script/script.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/message_loop.h"
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

class IdleHookScope {
 public:
  explicit IdleHookScope(platform::ui::IdleHook hook)
      : previous_(platform::ui::SetIdleHook(std::move(hook))) {}
  ~IdleHookScope() { platform::ui::SetIdleHook(previous_); }
  IdleHookScope(const IdleHookScope&) = delete;
  IdleHookScope& operator=(const IdleHookScope&) = delete;

 private:
  platform::ui::IdleHook previous_;
};

const char* CommandName(pda::Command command) {
  switch (command) {
    case pda::Command::kInstall:
      return "install";
    case pda::Command::kPrompt:
      return "prompt";
    case pda::Command::kLock:
      return "lock";
    case pda::Command::kDemo:
      return "demo";
    case pda::Command::kSettings:
      return "settings";
    case pda::Command::kUninstall:
      return "uninstall";
    default:
      return "";
  }
}

bool IsJob(pda::Command command) {
  return command == pda::Command::kInstall || command == pda::Command::kPrompt ||
         command == pda::Command::kLock || command == pda::Command::kSettings ||
         command == pda::Command::kUninstall;
}

// The device with its screen: the shell, then the boot and the home screen
// or one job, played by the person at the window, the script, or nobody.
int RunScreen(const pda::Options& options, platform::ui::ScriptedUser* user,
              pda::ShellSession& session) {
  namespace ui = platform::ui;
  const bool demo = options.command == pda::Command::kDemo;
  const bool wantWindow = !demo && !options.headless && HaveDisplay();
  // Closing the window while a module call or the shell's prompt runs is
  // the device going away: pda ends at once and the device stays locked
  // (the module's logon would otherwise keep reopening its dialog).
  auto closeWhileBusy = [&session] {
    if (!session.Busy()) return false;
    std::cerr << "pda: the window was closed during the logon; the device stays locked"
              << std::endl;
    std::_Exit(pda::kExitOk);
  };
  pda::DeviceScreen screen({wantWindow, options.screenshots});
  screen.SetCloseHandler(closeWhileBusy);
  if (wantWindow && !screen.HasWindow()) {
    std::cerr << "pda: no window (" << screen.WindowError() << "); running headless\n";
  }
  // A person or a script answers the boxes; a headless job can't.
  if (screen.HasWindow() || user) platform::message_box::ClearAnswer();

  const bool job = IsJob(options.command);
  int status = pda::kExitOk;
  int jobStatus = pda::kExitOk;
  {
    ShellRunning shell;
    pda::HomeScreen home;
    pda::QuickAccessIcon quickAccess([lock = pda::LockNowAction(session)] {
      std::cerr << "pda: the taskbar's lock icon was tapped\n";
      lock();
    });
    // The hook names the icon, which goes at the end of this block.
    struct ForgetHook {
      pda::ShellSession& session;
      ~ForgetHook() { session.SetAfterBoot(nullptr); }
    } forgetHook{session};
    bool homeFailed = false;
    auto run = [&] {
      switch (options.command) {
        case pda::Command::kInstall:
          jobStatus = pda::RunInstallJob(session);
          return;
        case pda::Command::kPrompt:
          jobStatus = pda::RunPromptJob(session);
          return;
        case pda::Command::kLock:
          jobStatus = pda::RunLockJob(session);
          return;
        case pda::Command::kSettings:
          jobStatus = pda::RunSettingsJob(session);
          return;
        case pda::Command::kUninstall:
          jobStatus = pda::RunUninstallJob(session);
          return;
        default:
          break;
      }
      session.Boot();
      if (!session.FatalError().empty()) return;
      if (!home.Show()) {
        homeFailed = true;
        PostQuitMessage(1);
        return;
      }
      pda::AddDeviceEntries(home, session);
      if (quickAccess.Start()) {
        session.SetAfterBoot([&quickAccess] { quickAccess.FollowSetting(); });
      } else {
        std::cerr << "pda: the quick-access lock icon can't be made\n";
      }
    };
    auto preTranslate = [&home](MSG* msg) { return home.PreTranslate(msg); };

    if (user) {
      user->SetHost({[&screen] { screen.PollEvents(); },
                     [&screen](DWORD milliseconds) { screen.WaitEvents(milliseconds); }});
      try {
        ui::PlayScript(*user, run, preTranslate);
        if (job) status = jobStatus;
      } catch (const ui::ScriptStopped& stop) {
        const std::string source = demo ? std::string("demo") : options.script.string();
        std::cerr << "pda: " << source << ": " << stop.what() << '\n';
        status = stop.ExitStatus();
      }
    } else if (screen.HasWindow()) {
      IdleHookScope hook([&screen] { return screen.IdleWait(); });
      run();
      if (job) {
        status = jobStatus;
      } else {
        MSG msg{};
        while (GetMessage(&msg, nullptr, 0, 0)) {
          if (home.PreTranslate(&msg)) continue;
          TranslateMessage(&msg);
          DispatchMessage(&msg);
        }
      }
    } else {
      try {
        // Nobody can answer a dialog: the first time the device waits for
        // input, the run ends there (as a script that ran out, so module
        // calls let it through).
        IdleHookScope hook([]() -> bool {
          throw ui::ScriptStopped(ui::ScriptStopped::Reason::kRanOut,
                                  ui::scripted_user::Describe(ui::scripted_user::TopmostWindow()));
        });
        run();
        if (job) {
          status = jobStatus;
        } else {
          RunUntilIdle(home);
        }
      } catch (const ui::ScriptStopped& stop) {
        // What the screen showed when the device began to wait.
        const std::string screenName = stop.what();
        if (job) {
          std::cerr << "pda: " << CommandName(options.command)
                    << ": the job waits for input and nobody can answer it (no window, no "
                       "--script); the screen shows "
                    << screenName << '\n';
          status = pda::kExitScriptRanOut;
        } else {
          std::cerr << "pda: the device waits for input (the screen shows " << screenName
                    << "); without a window or a script pda stops here\n";
        }
      }
    }
    if (homeFailed) {
      std::cerr << "pda: the home screen could not be made\n";
      status = pda::kExitFailure;
    }
    pda::ReleaseApplet();
  }
  if (!session.FatalError().empty()) status = pda::kExitFailure;
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

int Run(const pda::Options& options, platform::ui::ScriptedUser* user, pda::ShellSession& session) {
  const std::filesystem::path folder =
      options.device.empty() ? platform::device::DefaultFolder() : options.device;
  std::string error;
  if (!session.Open(folder, RomFolder(), &error)) {
    std::cerr << "pda: cannot open the device in " << folder.string() << ": " << error << '\n';
    return pda::kExitFailure;
  }
  int status = 0;
  if (options.command == pda::Command::kInspect) {
    status = Inspect(options);
  } else if (options.command == pda::Command::kSignature) {
    status = options.signatureVerify
                 ? pda::SignatureVerify(options.signatureTemplate, options.signatureFiles,
                                        std::cout, std::cerr)
                 : pda::SignatureEnroll(options.signatureFiles, std::cout, std::cerr);
  } else {
    status = RunScreen(options, user, session);
  }
  session.Close();
  return status;
}

// A new folder under the system's temporary folder; empty on failure.
std::filesystem::path MakeTemporaryFolder(const std::string& prefix) {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

// The demo runs without a window, on a device of its own unless one is
// named, and always writes its screens somewhere it names.
bool PrepareDemo(pda::Options* options, std::filesystem::path* temporaryDevice) {
  if (options->device.empty()) {
    *temporaryDevice = MakeTemporaryFolder("pda-demo-device-");
    if (temporaryDevice->empty()) {
      std::cerr << "pda: demo: cannot make a temporary device folder\n";
      return false;
    }
    options->device = *temporaryDevice;
  }
  if (options->screenshots.empty()) {
    options->screenshots = MakeTemporaryFolder("pda-demo-");
    if (options->screenshots.empty()) {
      std::cerr << "pda: demo: cannot make a folder for the screenshots\n";
      return false;
    }
  }
  options->headless = true;
  return true;
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

  // The shell's session exists before any script is read: the device lines
  // of the script language act on it.
  pda::ShellSession session;
  pda::RegisterDeviceLines(session);

  // Without a window, a device or a script, the newcomer gets the demo.
  if (options.command == pda::Command::kNone && options.script.empty() && options.device.empty() &&
      (options.headless || !HaveDisplay())) {
    options.command = pda::Command::kDemo;
  }
  const bool demo = options.command == pda::Command::kDemo;

  // The script is read before the device is touched: a script that does
  // not parse changes nothing.
  platform::ui::ScriptedUser user;
  const bool scripted =
      demo || (!options.script.empty() && options.command != pda::Command::kInspect &&
               options.command != pda::Command::kSignature);
  if (demo) {
    if (!platform::ui::ParseScript(pda::DemoScript(), &user, &error)) {
      std::cerr << "pda: demo: " << error << '\n';
      return pda::kExitFailure;
    }
  } else if (scripted) {
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
  }
  // Scripted runs are repeatable: time moves only when the script waits.
  if (scripted && !options.realTime) platform::clock::UseVirtual(0);

  std::filesystem::path temporaryDevice;
  if (demo && !PrepareDemo(&options, &temporaryDevice)) return pda::kExitFailure;
  const int status = Run(options, scripted ? &user : nullptr, session);
  if (demo) {
    if (status == pda::kExitOk)
      std::cerr << "pda: demo done: the pictures of its screens are in "
                << options.screenshots.string() << '\n';
    std::error_code ec;
    if (!temporaryDevice.empty()) std::filesystem::remove_all(temporaryDevice, ec);
  }
  return status;
}
