// The device lines of pda's scripts, added to the scripted user's language:
//   power [<ms>]     off, then on again after <ms> (default 0) of device
//                    time; on resume the logon runs as the shell's rule says
//   cut              a power cut: the process ends at once, no clean-up
//   reset soft|hard  a reboot; hard sets the clean-boot flag first
#pragma once

namespace pda {

class ShellSession;

// Registers the lines for this process, acting on `session` (which must
// outlive every script that uses them).
void RegisterDeviceLines(ShellSession& session);

}  // namespace pda
