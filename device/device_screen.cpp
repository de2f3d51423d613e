#include "device/device_screen.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/clock.h"
#include "platform/ui/script/scripted_user.h"
#include "platform/ui/window/input.h"
#include "platform/ui/window/screen.h"
#include "platform/wstring.h"

namespace pda {
namespace {

namespace screen = platform::ui::screen;
namespace input = platform::ui::input;

constexpr int kScale = 2;
constexpr char kTitle[] = "Veyrholm PDA";
// The longest an idle host sleeps without looking at its queue: posts and
// broadcasts from other processes are seen within this time.
constexpr DWORD kLongestIdleWait = 100;

// The device key a host key stands for (0: none). Printable characters come
// as text input instead.
UINT DeviceKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    default:
      break;
  }
  if (key >= SDLK_F1 && key <= SDLK_F12) {
    return platform::ui::scripted_user::ApplicationButtonKey(static_cast<int>(key - SDLK_F1) + 1);
  }
  return 0;
}

// A window point as a screen pixel; the stylus stays on the screen while
// it is dragged outside the window.
POINT ScreenPoint(int x, int y) {
  return POINT{std::clamp(x / kScale, 0, screen::kWidth - 1),
               std::clamp(y / kScale, 0, screen::kHeight - 1)};
}

}  // namespace

// The SDL side: window, renderer and the texture the framebuffer goes to.
struct DeviceScreen::Window {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool penDown = false;

  ~Window() {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool Open(std::string* error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      *error = SDL_GetError();
      SDL_ClearError();
      // Nothing to quit: the subsystem did not start.
      return false;
    }
    window = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                              screen::kWidth * kScale, screen::kHeight * kScale, 0);
    if (window) renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer) {
      texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                  screen::kWidth, screen::kHeight);
    }
    if (!texture) {
      *error = SDL_GetError();
      return false;
    }
    SDL_StartTextInput();
    return true;
  }
};

DeviceScreen::DeviceScreen(const Options& options) : screenshots_(options.screenshots) {
  if (options.window) {
    auto window = std::make_unique<Window>();
    if (window->Open(&windowError_)) {
      window_ = std::move(window);
    } else if (windowError_.empty()) {
      windowError_ = "the window could not be opened";
    }
  }
  if (!screenshots_.empty()) {
    std::error_code error;
    std::filesystem::create_directories(screenshots_, error);
    if (error) screenshotError_ = "can't make " + screenshots_.string() + ": " + error.message();
  }
  previousObserver_ = platform::ui::SetFrameObserver([this] { OnFrame(); });
}

DeviceScreen::~DeviceScreen() {
  platform::ui::SetFrameObserver(std::move(previousObserver_));
}

bool DeviceScreen::HasWindow() const {
  return window_ != nullptr;
}

void DeviceScreen::OnFrame() {
  if (window_) Present(false);
  if (!screenshots_.empty() && screenshotError_.empty()) WriteScreenshot();
}

void DeviceScreen::Present(bool force) {
  const std::vector<std::uint32_t>& pixels = screen::Pixels();
  if (!force && pixels == lastPresented_) return;
  SDL_UpdateTexture(window_->texture, nullptr, pixels.data(),
                    screen::kWidth * static_cast<int>(sizeof(std::uint32_t)));
  SDL_RenderClear(window_->renderer);
  SDL_RenderCopy(window_->renderer, window_->texture, nullptr, nullptr);
  SDL_RenderPresent(window_->renderer);
  lastPresented_ = pixels;
  ++presented_;
}

void DeviceScreen::WriteScreenshot() {
  const std::vector<std::uint32_t>& pixels = screen::Pixels();
  if (pixels == lastWritten_) return;
  char name[32];
  std::snprintf(name, sizeof name, "%04d.png", screenshotCount_ + 1);
  std::string error;
  if (!screen::WritePng(screenshots_ / name, 1, &error)) {
    screenshotError_ = error;
    return;
  }
  lastWritten_ = pixels;
  ++screenshotCount_;
}

void DeviceScreen::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      closeRequested_ = true;
      if (!onClose_ || !onClose_()) PostQuitMessage(0);
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED && !lastPresented_.empty()) {
        Present(true);
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT && !window_->penDown) {
        window_->penDown = true;
        // The stylus keeps its stroke while the mouse leaves the window.
        SDL_CaptureMouse(SDL_TRUE);
        const POINT p = ScreenPoint(event.button.x, event.button.y);
        input::StylusDown(p.x, p.y);
      }
      break;
    case SDL_MOUSEMOTION:
      if (window_->penDown) {
        const POINT p = ScreenPoint(event.motion.x, event.motion.y);
        input::StylusMove(p.x, p.y);
      }
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT && window_->penDown) {
        window_->penDown = false;
        SDL_CaptureMouse(SDL_FALSE);
        const POINT p = ScreenPoint(event.button.x, event.button.y);
        input::StylusUp(p.x, p.y);
      }
      break;
    case SDL_KEYDOWN:
      if (const UINT key = DeviceKey(event.key.keysym.sym)) input::KeyDown(key);
      break;
    case SDL_KEYUP:
      if (const UINT key = DeviceKey(event.key.keysym.sym)) input::KeyUp(key);
      break;
    case SDL_TEXTINPUT:
      for (char16_t c : platform::FromUtf8(event.text.text)) input::Char(c);
      break;
    default:
      break;
  }
}

void DeviceScreen::PollEvents() {
  if (!window_) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) Handle(event);
}

void DeviceScreen::WaitEvents(DWORD milliseconds) {
  if (!window_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  // Waits in the window system's own wait (no polling). A wait that ends
  // without an event has just read the display and found nothing, so only
  // an event asks for a look at what came with it.
  SDL_Event event;
  if (!SDL_WaitEventTimeout(&event, static_cast<int>(milliseconds))) return;
  Handle(event);
  PollEvents();
}

bool DeviceScreen::IdleWait() {
  DWORD wait = kLongestIdleWait;
  DWORD due = 0;
  if (platform::ui::NextTimerDue(&due)) {
    const auto left = static_cast<std::int32_t>(due - platform::clock::Now());
    wait = static_cast<DWORD>(std::clamp<std::int32_t>(left, 0, std::int32_t(kLongestIdleWait)));
  }
  if (wait > 0) {
    WaitEvents(wait);
  } else {
    PollEvents();
  }
  return true;
}

}  // namespace pda
