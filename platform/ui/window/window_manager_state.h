// Shared state of the window manager's source files (window tree, queues,
// timers, activation). Private to platform/ui/window_*.cpp, focus.cpp,
// message_*.cpp, timers.cpp, hot_keys.cpp, cursors.cpp and input.cpp;
// other parts of the platform use window_internal.h.
//
// Locking: one mutex guards everything here. It is never held while a
// window procedure, timer procedure, hook or the composer runs, so any of
// them may call back into the window system. Code that called out looks the
// window up again afterwards: it may have been destroyed meanwhile.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ui/window/message_loop.h"
#include "platform/ui/window/window.h"
#include "platform/ui/window/window_internal.h"

namespace platform::ui::wm {

using Lock = std::unique_lock<std::mutex>;

struct WindowClass {
  std::u16string name;
  WORD atom = 0;
  WNDCLASS info{};  // the name pointers are not kept
};

struct Queue;

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  LONG_PTR userData = 0;
  // Extra bytes, addressed in 4-byte steps as on the handheld; each step
  // holds a pointer-sized value.
  std::vector<LONG_PTR> extra;
  std::u16string text;
  HINSTANCE instance = nullptr;
  // Relative to the parent's client area; screen coordinates for top-level
  // windows.
  RECT rect{};
  HWND parent = nullptr;       // child windows
  HWND owner = nullptr;        // top-level windows
  std::vector<HWND> children;  // z-order, topmost first
  std::shared_ptr<Queue> queue;
  bool invalid = false;
  bool erase = false;
  RECT update{};  // client coordinates
  bool destroying = false;
  bool dialogClass = false;
};

// How a queued input message finds its window when it is taken from the
// queue (the real device routes input at that moment too).
enum class Route : std::uint8_t {
  kDirect,  // msg.hwnd as posted
  kFocus,   // keys and characters: focus window, else the active window
  kPoint,   // stylus: the capture window, else the window under msg.pt
};

struct Posted {
  MSG msg;
  Route route;
};

struct Timer {
  HWND hwnd;
  UINT_PTR id;
  UINT elapse;
  DWORD due;
  TIMERPROC proc;
  std::uint64_t order;  // creation order breaks ties between equal due times
};

// A SendMessage from another thread, waiting on the sender's stack.
struct SendRecord {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  SendRecord* next = nullptr;
  std::condition_variable finished;
};

struct Queue {
  Queue();
  ~Queue();
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  std::thread::id thread;
  std::deque<Posted> posted;
  // Counts messages queued; the loop notes the count when it found nothing
  // for it, so a filtered GetMessage sleeps past messages it leaves.
  std::uint64_t queuedCount = 0;
  std::uint64_t queuedCountSeen = 0;
  bool quit = false;
  int quitCode = 0;
  std::vector<Timer> timers;
  SendRecord* sendsHead = nullptr;
  SendRecord* sendsTail = nullptr;
  // The thread's blocking wait: an epoll set of an eventfd that wakes it
  // and the process's broadcast socket.
  int wakeFd = -1;
  int waitFd = -1;
  std::uint64_t watchedSocket = 0;  // generation of the socket in the set
  bool blocked = false;             // the thread waits in waitFd
  void OpenWaitFds();
  void CloseWaitFds();
  // Waits until woken, a datagram arrives or `timeout` ms pass (-1: no
  // limit).
  void Wait(int timeout);
};

struct HotKey {
  HWND hwnd;
  int id;
  UINT modifiers;
  UINT key;
};

