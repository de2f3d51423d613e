// The device's list of top-level windows, shared by its processes so that
// FindWindow, IsWindow, ShowWindow and SetForegroundWindow reach windows of
// other processes (see docs/window-system.md):
//   <device>/run/windows-<pid>.list  one per process with windows: one line
//                                    per top-level window; the process holds
//                                    an exclusive flock on it while it lives
//   <device>/run/windows.guard       serialises writers, readers and the
//                                    cleaners of dead processes' lists; its
//                                    first 8 bytes count the changes
// A window of another process has a handle that carries that process's id
// and its own handle there. Requests to it travel as datagrams on the
// owner's socket (window_messages.cpp) and are carried out by its loop.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/window/window.h"

namespace platform::ui::wm {

struct ListedWindow {
  std::uint32_t local = 0;  // the handle in the owning process
  std::u16string className;
  std::u16string title;
};

// The list file's text, and back. Parsing skips lines it can't read and a
// torn last line; it never fails.
std::string FormatWindowList(const std::vector<ListedWindow>& windows);
std::vector<ListedWindow> ParseWindowList(std::string_view text);

// The name of a process's list file in <device>/run/.
std::string WindowListFileName(pid_t pid);

// Handles of other processes' windows.
HWND ForeignHandle(pid_t pid, std::uint32_t local);
bool IsForeignHandle(HWND window);

// The window system calls these.
// Something a list shows changed (a top-level window came, went or was
// renamed); the next look at the queue publishes the list again.
void NoteTopLevelsChanged();
void PublishTopLevels();
// The first listed window of another process that matches (case folded;
// null names match anything), or null.
HWND FindForeignWindow(std::u16string_view className, const char16_t* title, bool anyClass);
// Whether the handle names a listed window of a living process.
bool ForeignWindowExists(HWND window);

enum class WindowRequest : std::uint32_t { kForeground = 1, kShow = 2 };
// Asks the owner of a foreign window to act on it; false (with the last
// error set) when the window is not listed or its process can't be reached.
bool RequestForeign(HWND window, WindowRequest request, std::int64_t argument);
// The owner's side: a request that arrived for one of its windows.
void RunWindowRequest(std::uint32_t request, std::uint64_t local, std::int64_t argument);
// Sends a request datagram to the socket of process `pid` (window_messages.cpp).
bool SendWindowRequest(pid_t pid, std::uint32_t request, std::uint64_t local,
                       std::int64_t argument);

}  // namespace platform::ui::wm
