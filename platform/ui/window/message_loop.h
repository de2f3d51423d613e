// How the thread's message loop meets the host and the scripted user.
//
// GetMessage returns queued messages first, then due timers (in due order),
// then paints the screen if anything is invalid; when there is nothing left
// to do at the current time the thread is idle and GetMessage calls the
// idle hook. The host's hook waits for real input or the next timer on the
// real clock; the scripted user's hook runs the next script line, or moves
// the virtual clock on during a wait.
#pragma once

#include <functional>

#include "platform/ui/window/window.h"

namespace platform::ui {

// Returns true when it did something (posted input, moved the clock), so
// the loop looks again; false when it has nothing to offer: the loop then
// blocks on the real clock until the next timer or host input, and on the
// virtual clock fails the wait (see IdleExhausted).
using IdleHook = std::function<bool()>;
// Installs the hook for this thread; returns the previous one.
IdleHook SetIdleHook(IdleHook hook);

// Called when the thread is idle on the virtual clock with no hook or a
// hook that has nothing left: the program can't go on. The default handler
// aborts the process with a message naming the topmost window; the
// scripted runner replaces it (tests end the run, pda exits with 4).
using IdleExhaustedHandler = std::function<void()>;
IdleExhaustedHandler SetIdleExhaustedHandler(IdleExhaustedHandler handler);

// True when no message is queued for this thread and no timer is due at the
// current clock time (the moment a script line may run).
bool IsIdle();
// Tick at which the next timer of this thread falls due, or false.
bool NextTimerDue(DWORD* tick);

// Runs messages until `done` returns true (modal dialogs, message boxes,
// property sheets). Returns false when WM_QUIT arrived first (it is posted
// again for the outer loop).
bool RunModalLoop(const std::function<bool()>& done);
// The same with a filter that sees each message first and returns true
// when it consumed it (IsDialogMessage of a modal dialog).
bool RunModalLoop(const std::function<bool()>& done, const std::function<bool(MSG*)>& preTranslate);

// Virtual clock: lets time pass up to `tick`. The loop moves the clock
// when it has nothing else to do, each time only as far as the next due
// timer, and runs everything that timer causes before moving on; so timers
// fire in due order and each sees the clock at its due time. Until the
// clock has reached `tick` the thread is not idle. A scripted `wait` calls
// this from the idle hook and returns true. No effect on the real clock.
void AdvanceClockTo(DWORD tick);

// Called after each composed frame (host: present it; screenshots).
using FrameObserver = std::function<void()>;
FrameObserver SetFrameObserver(FrameObserver observer);

// What the loop calls to paint the screen when a window is invalid:
// screen::Compose by default; tests may count or replace it. Returns the
// previous composer (empty = the default).
using Composer = std::function<void()>;
Composer SetComposer(Composer composer);

}  // namespace platform::ui
