#include "device/shell_session.h"

#include <openssl/crypto.h>

#include <array>
#include <chrono>
#include <iostream>
#include <map>
#include <thread>

#include "device/plain_prompt.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/registry_key.h"
#include "platform/system_password.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window.h"
#include "platform/wstring.h"

namespace pda {
namespace {

// After this many wrong strings in a row the module is not asked again for
// this unlock: a module that keeps answering wrongly without asking anyone
// would otherwise hold the device in a loop nobody can end.
constexpr int kWrongStringsBeforePlainPrompt = 3;

constexpr UINT kDeviceActionMessage = WM_USER + 0x50;
constexpr const char16_t* kShellClass = u"PdaShell";
constexpr const char16_t* kOffScreenClass = u"PdaPowerOff";

// The bytes of value `name` of key `path`; false when either is missing.
bool ReadValue(HKEY root, LPCWSTR path, LPCWSTR name, std::vector<BYTE>* bytes, DWORD* type) {
  CRegistryKey key;
  return OpenRegistryKey(key, root, path, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
         ReadRegistryBytes(key.Get(), name, bytes, type);
}

HMODULE LoadDeviceLibrary(std::u16string_view devicePath) {
  const std::u16string path(devicePath);
  return LoadLibrary(path.c_str());
}

template <typename T>
T Entry(HMODULE module, const char* name) {
  return reinterpret_cast<T>(GetProcAddress(module, name));
}

// The module's call was left by an exception that is not a stopped script.
void ReportModuleFailure(const char* what) {
  std::cerr << "pda: the password module failed in " << what << "; the device stays locked\n";
}

}  // namespace

const PasswordModule* LoadPasswordModule(std::u16string_view devicePath, std::string* error) {
  // Loaded once per file and kept: its windows, classes and application
  // object live as long as the process.
  static std::map<std::filesystem::path, PasswordModule> loaded;
  const std::filesystem::path key = platform::device::MapPath(devicePath);
  if (auto it = loaded.find(key); it != loaded.end() && !key.empty()) return &it->second;
  const HMODULE module = LoadDeviceLibrary(devicePath);
  if (!module) {
    if (error) {
      *error = "cannot load " + platform::ToUtf8(devicePath) + " (error " +
               std::to_string(GetLastError()) + ")";
    }
    return nullptr;
  }
  PasswordModule entries;
  entries.promptForPasswd = Entry<LPWSTR (*)(HWND)>(module, "PromptForPasswd");
  entries.lockDevice = Entry<LONG (*)()>(module, "LockDevice");
  entries.executeInstallWizard = Entry<LONG (*)(HWND)>(module, "ExecuteInstallWizard");
  entries.uninstall = Entry<LONG (*)(HWND)>(module, "Uninstall");
  entries.cplApplet = Entry<APPLET_PROC>(module, "CPlApplet");
  return &loaded.emplace(key, entries).first->second;
}

bool SystemCheckPassword(LPCWSTR password) {
  using CheckFn = BOOL (*)(LPWSTR);
  static const CheckFn check = []() -> CheckFn {
    const HMODULE coredll = LoadLibrary(u"coredll.dll");
    return coredll ? Entry<CheckFn>(coredll, "CheckPassword") : nullptr;
  }();
  if (!check) return false;
  return check(const_cast<LPWSTR>(password)) != FALSE;
}

[[noreturn]] static void AbandonForReboot() {
  throw RebootNow{};
}

PromptOutcome TakeReturnedPassword(LPWSTR password) {
  if (!password) return PromptOutcome::kDeclined;
  const bool passed = SystemCheckPassword(password);
  // The characters only: the terminator is the end of the block's text.
  OPENSSL_cleanse(password, wcslen16(password) * sizeof(WCHAR));
  LocalFree(password);
  return passed ? PromptOutcome::kAccepted : PromptOutcome::kRejected;
}

PromptOutcome PromptOnce(const PasswordModule& module, HWND owner) {
  if (!module.promptForPasswd) return PromptOutcome::kUnavailable;
  LPWSTR answer = nullptr;
  try {
    KeepFrontWindow keep;
    RebootUnwinds unwinds;
    answer = module.promptForPasswd(owner);
  } catch (const platform::ui::ScriptStopped&) {
    throw;
  } catch (const RebootNow&) {
    return PromptOutcome::kUnavailable;
  } catch (...) {
    ReportModuleFailure("PromptForPasswd");
    return PromptOutcome::kUnavailable;
  }
  return TakeReturnedPassword(answer);
}

std::u16string RedirectModule() {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  if (!ReadValue(HKEY_LOCAL_MACHINE, kPasswordKeyPath, u"Redirect", &bytes, &type)) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
  std::u16string path;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    if (c == 0) break;
    path.push_back(c);
  }
  return path;
}

bool PowerOnPasswordOn() {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  return ReadValue(HKEY_CURRENT_USER, kOwnerKeyPath, u"PowrPass", &bytes, &type) &&
         !bytes.empty() && bytes[0] != 0;
}

DWORD ActivePeriodMinutes() {
  std::vector<BYTE> bytes;
  DWORD type = 0;
  if (!ReadValue(HKEY_CURRENT_USER, kShellPolicyKeyPath, u"ActivePeriod", &bytes, &type) ||
      bytes.size() != 4) {
    return 0;
  }
  return static_cast<DWORD>(bytes[0]) | (bytes[1] << 8) | (bytes[2] << 16) |
         (static_cast<DWORD>(bytes[3]) << 24);
}

bool NeverConfigured() {
  if (!RedirectModule().empty()) return false;
  platform::system_password::Record record;
  // A store that can't be read is no proof of a new device: no installer.
  if (!platform::system_password::Load(&record)) return false;
  const bool set = record.set;
  return !set;
}

bool ResumeNeedsLogon(DWORD offMilliseconds) {
  if (!PowerOnPasswordOn()) return false;
  const DWORD minutes = ActivePeriodMinutes();
  return minutes == 0 || std::uint64_t{offMilliseconds} >= std::uint64_t{minutes} * 60'000u;
}

ShellSession::ShellSession() = default;

ShellSession::~ShellSession() {
  if (offScreen_ && IsWindow(offScreen_)) DestroyWindow(offScreen_);
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

bool ShellSession::Open(const std::filesystem::path& folder, const std::filesystem::path& romDir,
                        std::string* error) {
  folder_ = folder;
  romDir_ = romDir;
  if (!platform::device::Open(folder, error)) return false;
  if (!romDir.empty()) platform::device::InstallRomFiles(romDir);
  return true;
}

void ShellSession::Close() {
  platform::device::Close();
}

bool ShellSession::Reopen(bool clean) {
  if (clean) SetCleanRebootFlag();
  Close();
  std::string error;
  if (!Open(folder_, romDir_, &error)) {
    fatalError_ = "the device did not come back after the reset: " + error;
    std::cerr << "pda: " << fatalError_ << '\n';
    PostQuitMessage(1);
    return false;
  }
  return true;
}

RebootUnwinds::RebootUnwinds() : previous_(platform::device::SetRebootHandler(&AbandonForReboot)) {}
RebootUnwinds::~RebootUnwinds() {
  platform::device::SetRebootHandler(previous_);
}

KeepFrontWindow::KeepFrontWindow() : window_(GetActiveWindow()) {
  if (window_ == nullptr) return;
  style_ = GetWindowLong(window_, GWL_STYLE);
  WCHAR title[256] = {};
  GetWindowText(window_, title, 256);
  title_ = title;
}

KeepFrontWindow::~KeepFrontWindow() {
  if (window_ == nullptr || !IsWindow(window_)) return;
  SetWindowLong(window_, GWL_STYLE, style_);
  SetWindowText(window_, title_.c_str());
  InvalidateRect(window_, nullptr, TRUE);
}

void ShellSession::RunModuleCall(const std::function<void()>& call) {
  KeepFrontWindow keep;
  ++busy_;
  struct Leave {
    int& busy;
    ~Leave() { --busy; }
  } leave{busy_};
  call();
}

ShellSession::BootEnd ShellSession::BootOnce() {
  ++boots_;
  if (NeverConfigured()) {
    std::string error;
    const PasswordModule* module = LoadPasswordModule(kInstalledModulePath, &error);
    LONG result = -1;
    if (module && module->executeInstallWizard) {
      RunModuleCall([&] {
        try {
          RebootUnwinds unwinds;
          result = module->executeInstallWizard(nullptr);
        } catch (const platform::ui::ScriptStopped&) {
          throw;
        } catch (const RebootNow&) {
        } catch (...) {
          ReportModuleFailure("ExecuteInstallWizard");
        }
      });
    } else {
      std::cerr << "pda: no installer: " << (module ? "no ExecuteInstallWizard" : error) << '\n';
    }
    if (platform::device::RebootRequested()) return BootEnd::kReboot;
    // "To complete the installation the device must be rebooted."
    if (result == 0 && !NeverConfigured()) return BootEnd::kReboot;
  }
  if (!PowerOnPasswordOn()) return BootEnd::kDone;
  switch (Unlock()) {
    case Unlocked::kReboot:
      return BootEnd::kReboot;
    case Unlocked::kYes:
    case Unlocked::kQuit:
      break;
  }
  return BootEnd::kDone;
}

void ShellSession::Boot() {
  MakeWindow();
  while (platform::device::IsOpen()) {
    if (BootOnce() == BootEnd::kDone) break;
    std::cerr << "pda: rebooting the device"
              << (platform::device::CleanBootFlagSet() ? " (clean)" : "") << '\n';
    if (!Reopen(false)) return;
  }
  if (afterBoot_ && platform::device::IsOpen()) afterBoot_();
  if (home_ && IsWindow(home_)) SetForegroundWindow(home_);
}

ShellSession::Unlocked ShellSession::Unlock() {
  ++busy_;
  struct Leave {
    int& busy;
    ~Leave() { --busy; }
  } leave{busy_};

  for (int wrong = 0; wrong < kWrongStringsBeforePlainPrompt;) {
    const std::u16string path = RedirectModule();
    if (path.empty()) break;
    std::string error;
    const PasswordModule* module = LoadPasswordModule(path, &error);
    if (!module || !module->promptForPasswd) {
      std::cerr << "pda: the password module can't be used: "
                << (module ? "no PromptForPasswd in " + platform::ToUtf8(path) : error) << '\n';
      break;
    }
    const PromptOutcome outcome = PromptOnce(*module, nullptr);
    if (platform::device::RebootRequested()) return Unlocked::kReboot;
    MSG quit{};
    if (PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return Unlocked::kQuit;
    if (outcome == PromptOutcome::kAccepted) return Unlocked::kYes;
    if (outcome != PromptOutcome::kRejected) break;
    std::cerr << "pda: the password module returned a password that does not pass; still locked\n";
    ++wrong;
  }
  if (!RunPlainPrompt(nullptr, SystemCheckPassword)) return Unlocked::kQuit;
  return Unlocked::kYes;
}

void ShellSession::Reboot(bool clean) {
  std::cerr << "pda: " << (clean ? "hard" : "soft") << " reset\n";
  if (!Reopen(clean)) return;
  Boot();
}

bool ShellSession::RebootIfRequested() {
  if (!platform::device::RebootRequested()) return false;
  std::cerr << "pda: the device reboots as requested"
            << (platform::device::CleanBootFlagSet() ? " (clean)" : "") << '\n';
  if (Reopen(false)) Boot();
  return true;
}

void ShellSession::PowerOff() {
  if (off_) return;
  off_ = true;
  offTick_ = platform::clock::Now();
}

void ShellSession::PowerOn() {
  if (!off_) return;
  off_ = false;
  if (offScreen_ && IsWindow(offScreen_)) ShowWindow(offScreen_, SW_HIDE);
  const DWORD offFor = platform::clock::Now() - offTick_;
  // A logon that already holds the screen stays; it is the lock.
  if (Busy() || !ResumeNeedsLogon(offFor)) {
    if (!Busy() && home_ && IsWindow(home_)) SetForegroundWindow(home_);
    return;
  }
  if (Unlock() == Unlocked::kReboot) {
    if (Reopen(false)) Boot();
    return;
  }
  if (home_ && IsWindow(home_)) SetForegroundWindow(home_);
}

void ShellSession::PowerOffScreen() {
  PowerOff();
  if (!MakeWindow()) return;
  if (!offScreen_ || !IsWindow(offScreen_)) {
    offScreen_ = CreateWindowEx(WS_EX_TOPMOST, kOffScreenClass, u"", WS_POPUP, 0, 0,
                                platform::ui::screen::kWidth, platform::ui::screen::kHeight,
                                nullptr, 0, nullptr, this);
  }
  if (!offScreen_) return;
  SetWindowPos(offScreen_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetForegroundWindow(offScreen_);
}

bool ShellSession::ConnectActiveSync() {
  platform::system_password::Record record;
  const bool loaded = platform::system_password::Load(&record);
  const bool active = !loaded || record.active;
  if (!active) return true;
  switch (Unlock()) {
    case Unlocked::kYes:
      return true;
    case Unlocked::kReboot:
      if (Reopen(false)) Boot();
      return false;
    case Unlocked::kQuit:
      return false;
  }
  return false;
}

void ShellSession::Post(DeviceAction action, DWORD milliseconds) {
  if (!MakeWindow()) return;
  PostMessage(window_, kDeviceActionMessage, static_cast<WPARAM>(action), milliseconds);
}

void ShellSession::Act(DeviceAction action, DWORD milliseconds) {
  switch (action) {
    case DeviceAction::kPower:
      PowerOff();
      if (platform::clock::IsVirtual()) {
        platform::clock::Advance(milliseconds);
      } else if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
      }
      PowerOn();
      break;
    case DeviceAction::kPowerOn:
      PowerOn();
      break;
    case DeviceAction::kResetSoft:
      Reboot(false);
      break;
    case DeviceAction::kResetHard:
      Reboot(true);
      break;
  }
}

bool ShellSession::MakeWindow() {
  if (window_ && IsWindow(window_)) return true;
  static const bool registered = [] {
    WNDCLASS shell{};
    shell.lpfnWndProc = &ShellSession::WindowProc;
    shell.lpszClassName = kShellClass;
    WNDCLASS off{};
    off.lpfnWndProc = &ShellSession::OffScreenProc;
    off.lpszClassName = kOffScreenClass;
    off.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    return RegisterClass(&shell) != 0 && RegisterClass(&off) != 0;
  }();
  if (!registered) return false;
  // Never shown: it only receives the device actions posted to the shell.
  window_ = CreateWindowEx(0, kShellClass, u"", WS_POPUP, 0, 0, 0, 0, nullptr, 0, nullptr, this);
  return window_ != nullptr;
}

LRESULT ShellSession::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
    SetWindowLong(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return 0;
  }
  auto* self = reinterpret_cast<ShellSession*>(GetWindowLong(window, GWL_USERDATA));
  if (message == kDeviceActionMessage && self) {
    self->Act(static_cast<DeviceAction>(wParam), static_cast<DWORD>(lParam));
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

LRESULT ShellSession::OffScreenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
    SetWindowLong(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return 0;
  }
  auto* self = reinterpret_cast<ShellSession*>(GetWindowLong(window, GWL_USERDATA));
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return 1;
    }
    case WM_LBUTTONUP:
    case WM_KEYUP:
      // The power button: on again once the tap or key is over.
      if (self && self->IsOff()) self->Post(DeviceAction::kPowerOn);
      return 0;
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace pda
