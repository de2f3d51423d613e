// The device screen: a 240 x 320 framebuffer that the window tree is
// composed into, bottom-most top-level window first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ui/window/window.h"

namespace platform::ui::screen {

inline constexpr int kWidth = 240;
inline constexpr int kHeight = 320;
// Heights of the shell's bars: the title bar (taskbar) on top and the menu
// bar at the bottom.
inline constexpr int kTitleBarHeight = 26;
inline constexpr int kMenuBarHeight = 26;

// 0x00RRGGBB pixels, row by row from the top.
const std::vector<std::uint32_t>& Pixels();

// Paints every visible window into the framebuffer (frames, WM_ERASEBKGND,
// WM_PAINT, children above parents, in z-order) and validates them. The
// message loop calls it when some window is invalid and the queue is empty.
void Compose();
// While on, Compose repaints only the invalid windows and whatever overlaps
// them, provided nothing else on the screen changed since the previous
// frame (no window shown, hidden, moved, restacked, restyled, activated or
// focused, and no drawing on the screen outside a composition); otherwise
// it repaints everything. The picture is the same either way. The message
// loop turns it on for the frames it composes; a direct call to Compose
// repaints everything.
void SetIncrementalCompose(bool on);
// Number of frames composed so far (tests and benchmarks).
std::uint64_t FrameCount();

// Writes the framebuffer as a PNG image (scale 1 or 2). False with a
// reason in *error on failure.
bool WritePng(const std::filesystem::path& file, int scale, std::string* error);
// Reads a PNG image (any colour type) as 0x00RRGGBB pixels, row by row
// (tests, and comparing screenshots). False with a reason in *error.
bool ReadPng(const std::filesystem::path& file, int* width, int* height,
             std::vector<std::uint32_t>* pixels, std::string* error);

}  // namespace platform::ui::screen
