// The demo that `pda demo` (and pda without a display, a device or a
// script) plays on a new device: the installation, the reboot, the
// power-on logon with one false logon and its delay, then the right one.
#pragma once

#include <string_view>

namespace pda {

// Script language of the scripted user plus the device lines.
std::string_view DemoScript();

// The passwords the demo assigns.
inline constexpr std::string_view kDemoMasterPassword = "Master#1";
inline constexpr std::string_view kDemoUserPassword = "user1234";

}  // namespace pda
