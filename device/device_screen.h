// The device's screen on the host: an SDL2 window "Veyrholm PDA" showing
// the 240 x 320 framebuffer at twice its size, with the mouse as the
// stylus and the keyboard as the device's keys; or no window at all
// (headless). Either way it can write a PNG of every new screen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/window/message_loop.h"
#include "platform/windef.h"

union SDL_Event;

namespace pda {

class DeviceScreen {
 public:
  struct Options {
    // Open a window (the caller has checked for a display).
    bool window = false;
    // Write 0001.png, 0002.png, ... of every new screen here (made when
    // missing); empty: no screenshots.
    std::filesystem::path screenshots;
  };

  // Takes the loop's frame observer for as long as it lives.
  explicit DeviceScreen(const Options& options);
  ~DeviceScreen();
  DeviceScreen(const DeviceScreen&) = delete;
  DeviceScreen& operator=(const DeviceScreen&) = delete;

  bool HasWindow() const;
  // Why a window that was asked for could not be opened (empty otherwise).
  const std::string& WindowError() const { return windowError_; }

  // Handles the window's waiting events: stylus, keys and typed characters
  // go to the device's input; closing the window posts WM_QUIT.
  void PollEvents();
  // Waits up to `milliseconds` for a window event and handles what came.
  // Without a window it just lets the time pass.
  void WaitEvents(DWORD milliseconds);
  bool CloseRequested() const { return closeRequested_; }
  // Asked when the window is closed; true when it dealt with the close
  // itself. Otherwise (or with no handler) the close posts WM_QUIT.
  void SetCloseHandler(std::function<bool()> handler) { onClose_ = std::move(handler); }

  // The host's idle hook of an interactive run on the real clock: waits for
  // the window's events until the next timer falls due (at most a moment,
  // so posts from other processes are seen promptly). Always true.
  bool IdleWait();

  // Frames shown in the window so far (each one a changed screen).
  std::uint64_t PresentedFrames() const { return presented_; }
  int ScreenshotCount() const { return screenshotCount_; }
  const std::filesystem::path& ScreenshotFolder() const { return screenshots_; }
  // The first failure to write a screenshot (empty when none).
  const std::string& ScreenshotError() const { return screenshotError_; }

 private:
  struct Window;
  void Handle(const SDL_Event& event);
  void OnFrame();
  void Present(bool force);
  void WriteScreenshot();

  std::unique_ptr<Window> window_;
  std::string windowError_;
  bool closeRequested_ = false;
  std::function<bool()> onClose_;
  std::uint64_t presented_ = 0;
  std::vector<std::uint32_t> lastPresented_;
  std::filesystem::path screenshots_;
  std::vector<std::uint32_t> lastWritten_;
  int screenshotCount_ = 0;
  std::string screenshotError_;
  platform::ui::FrameObserver previousObserver_;
};

}  // namespace pda