struct State {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::uintptr_t handleCounter = 0;
  std::vector<HWND> zorder;  // top-level windows, topmost first
  std::vector<std::shared_ptr<WindowClass>> classes;
  WORD nextAtom = 0xC000;
  std::vector<ClassProvider> classProviders;
  std::unordered_map<std::thread::id, std::weak_ptr<Queue>> queues;
  std::weak_ptr<Queue> firstQueue;  // the UI thread's, for input
  HWND active = nullptr;
  HWND focus = nullptr;
  HWND capture = nullptr;
  // Activation requested while an activation change runs; applied after it.
  bool activating = false;
  HWND deferredActivation = nullptr;
  std::vector<HotKey> hotKeys;
  // Something visible changed since the last composition.
  bool dirty = false;
  bool composing = false;
  std::function<void()> composer;
  FrameObserver frameObserver;
  IdleExhaustedHandler idleExhausted;
  // Virtual clock: the tick the loop walks the clock to, timer by timer.
  bool clockTargetSet = false;
  DWORD clockTarget = 0;
  std::uint64_t timerOrder = 0;
  POINT lastPoint{0, 0};  // the stylus, for MSG.pt
  bool shiftDown = false;
  UINT_PTR nextThreadTimerId = 0x7F00;
};

State& S();

// All of the following expect the lock held.
Window* Find(HWND hwnd);
Window* FindLive(HWND hwnd);  // not being destroyed
// Fails with ERROR_INVALID_WINDOW_HANDLE for unknown handles.
Window* FindOrFail(HWND hwnd);
bool IsTopLevel(const Window* w);
Window* TopLevelOf(Window* w);
bool IsDescendant(const Window* ancestor, const Window* w);
std::vector<HWND>& Siblings(Window* w);
void RemoveFromSiblings(Window* w);
// Puts a top-level window at the top of its band (topmost or normal),
// windows it owns above it.
void BringToTopLocked(Window* w);
// Screen position of the window's top-left corner and of its client area.
POINT ScreenOrigin(const Window* w);
POINT ClientOrigin(const Window* w);
int Frame(const Window* w);
bool IsShown(const Window* w);  // visible with all ancestors
bool IsEnabledTree(const Window* w);
void MarkDirty();
// The queue input goes to: the active window's thread's, else the first
// UI thread's; null when no thread has a queue yet.
std::shared_ptr<Queue> InputQueueLocked();
HWND HitTestLocked(POINT screenPoint);
const HotKey* MatchHotKeyLocked(UINT modifiers, UINT key);
void WakeLocked(Queue& q);
void PushLocked(Queue& q, const MSG& msg, Route route);
// Drops everything queued for a window being destroyed.
void ForgetWindowLocked(Window* w);
void KillTimersLocked(HWND hwnd);
void UnregisterHotKeysLocked(HWND hwnd);
bool DueTimerLocked(Queue& q, HWND filter, DWORD now, std::size_t* index);
bool NextDueLocked(const Queue& q, DWORD* tick);

// Without the lock.
std::shared_ptr<Queue> CurrentQueue();
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Activates a top-level window (null: none); sends the WM_ACTIVATE pair.
void Activate(HWND hwnd, WPARAM state);
// Activates the next window after `leaving` goes away or hides: its
// owner, else the topmost visible enabled normal window.
void ActivateNext(HWND leaving);
void Compose();
// One idle step of the loop: walk the virtual clock, call the idle hook,
// block on the real clock or report an exhausted virtual run.
void IdleStep();
// The loop took a message or a modal loop ended.
void NoteProgress();
// Takes the next message as GetMessage orders them; false when there is
// none (then the screen has been composed if it needed it).
bool Peek(MSG* msg, HWND filter, UINT first, UINT last, bool remove);
// Process-wide broadcast of a message to this process's top-level windows.
void PostToTopLevels(UINT message, WPARAM wParam, LPARAM lParam);
// Cross-process part of the broadcast (window_messages.cpp).
void SendBroadcastDatagram(UINT message, WPARAM wParam, LPARAM lParam);
void ReceiveBroadcastDatagrams();
// The loop's wait looked at the socket (readable or not).
void NoteBroadcastSocketPolled(bool readable);
// The socket's descriptor (or -1) and a number that changes with each new
// socket.
int BroadcastSocketFd(std::uint64_t* generation);
// Opens this process's broadcast socket for the open device.
void ListenForBroadcasts();
// Set the last error and return a value.
void Fail(DWORD error);

}  // namespace platform::ui::wm
