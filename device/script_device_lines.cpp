#include "device/script_device_lines.h"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <string>

#include "device/shell_session.h"
#include "platform/clock.h"
#include "platform/ui/script/script.h"
#include "platform/ui/script/scripted_user.h"

namespace pda {
namespace {

// The longest power-off a line may ask for, as for `wait`: more than a day
// at once is a typing error.
constexpr DWORD kMaxOffMilliseconds = 86'400'000;

bool ParseMilliseconds(std::string_view text, DWORD* value, std::string* error) {
  unsigned long parsed = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (code != std::errc() || end != text.data() + text.size() || parsed > kMaxOffMilliseconds) {
    *error = "power: the time off must be 0..86400000 ms, not '" + std::string(text) + "'";
    return false;
  }
  *value = static_cast<DWORD>(parsed);
  return true;
}

}  // namespace

void RegisterDeviceLines(ShellSession& session) {
  ShellSession* shell = &session;
  platform::ui::RegisterScriptCommand(
      "power",
      [shell](platform::ui::ScriptedUser& user, std::string_view arguments, std::string* error) {
        DWORD off = 0;
        if (!arguments.empty() && !ParseMilliseconds(arguments, &off, error)) return false;
        user.Then([shell, off] {
          // Inside a module's dialog the logon already holds the screen:
          // the power cycle only lets the time pass. Otherwise the shell
          // runs it from its loop, where a logon may start.
          if (shell->Busy()) {
            shell->PowerOff();
            platform::clock::Advance(off);
            shell->PowerOn();
          } else {
            shell->Post(ShellSession::DeviceAction::kPower, off);
          }
        });
        return true;
      });
  platform::ui::RegisterScriptCommand(
      "cut", [](platform::ui::ScriptedUser& user, std::string_view arguments, std::string* error) {
        if (!arguments.empty()) {
          *error = "cut takes no arguments";
          return false;
        }
        user.Then([] {
          // The battery is pulled: nothing is saved, closed or flushed.
          std::cerr << "pda: power cut" << std::endl;
          std::_Exit(0);
        });
        return true;
      });
  platform::ui::RegisterScriptCommand("reset", [shell](platform::ui::ScriptedUser& user,
                                                       std::string_view arguments,
                                                       std::string* error) {
    if (arguments != "soft" && arguments != "hard") {
      *error = "reset: 'soft' or 'hard', not '" + std::string(arguments) + "'";
      return false;
    }
    const bool hard = arguments == "hard";
    user.Then([shell, hard] {
      if (shell->Busy()) {
        platform::ui::FailScript(
            "a reset acts when the shell has control, but the device is busy in " +
            platform::ui::scripted_user::Describe(platform::ui::scripted_user::TopmostWindow()) +
            " (a power cut is `cut`)");
      }
      shell->Post(hard ? ShellSession::DeviceAction::kResetHard
                       : ShellSession::DeviceAction::kResetSoft);
    });
    return true;
  });
}

}  // namespace pda
