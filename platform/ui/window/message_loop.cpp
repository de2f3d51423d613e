// The loop's idle side: composing the screen, the idle hook, walking the
// virtual clock, blocking on the real clock, and modal loops.
#include "platform/ui/window/message_loop.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/ui/window/screen.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/wstring.h"

// Bound weakly: the window system runs (without a screen) in a build that
// lacks the painter or the dialog manager.
namespace platform::ui::screen {
void Compose() __attribute__((weak));
void SetIncrementalCompose(bool on) __attribute__((weak));
}  // namespace platform::ui::screen
UINT GetDialogTemplateId(HWND dialog) __attribute__((weak));

namespace platform::ui {
namespace wm {
namespace {

IdleHook& HookSlot() {
  thread_local IdleHook hook;
  return hook;
}

// Idle-exhausted reports since the loop last made progress.
thread_local int t_exhaustedInARow = 0;

bool Before(DWORD a, DWORD b) {
  return static_cast<std::int32_t>(a - b) < 0;
}

std::string Describe(HWND hwnd) {
  if (!hwnd) return "no window";
  WCHAR className[64] = {};
  ::GetClassName(hwnd, className, 64);
  WCHAR title[128] = {};
  ::GetWindowText(hwnd, title, 128);
  std::string text = "class \"" + ToUtf8(className) + "\" titled \"" + ToUtf8(title) + "\"";
  if (GetDialogTemplateId) {
    if (const UINT id = GetDialogTemplateId(hwnd)) text += " (dialog " + std::to_string(id) + ")";
  }
  return text;
}

void DefaultIdleExhausted() {
  HWND shown = ::GetActiveWindow();
  if (!shown) shown = ::GetTopWindow(nullptr);
  std::fprintf(stderr,
               "The device is idle on the virtual clock and nothing moves it on; the screen "
               "shows %s.\n",
               Describe(shown).c_str());
  std::abort();
}

// Something for the loop to do right now, so it must not block. With
// `arrivedOnly`, queued messages count only when they came after the loop
// last looked (those it saw did not pass its filter).
bool WorkPendingLocked(const Queue& q, bool arrivedOnly = false) {
  const State& s = S();
  const bool queued = arrivedOnly ? q.queuedCount != q.queuedCountSeen : !q.posted.empty();
  if (queued || q.quit || q.sendsHead || s.dirty) return true;
  DWORD due = 0;
  return NextDueLocked(q, &due) && !Before(clock::Now(), due);
}

// Real clock: sleeps until the next timer, input, a post from another
// thread or a datagram from another process.
void Block() {
  auto queue = CurrentQueue();
  Queue& q = *queue;
  int timeout = -1;
  {
    Lock lock(S().mutex);
    if (WorkPendingLocked(q, true)) return;
    DWORD due = 0;
    if (NextDueLocked(q, &due)) {
      timeout = static_cast<int>(static_cast<std::int32_t>(due - clock::Now()));
      if (timeout <= 0) return;
    }
    q.blocked = true;
  }
  q.Wait(timeout);
  Lock lock(S().mutex);
  q.blocked = false;
}

}  // namespace

void Compose() {
  std::function<void()> composer;
  FrameObserver observer;
  {
    Lock lock(S().mutex);
    State& s = S();
    if (s.composing) return;
    s.composing = true;
    s.dirty = false;
    composer = s.composer;
    observer = s.frameObserver;
  }
  // The loop's frames repaint only what changed when the painter can tell.
  if (screen::SetIncrementalCompose) screen::SetIncrementalCompose(true);
  if (composer) {
    composer();
  } else if (screen::Compose) {
    screen::Compose();
  } else {
    // Nothing paints: the windows are as good as painted.
    Lock lock(S().mutex);
    for (auto& [handle, w] : S().windows) w->invalid = false;
  }
  if (screen::SetIncrementalCompose) screen::SetIncrementalCompose(false);
  if (observer) observer();
  Lock lock(S().mutex);
  S().composing = false;
}

void NoteProgress() {
  t_exhaustedInARow = 0;
}

void IdleStep() {
  {
    // Changes made while the screen was composed: compose again first.
    Lock lock(S().mutex);
    if (S().dirty && !S().composing) return;
  }
  if (clock::IsVirtual()) {
    DWORD step = 0;
    {
      auto queue = CurrentQueue();
      Lock lock(S().mutex);
      State& s = S();
      const DWORD now = clock::Now();
      if (s.clockTargetSet && Before(now, s.clockTarget)) {
        step = s.clockTarget;
        DWORD due = 0;
        if (NextDueLocked(*queue, &due) && Before(due, step)) step = due;
        step = Before(now, step) ? step - now : 0;
      } else {
        s.clockTargetSet = false;
      }
    }
    if (step) {
      clock::Advance(step);
      return;
    }
  }
  // A copy: the hook may replace itself.
  const IdleHook hook = HookSlot();
  if (hook && hook()) return;
  if (!clock::IsVirtual()) {
    Block();
    return;
  }
  IdleExhaustedHandler handler;
  {
    Lock lock(S().mutex);
    handler = S().idleExhausted;
  }
  if (handler) {
    handler();
  } else {
    DefaultIdleExhausted();
  }
  // A handler that returns may have ended the loop that waited. If it did
  // not help, the run ends: every loop unwinds.
  if (++t_exhaustedInARow >= 2) {
    t_exhaustedInARow = 0;
    PostQuitMessage(4);
  }
}

}  // namespace wm

using namespace wm;

IdleHook SetIdleHook(IdleHook hook) {
  return std::exchange(HookSlot(), std::move(hook));
}

IdleExhaustedHandler SetIdleExhaustedHandler(IdleExhaustedHandler handler) {
  Lock lock(S().mutex);
  return std::exchange(S().idleExhausted, std::move(handler));
}

bool IsIdle() {
  auto queue = CurrentQueue();
  ReceiveBroadcastDatagrams();
  Lock lock(S().mutex);
  const State& s = S();
  if (WorkPendingLocked(*queue)) return false;
  return !(clock::IsVirtual() && s.clockTargetSet && Before(clock::Now(), s.clockTarget));
}

bool NextTimerDue(DWORD* tick) {
  auto queue = CurrentQueue();
  Lock lock(S().mutex);
  DWORD due = 0;
  if (!NextDueLocked(*queue, &due)) return false;
  if (tick) *tick = due;
  return true;
}

bool RunModalLoop(const std::function<bool()>& done) {
  return RunModalLoop(done, nullptr);
}

bool RunModalLoop(const std::function<bool()>& done,
                  const std::function<bool(MSG*)>& preTranslate) {
  while (!done()) {
    MSG msg{};
    if (!Peek(&msg, nullptr, 0, 0, true)) {
      IdleStep();
      continue;
    }
    NoteProgress();
    if (msg.message == WM_QUIT) {
      // The outer loop ends too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (preTranslate && preTranslate(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  NoteProgress();
  return true;
}

void AdvanceClockTo(DWORD tick) {
  if (!clock::IsVirtual()) return;
  Lock lock(S().mutex);
  S().clockTargetSet = true;
  S().clockTarget = tick;
}

FrameObserver SetFrameObserver(FrameObserver observer) {
  Lock lock(S().mutex);
  return std::exchange(S().frameObserver, std::move(observer));
}

Composer SetComposer(Composer composer) {
  Lock lock(S().mutex);
  return std::exchange(S().composer, std::move(composer));
}

}  // namespace platform::ui
