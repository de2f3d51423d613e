// Scripts of pda come from whoever runs it: the scripted user's lines and
// the device lines the host adds. Parsing only; nothing is run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/script_device_lines.h"
#include "device/shell_session.h"
#include "fuzz/support/fuzz_device.h"
#include "platform/ui/script/script.h"
#include "platform/ui/script/scripted_user.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::OpenDevice();
  static pda::ShellSession session;
  pda::RegisterDeviceLines(session);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::ui::ScriptedUser user;
  std::string error;
  if (platform::ui::ParseScript(text, &user, &error)) {
    if (!error.empty()) fuzz::Broken("an accepted script with an error");
  } else if (error.rfind("line ", 0) != 0) {
    fuzz::Broken("a rejected script without its line");
  }
  // A script has at most one action per line of text plus the lines'
  // own steps; no line makes actions without bound.
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  if (user.ActionCount() > 64 * lines) fuzz::Broken("actions without bound");
  return 0;
}
