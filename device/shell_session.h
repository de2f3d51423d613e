// The handheld's shell around the password module: it boots the device,
// calls the module that "ControlPanel\Password" "Redirect" names, and
// unlocks only on a password that passes coredll's own CheckPassword. A
// null answer falls back to the shell's own plain prompt; a wrong string,
// a module that can't be loaded or a call that fails keeps the device
// locked. It also plays the hardware: power off and on, soft and hard
// reset, and the reboot the module asks for with IOCTL_HAL_REBOOT.
//
// Everything runs on the UI thread. Module calls are modal; while one runs
// the session is "busy" and device actions that would pull the module's
// stack away (resets) are refused.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/control_panel.h"
#include "platform/system_names.h"
#include "platform/windef.h"

namespace pda {

// The entries of a password module, loaded by device path and kept loaded
// for the rest of the process (a module's windows and classes may outlive
// a call). Entries the module lacks stay null.
// A reboot the module asks for (its hard reset) happens at once: while a
// RebootUnwinds is alive, the kernel's reboot call unwinds the module's
// stack back to the shell as RebootNow, the way a real reboot abandons it.
// The request stays recorded, so the shell's usual reboot path follows.
struct RebootNow {};
class RebootUnwinds {
 public:
  RebootUnwinds();
  ~RebootUnwinds();
  RebootUnwinds(const RebootUnwinds&) = delete;
  RebootUnwinds& operator=(const RebootUnwinds&) = delete;

 private:
  void (*previous_)();
};

// The module's lock screen takes the title and caption of the window in
// front and leaves them so for callers other than its own window (as on
// the handheld, where the shell repaints its own). The shell puts its
// window back as it was when a module call returns.
class KeepFrontWindow {
 public:
  KeepFrontWindow();
  ~KeepFrontWindow();
  KeepFrontWindow(const KeepFrontWindow&) = delete;
  KeepFrontWindow& operator=(const KeepFrontWindow&) = delete;

 private:
  HWND window_;
  LONG_PTR style_ = 0;
  std::u16string title_;
};

struct PasswordModule {
  LPWSTR (*promptForPasswd)(HWND) = nullptr;
  LONG (*lockDevice)() = nullptr;
  LONG (*executeInstallWizard)(HWND) = nullptr;
  APPLET_PROC cplApplet = nullptr;
  LONG (*uninstall)(HWND) = nullptr;
};
// Null with a reason in *error when the file can't be loaded.
const PasswordModule* LoadPasswordModule(std::u16string_view devicePath, std::string* error);

// What one PromptForPasswd call came to.
enum class PromptOutcome {
  kAccepted,     // the returned string passed CheckPassword
  kDeclined,     // null came back
  kRejected,     // a string came back that did not pass
  kUnavailable,  // no module, no entry, or the call failed (threw)
};

// coredll's own check of the system password. False when coredll or its
// entry can't be loaded: the shell fails closed.
bool SystemCheckPassword(LPCWSTR password);

// Checks a string returned by PromptForPasswd with CheckPassword, then
// wipes its characters and releases it (LocalFree). Null is kDeclined.
PromptOutcome TakeReturnedPassword(LPWSTR password);

// Calls the module's PromptForPasswd(owner) once and checks the answer.
// A scripted run that stops inside the call passes through; any other
// exception from the module counts as kUnavailable.
PromptOutcome PromptOnce(const PasswordModule& module, HWND owner);

// The system's password settings, as the shell reads them.
// HKLM "ControlPanel\Password" "Redirect"; empty when no module is named.
std::u16string RedirectModule();
// HKCU "ControlPanel\Owner" "PowrPass": on when its first byte is not 0.
bool PowerOnPasswordOn();
// HKCU "Software\Microsoft\Windows\CurrentVersion\Policies\Shell"
// "ActivePeriod" in minutes; 0 when missing.
DWORD ActivePeriodMinutes();
// A device that never had a password provider: no "Redirect" and no system
// password. Its boot runs the installer.
bool NeverConfigured();
// Whether a resume after `offMilliseconds` off needs the logon: the
// power-on password is on and the device was off for at least the active
// period (always when the period is 0).
bool ResumeNeedsLogon(DWORD offMilliseconds);

class ShellSession {
 public:
  enum class Unlocked { kYes, kReboot, kQuit };
  enum class DeviceAction { kPower, kPowerOn, kResetSoft, kResetHard };

  ShellSession();
  ~ShellSession();
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  // Opens the device folder (a set clean-boot flag wipes the object store)
  // and puts the ROM files from `romDir` (when not empty) into \Windows\.
  bool Open(const std::filesystem::path& folder, const std::filesystem::path& romDir,
            std::string* error);
  void Close();

  // The boot: a never configured device runs the installer (a completed
  // installation reboots); then the power-on logon when "PowrPass" is on.
  // Reboots the module asks for are done here too. Returns when the device
  // is unlocked, or when the program is asked to quit.
  void Boot();
  // The unlock rule: the redirected module's PromptForPasswd until a string
  // passes CheckPassword; null, a missing module or three wrong strings in a
  // row fall back to the shell's own plain prompt, which only a password
  // that passes CheckPassword ends.
  Unlocked Unlock();
  // Closes and opens the device again, as a reset does (`clean`: with the
  // clean-boot flag, so the object store is wiped), and boots.
  void Reboot(bool clean);
  // When the module asked for a reboot during the last call: reboots now.
  bool RebootIfRequested();

  // Power. Off keeps the tick of the device clock; on applies the resume
  // rule (ResumeNeedsLogon). While a logon already holds the screen, power
  // on leaves it there.
  void PowerOff();
  void PowerOn();
  bool IsOff() const { return off_; }
  // Power off with the dark screen shown: a tap or key turns it on again.
  void PowerOffScreen();

  // The ActiveSync connection: with an active system password, the
  // logon as at power on. True when the connection may go ahead.
  bool ConnectActiveSync();

  // Runs a module call (or the shell's own prompt) as busy, and reboots
  // afterwards when the module asked for it.
  void RunModuleCall(const std::function<void()>& call);
  bool Busy() const { return busy_ > 0; }

  // Device actions of the script lines: done at once when possible, else
  // posted so they run when the shell's loop has control (a modal logon
  // can't start inside the scripted user's idle step).
  void Post(DeviceAction action, DWORD milliseconds = 0);

  // Runs at the end of every boot, before the home screen comes back (the
  // programs that start with the device read their settings again).
  void SetAfterBoot(std::function<void()> hook) { afterBoot_ = std::move(hook); }

  // The home screen, brought back to the front after each unlock.
  void SetHomeWindow(HWND home) { home_ = home; }
  // Set when the device could not be opened again after a reset; the
  // program then quits with status 1.
  const std::string& FatalError() const { return fatalError_; }
  int Boots() const { return boots_; }

 private:
  enum class BootEnd { kDone, kReboot };
  BootEnd BootOnce();
  bool Reopen(bool clean);
  void Act(DeviceAction action, DWORD milliseconds);
  bool MakeWindow();
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT OffScreenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::filesystem::path folder_;
  std::filesystem::path romDir_;
  HWND window_ = nullptr;
  HWND offScreen_ = nullptr;
  HWND home_ = nullptr;
  int busy_ = 0;
  bool off_ = false;
  DWORD offTick_ = 0;
  int boots_ = 0;
  std::string fatalError_;
  std::function<void()> afterBoot_;
};

}  // namespace pda
