#include "device/device_commands.h"

#include <cstdint>
#include <iostream>

#include "device/home_screen.h"
#include "platform/control_panel.h"
#include "platform/device.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/window.h"
#include "platform/wstring.h"

namespace pda {
namespace {

// The applet inquired for the home screen, told CPL_STOP / CPL_EXIT at the
// end.
const PasswordModule* g_applet = nullptr;
LONG g_appletData = 0;

// Calls into a module; an exception other than a stopped script is the
// module's failure and leaves `failed` set.
template <typename Call>
bool Guarded(const char* what, Call call) {
  try {
    RebootUnwinds unwinds;
    call();
    return true;
  } catch (const platform::ui::ScriptStopped&) {
    throw;
  } catch (const RebootNow&) {
    return false;  // the recorded request makes the caller reboot
  } catch (...) {
    std::cerr << "pda: the password module failed in " << what << '\n';
    return false;
  }
}

// Jobs open the device again after a reboot the module asked for (so a
// hard reset wipes now); the next start boots it.
void ReopenIfRequested(ShellSession& session) {
  if (!platform::device::RebootRequested()) return;
  const std::filesystem::path folder = platform::device::Folder();
  std::string error;
  session.Close();
  if (!platform::device::Open(folder, &error))
    std::cerr << "pda: the device did not come back after the reboot: " << error << '\n';
}

const PasswordModule* JobModule(const std::u16string& path) {
  std::string error;
  const PasswordModule* module = LoadPasswordModule(path, &error);
  if (!module) std::cerr << "pda: " << error << '\n';
  return module;
}

}  // namespace

int InstallExitStatus(LONG wizardResult) {
  if (wizardResult == 0) return 0;
  if (wizardResult == 1) return 1;
  return 2;
}

int PromptExitStatus(PromptOutcome outcome) {
  switch (outcome) {
    case PromptOutcome::kAccepted:
      return 0;
    case PromptOutcome::kDeclined:
    case PromptOutcome::kUnavailable:
      return 1;
    case PromptOutcome::kRejected:
      return 2;
  }
  return 2;
}

std::u16string JobModulePath() {
  const std::u16string redirect = RedirectModule();
  return redirect.empty() ? std::u16string(kInstalledModulePath) : redirect;
}

namespace {

// The installer's answer; -1 when there is none to ask.
LONG CallInstaller(ShellSession& session, HWND owner) {
  const PasswordModule* module = JobModule(kInstalledModulePath);
  if (!module || !module->executeInstallWizard) {
    if (module) std::cerr << "pda: the module has no ExecuteInstallWizard\n";
    return -1;
  }
  LONG result = -1;
  session.RunModuleCall([&] {
    Guarded("ExecuteInstallWizard", [&] { result = module->executeInstallWizard(owner); });
  });
  return result;
}

// The lock's exit status (RunLockJob).
int CallLock(ShellSession& session) {
  const PasswordModule* module = JobModule(JobModulePath());
  if (!module || !module->lockDevice) {
    if (module) std::cerr << "pda: the module has no LockDevice\n";
    return 1;
  }
  LONG result = -1;
  session.RunModuleCall([&] { Guarded("LockDevice", [&] { result = module->lockDevice(); }); });
  return result == 0 ? 0 : 2;
}

}  // namespace

int RunInstallJob(ShellSession& session, HWND owner) {
  const LONG result = CallInstaller(session, owner);
  ReopenIfRequested(session);
  return InstallExitStatus(result);
}

int RunPromptJob(ShellSession& session, HWND owner) {
  const PasswordModule* module = JobModule(JobModulePath());
  if (!module) return PromptExitStatus(PromptOutcome::kUnavailable);
  PromptOutcome outcome = PromptOutcome::kUnavailable;
  session.RunModuleCall([&] { outcome = PromptOnce(*module, owner); });
  ReopenIfRequested(session);
  return PromptExitStatus(outcome);
}

int RunLockJob(ShellSession& session) {
  const int status = CallLock(session);
  ReopenIfRequested(session);
  return status;
}

HICON IconFromCplHandle(DWORD value) {
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(value));
}

bool InquireApplet(const PasswordModule& module, AppletInfo* info) {
  if (!module.cplApplet) return false;
  bool ok = false;
  Guarded("CPlApplet", [&] {
    if (module.cplApplet(nullptr, CPL_INIT, 0, 0) == 0) return;
    if (module.cplApplet(nullptr, CPL_GETCOUNT, 0, 0) < 1) return;
    NEWCPLINFO record{};
    record.dwSize = sizeof(record);
    if (module.cplApplet(nullptr, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&record)) != 0)
      return;
    std::size_t length = 0;
    while (length < std::size(record.szName) && record.szName[length] != 0) ++length;
    info->name.assign(record.szName, length);
    info->icon = record.hIcon != 0 ? IconFromCplHandle(record.hIcon) : nullptr;
    g_appletData = record.lData;
    ok = true;
  });
  return ok;
}

