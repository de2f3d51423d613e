// The device folder: the handheld's persistent state on this host.
//   <device>/objectstore.db   registry and databases (wiped by a hard reset)
//   <device>/hardware/        the hardware identity and the clean-boot flag
//   <device>/fs/              the file system; "\Windows\x" is fs/Windows/x
//   <device>/run/             lock files of named kernel objects
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::device {

// $XDG_DATA_HOME/veyrholm-pda/device, or ~/.local/share/veyrholm-pda/device.
std::filesystem::path DefaultFolder();

// Opens the device folder, creating it (with a new hardware identity) when
// it does not exist, and makes it the device of this process. If the
// clean-boot flag is set, the object store is wiped first. Returns false
// with a readable reason in *error when the folder or its object store
// cannot be used (for instance a damaged or foreign objectstore.db).
bool Open(const std::filesystem::path& folder, std::string* error);
// Closes the process's device (object store connection, open handles).
void Close();
bool IsOpen();
const std::filesystem::path& Folder();

// Copies the system files that exist in `romDir` (coredll.dll,
// Password.cpl, Panel.ocx, Alarm1.wav, OMREL.htm) into \Windows\ when they
// are missing or differ, as the handheld's ROM provides them. Returns the
// number of files written.
int InstallRomFiles(const std::filesystem::path& romDir);

// Host path of a device path ("\Windows\coredll.dll"). Existing folders and
// files are matched without regard to case; missing parts keep the given
// spelling.
std::filesystem::path MapPath(std::u16string_view devicePath);

// Reboot requests made through KernelIoControl(IOCTL_HAL_REBOOT).
bool RebootRequested();
// The host's reboot: called at once by IOCTL_HAL_REBOOT (after the request
// is recorded). A handler that restarts the device does not return, as a
// reboot doesn't; without one the request waits for the host to act on it.
using RebootHandler = void (*)();
// Returns the previous handler.
RebootHandler SetRebootHandler(RebootHandler handler);
void ClearRebootRequest();
bool CleanBootFlagSet();

}  // namespace platform::device
