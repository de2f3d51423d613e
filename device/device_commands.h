// The jobs of `pda install`, `pda prompt` and `pda lock`, and the entries
// of the home screen, on top of the shell session.
#pragma once

#include <functional>
#include <string>

#include "device/shell_session.h"
#include "platform/windef.h"

namespace pda {

class HomeScreen;

// Home screen entries (buttons of dialog 1), ids for scripts.
inline constexpr int kEntryApplet = 1010;  // the control-panel applet (CPL_NEWINQUIRE name, icon)
inline constexpr int kEntryLock = 1011;    // "Lock now": LockDevice
inline constexpr int kEntryPower = 1012;   // "Power off": dark screen; a tap turns it on
inline constexpr int kEntryActiveSync = 1013;  // "ActiveSync": a connection
inline constexpr int kEntrySoftReset = 1014;   // "Soft reset"
inline constexpr int kEntryHardReset = 1015;   // "Hard reset": wipes the object store
inline constexpr int kEntryInstall = 1016;     // "Install": ExecuteInstallWizard
// "Remove Programs": Uninstall, and on 0 the module's files.
inline constexpr int kEntryRemovePrograms = 1017;

// Exit statuses of the jobs: install 0, 1, 2 for the wizard's 0, 1, -1
// (any other answer counts as the failure, 2); prompt 0 accepted, 1 null
// (also: no module to ask), 2 a string that does not pass.
int InstallExitStatus(LONG wizardResult);
int PromptExitStatus(PromptOutcome outcome);

// The module the prompt and lock jobs call: the one "Redirect" names, else
// \Windows\Password.cpl.
std::u16string JobModulePath();

// Each runs its one call as the shell makes it (as a module call, owner
// `owner`), applies a reboot the module asked for (the device is opened
// again, not booted) and returns the exit status.
int RunInstallJob(ShellSession& session, HWND owner = nullptr);
int RunPromptJob(ShellSession& session, HWND owner = nullptr);
// LockDevice keeps the password it obtains and returns 0: the status is 0
// for that and 2 for any other answer (or 1 when there is no module).
int RunLockJob(ShellSession& session);
// The applet as the control panel runs it (CPL_INIT, CPL_GETCOUNT,
// CPL_NEWINQUIRE, CPL_DBLCLK, CPL_STOP, CPL_EXIT): 0 when it returned, 1
// when there is no applet to run.
int RunSettingsJob(ShellSession& session, HWND owner = nullptr);
// Uninstall(owner); on 0 the module's files are removed as the system's
// remover does. 0 removed, 1 cancelled at the prompt, 2 failed.
int RunUninstallJob(ShellSession& session, HWND owner = nullptr);
int UninstallExitStatus(LONG result);

// The control-panel applet as the home screen offers it: name and icon
// from CPL_NEWINQUIRE (the 32-bit icon value turned back into a handle).
struct AppletInfo {
  std::u16string name;
  HICON icon = nullptr;
};
bool InquireApplet(const PasswordModule& module, AppletInfo* info);
// The 32-bit icon value of NEWCPLINFO as the platform's icon handle (icon
// handles are small table values, so the value is the handle).
HICON IconFromCplHandle(DWORD value);

// What "Lock now" and the taskbar's lock icon do: LockDevice; a module
// that reports a failed lock leaves the lock to the shell's unlock rule.
std::function<void()> LockNowAction(ShellSession& session);

// Adds the device's entries to a shown home screen.
void AddDeviceEntries(HomeScreen& home, ShellSession& session);
// CPL_STOP and CPL_EXIT to an applet that was inquired (at the end).
void ReleaseApplet();

}  // namespace pda