int UninstallExitStatus(LONG result) {
  if (result == 0) return 0;
  if (result == 1) return 1;
  return 2;
}

namespace {

// The files the module brought: its library, its help page and its alarm
// sound. The system's own files (coredll.dll) and the signature component,
// which the module only registered, stay.
constexpr const WCHAR* kModuleFiles[] = {u"\\Windows\\Password.cpl", u"\\Windows\\OMREL.htm",
                                         u"\\Windows\\Alarm1.wav"};

LONG CallUninstall(ShellSession& session, HWND owner) {
  const PasswordModule* module = JobModule(kInstalledModulePath);
  if (!module || !module->uninstall) {
    if (module) std::cerr << "pda: the module has no Uninstall\n";
    return -1;
  }
  LONG result = -1;
  session.RunModuleCall([&] { Guarded("Uninstall", [&] { result = module->uninstall(owner); }); });
  if (result == 0) {
    for (const WCHAR* file : kModuleFiles) {
      std::error_code ignored;
      std::filesystem::remove(platform::device::MapPath(file), ignored);
    }
  }
  return result;
}

}  // namespace

int RunUninstallJob(ShellSession& session, HWND owner) {
  const LONG result = CallUninstall(session, owner);
  ReopenIfRequested(session);
  return UninstallExitStatus(result);
}

int RunSettingsJob(ShellSession& session, HWND owner) {
  const PasswordModule* module = JobModule(kInstalledModulePath);
  if (!module || !module->cplApplet) return 1;
  AppletInfo applet;
  if (!InquireApplet(*module, &applet)) return 1;
  g_applet = module;
  session.RunModuleCall([&] {
    Guarded("CPlApplet",
            [&] { module->cplApplet(owner, CPL_DBLCLK, 0, static_cast<LPARAM>(g_appletData)); });
  });
  ReleaseApplet();
  ReopenIfRequested(session);
  return 0;
}

void ReleaseApplet() {
  if (!g_applet) return;
  const PasswordModule* applet = g_applet;
  g_applet = nullptr;
  Guarded("CPlApplet", [&] {
    applet->cplApplet(nullptr, CPL_STOP, 0, g_appletData);
    applet->cplApplet(nullptr, CPL_EXIT, 0, 0);
  });
}

std::function<void()> LockNowAction(ShellSession& session) {
  ShellSession* shell = &session;
  return [shell] {
    const int status = CallLock(*shell);
    if (shell->RebootIfRequested()) return;
    // A module that reports a failed lock leaves the lock to the shell.
    if (status != 0 && shell->Unlock() == ShellSession::Unlocked::kReboot)
      shell->RebootIfRequested();
  };
}

void AddDeviceEntries(HomeScreen& home, ShellSession& session) {
  const HWND window = home.Window();
  session.SetHomeWindow(window);
  ShellSession* shell = &session;

  std::string error;
  const PasswordModule* module = LoadPasswordModule(kInstalledModulePath, &error);
  AppletInfo applet;
  if (module && InquireApplet(*module, &applet)) {
    g_applet = module;
    home.AddEntry(
        kEntryApplet, applet.name,
        [shell, module, window] {
          shell->RunModuleCall([&] {
            Guarded("CPlApplet", [&] {
              module->cplApplet(window, CPL_DBLCLK, 0, static_cast<LPARAM>(g_appletData));
            });
          });
          shell->RebootIfRequested();
        },
        applet.icon);
  } else {
    std::cerr << "pda: no control-panel applet: "
              << (module ? "it does not answer CPL_NEWINQUIRE" : error) << '\n';
  }

  home.AddEntry(kEntryLock, u"Lock now", LockNowAction(session));
  home.AddEntry(kEntryPower, u"Power off", [shell] { shell->PowerOffScreen(); });
  home.AddEntry(kEntryActiveSync, u"ActiveSync", [shell] {
    const bool connected = shell->ConnectActiveSync();
    std::cerr << "pda: ActiveSync " << (connected ? "connected" : "refused") << '\n';
  });
  home.AddEntry(kEntrySoftReset, u"Soft reset", [shell] { shell->Reboot(false); });
  home.AddEntry(kEntryHardReset, u"Hard reset", [shell] { shell->Reboot(true); });
  home.AddEntry(kEntryInstall, u"Install", [shell, window] {
    const LONG result = CallInstaller(*shell, window);
    if (shell->RebootIfRequested()) return;
    // A completed installation takes effect with a reboot.
    if (result == 0) shell->Reboot(false);
  });
  home.AddEntry(kEntryRemovePrograms, u"Remove Programs", [shell, window] {
    CallUninstall(*shell, window);
    shell->RebootIfRequested();
  });
}

}  // namespace pda
