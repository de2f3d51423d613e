// One message queue per thread: sending, posting, taking messages in the
// loop's order, translating keys and dispatching.
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/clock.h"
#include "platform/kernel.h"
#include "platform/ui/window/window_manager_state.h"
#include "platform/ui/window/window_registry.h"

namespace platform::ui::wm {

Queue::Queue() {
  OpenWaitFds();
}

Queue::~Queue() {
  CloseWaitFds();
}

void Queue::OpenWaitFds() {
  wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  waitFd = ::epoll_create1(EPOLL_CLOEXEC);
  watchedSocket = 0;
  blocked = false;
  if (wakeFd < 0 || waitFd < 0) return;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = wakeFd;
  ::epoll_ctl(waitFd, EPOLL_CTL_ADD, wakeFd, &event);
}

void Queue::CloseWaitFds() {
  if (wakeFd >= 0) ::close(wakeFd);
  if (waitFd >= 0) ::close(waitFd);
  wakeFd = waitFd = -1;
}

void Queue::Wait(int timeout) {
  std::uint64_t generation = 0;
  const int socket = BroadcastSocketFd(&generation);
  if (generation != watchedSocket) {
    // A closed socket left the set by itself; the new one joins.
    if (socket >= 0) {
      epoll_event event{};
      event.events = EPOLLIN;
      event.data.fd = socket;
      ::epoll_ctl(waitFd, EPOLL_CTL_ADD, socket, &event);
    }
    watchedSocket = generation;
  }
  epoll_event events[2];
  const int count = ::epoll_wait(waitFd, events, 2, timeout);
  bool datagrams = false;
  for (int i = 0; i < count; ++i) {
    if (events[i].data.fd == wakeFd) {
      std::uint64_t value = 0;
      [[maybe_unused]] const auto drained = ::read(wakeFd, &value, sizeof value);
    } else {
      datagrams = true;
    }
  }
  if (socket >= 0 && count >= 0) NoteBroadcastSocketPolled(datagrams);
}

namespace {

// Unregisters the thread's queue when the thread ends; windows of the
// thread keep the queue object alive.
struct QueueHolder {
  std::shared_ptr<Queue> queue;
  ~QueueHolder() {
    if (!queue) return;
    Lock lock(S().mutex);
    S().queues.erase(queue->thread);
  }
};

QueueHolder& Holder() {
  thread_local QueueHolder holder;
  return holder;
}

// The child of a fork has only the forking thread; the lock is not taken
// as a thread of the parent may have held it.
void RenewAfterFork() {
  for (auto& [thread, weak] : S().queues) {
    if (auto q = weak.lock()) {
      // The epoll set and eventfd are shared with the parent.
      q->CloseWaitFds();
      q->OpenWaitFds();
    }
  }
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool MatchesWindow(HWND hwnd, HWND filter) {
  if (!filter) return true;
  if (hwnd == filter) return true;
  const Window* f = Find(filter);
  const Window* w = Find(hwnd);
  return f && w && IsDescendant(f, w);
}

// Decides where a queued input message goes, as the device does at the
// moment it is taken. False: the input has no receiver and is dropped.
bool RouteLocked(const Posted& p, MSG* m) {
  State& s = S();
  if (p.route == Route::kFocus) {
    const bool key = m->message == WM_KEYDOWN || m->message == WM_KEYUP;
    const UINT vk = static_cast<UINT>(m->wParam);
    if (key && vk >= VK_APP1 && vk <= VK_APP15) {
      // The hardware buttons arrive with the Windows key held.
      if (const HotKey* hot = MatchHotKeyLocked(MOD_WIN, vk)) {
        if (m->message == WM_KEYUP) return false;  // swallowed
        m->hwnd = hot->hwnd;
        m->message = WM_HOTKEY;
        m->wParam = static_cast<WPARAM>(hot->id);
        m->lParam =
            static_cast<LPARAM>(MAKELONG(static_cast<WORD>(MOD_WIN), static_cast<WORD>(vk)));
        return Find(hot->hwnd) != nullptr;
      }
    }
    const Window* target = FindLive(s.focus);
    if (!target) target = FindLive(s.active);
    if (!target || !IsEnabledTree(target)) return false;
    m->hwnd = target->handle;
    return true;
  }
  // Stylus.
  const Window* target = FindLive(s.capture);
  if (!target) {
    target = Find(HitTestLocked(m->pt));
    if (!target || !IsEnabledTree(TopLevelOf(const_cast<Window*>(target)))) return false;
  }
  const POINT origin = ClientOrigin(target);
  m->hwnd = target->handle;
  m->lParam = static_cast<LPARAM>(
      MAKELONG(static_cast<WORD>(m->pt.x - origin.x), static_cast<WORD>(m->pt.y - origin.y)));
  return true;
}

void ProcessSends(Queue& q) {
  Lock lock(S().mutex);
  while (SendRecord* record = q.sendsHead) {
    q.sendsHead = record->next;
    if (!q.sendsHead) q.sendsTail = nullptr;
    lock.unlock();
    const LRESULT result = Send(record->hwnd, record->message, record->wParam, record->lParam);
    lock.lock();
    record->result = result;
    record->done = true;
    record->finished.notify_all();
  }
}

}  // namespace

void PushLocked(Queue& q, const MSG& msg, Route route) {
  q.posted.push_back({msg, route});
  ++q.queuedCount;
  WakeLocked(q);
}

std::shared_ptr<Queue> CurrentQueue() {
  QueueHolder& holder = Holder();
  if (!holder.queue) {
    static const int registered = ::pthread_atfork(nullptr, nullptr, RenewAfterFork);
    (void)registered;
    auto queue = std::make_shared<Queue>();
    queue->thread = std::this_thread::get_id();
    Lock lock(S().mutex);
    S().queues[queue->thread] = queue;
    if (S().firstQueue.expired()) S().firstQueue = queue;
    holder.queue = std::move(queue);
  }
  return holder.queue;
}

std::shared_ptr<Queue> InputQueueLocked() {
  State& s = S();
  if (const Window* a = Find(s.active)) return a->queue;
  return s.firstQueue.lock();
}

void WakeLocked(Queue& q) {
  if (!q.blocked || q.wakeFd < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(q.wakeFd, &one, sizeof one);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  std::shared_ptr<Queue> target;
  {
    Lock lock(S().mutex);
    const Window* w = Find(hwnd);
    if (!w) {
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    proc = w->proc;
    if (w->queue && w->queue->thread != std::this_thread::get_id()) target = w->queue;
  }
  if (!target) return proc ? proc(hwnd, message, wParam, lParam) : 0;
  // Another thread's window: its thread runs the procedure when it next
  // looks at its queue, while this one waits.
  SendRecord record;
  record.hwnd = hwnd;
  record.message = message;
  record.wParam = wParam;
  record.lParam = lParam;
  Lock lock(S().mutex);
  if (target->sendsTail) {
    target->sendsTail->next = &record;
  } else {
    target->sendsHead = &record;
  }
  target->sendsTail = &record;
  WakeLocked(*target);
  record.finished.wait(lock, [&] { return record.done; });
  return record.result;
}

bool Peek(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  auto queue = CurrentQueue();
  Queue& q = *queue;
  bool composed = false;
  for (;;) {
    ProcessSends(q);
    ReceiveBroadcastDatagrams();
    PublishTopLevels();
    Lock lock(S().mutex);
    State& s = S();
    bool retry = false;
    for (auto it = q.posted.begin(); it != q.posted.end();) {
      MSG m = it->msg;
      if (it->route != Route::kDirect && !RouteLocked(*it, &m)) {
        it = q.posted.erase(it);
        continue;
      }
      if (!InRange(m.message, first, last) || !MatchesWindow(m.hwnd, filter)) {
        ++it;
        continue;
      }
      const bool click = remove && it->route == Route::kPoint && m.message == WM_LBUTTONDOWN;
      if (remove) {
        q.posted.erase(it);
        if (m.message == WM_KEYDOWN && m.wParam == VK_SHIFT) s.shiftDown = true;
        if (m.message == WM_KEYUP && m.wParam == VK_SHIFT) s.shiftDown = false;
      }
      if (click) {
        // Tapping a window of another top-level window activates that one.
        Window* top = TopLevelOf(Find(m.hwnd));
        const bool activate = top && s.active != top->handle && !(top->exStyle & WS_EX_NOACTIVATE);
        const HWND topHandle = top ? top->handle : nullptr;
        lock.unlock();
        if (activate) Activate(topHandle, WA_CLICKACTIVE);
        if (!IsWindow(m.hwnd)) {
          retry = true;
          break;
        }
      }
      *out = m;
      return true;
    }
    if (retry) continue;
    if (q.quit) {
      *out = MSG{nullptr,    WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, platform::clock::Now(),
                 s.lastPoint};
      if (remove) q.quit = false;
      return true;
    }
    const DWORD now = platform::clock::Now();
    std::size_t index = 0;
    if (InRange(WM_TIMER, first, last) && DueTimerLocked(q, filter, now, &index)) {
      Timer& t = q.timers[index];
      *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), now, s.lastPoint};
      if (remove) {
        // Missed periods fold into this one: the next is the first period
        // boundary after now.
        const DWORD late = now - t.due;
        t.due += t.elapse * (late / t.elapse + 1);
      }
      return true;
    }
    if (s.dirty && !s.composing && !composed) {
      lock.unlock();
      composed = true;
      Compose();
      continue;
    }
    q.queuedCountSeen = q.queuedCount;
    return false;
  }
}

}  // namespace platform::ui::wm

namespace platform::ui {

void WakeUp() {
  wm::Lock lock(wm::S().mutex);
  for (auto& [thread, weak] : wm::S().queues) {
    if (auto q = weak.lock()) wm::WakeLocked(*q);
  }
}

}  // namespace platform::ui

using namespace platform::ui;
using namespace platform::ui::wm;

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    std::vector<HWND> targets;
    {
      Lock lock(S().mutex);
      for (HWND h : S().zorder) {
        if (FindLive(h)) targets.push_back(h);
      }
    }
    for (HWND h : targets) Send(h, message, wParam, lParam);
    return 0;
  }
  return Send(window, message, wParam, lParam);
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == HWND_BROADCAST) {
    PostToTopLevels(message, wParam, lParam);
    // Only values cross processes: registered messages and the settings
    // notice (whose text pointer stays behind).
    if (message >= 0xC000 && message <= 0xFFFF) {
      SendBroadcastDatagram(message, wParam, lParam);
    } else if (message == WM_SETTINGCHANGE) {
      SendBroadcastDatagram(message, wParam, 0);
    }
    return TRUE;
  }
  std::shared_ptr<Queue> own;
  if (!window) own = CurrentQueue();
  Lock lock(S().mutex);
  State& s = S();
  const MSG msg{window, message, wParam, lParam, platform::clock::Now(), s.lastPoint};
  if (!window) {
    PushLocked(*own, msg, Route::kDirect);
    return TRUE;
  }
  const Window* w = FindOrFail(window);
  if (!w) return FALSE;
  if (w->destroying) return TRUE;  // dropped with the window's other messages
  PushLocked(*w->queue, msg, Route::kDirect);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  Lock lock(S().mutex);
  q->quit = true;
  q->quitCode = exitCode;
  WakeLocked(*q);
}

BOOL GetMessage(MSG* msg, HWND window, UINT first, UINT last) {
  MSG local{};
  if (!msg) msg = &local;
  for (;;) {
    if (Peek(msg, window, first, last, true)) {
      NoteProgress();
      return msg->message != WM_QUIT ? TRUE : FALSE;
    }
    IdleStep();
  }
}

BOOL PeekMessage(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  MSG local{};
  return Peek(msg ? msg : &local, window, first, last, remove & PM_REMOVE) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN || (msg->lParam & kKeyCharDelivered)) return FALSE;
  const UINT vk = static_cast<UINT>(msg->wParam);
  auto q = CurrentQueue();
  Lock lock(S().mutex);
  const bool shift = S().shiftDown;
  WCHAR c = 0;
  if (vk >= 'A' && vk <= 'Z') {
    c = static_cast<WCHAR>(shift ? vk : vk - 'A' + 'a');
  } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK ||
             vk == VK_TAB || vk == VK_ESCAPE) {
    c = static_cast<WCHAR>(vk);
  } else {
    return FALSE;
  }
  // The character is the next message taken.
  q->posted.push_front(
      {MSG{msg->hwnd, WM_CHAR, c, msg->lParam, msg->time, msg->pt}, Route::kDirect});
  ++q->queuedCount;
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a procedure of a live timer is called: lParam is no pointer to
    // trust otherwise.
    TIMERPROC proc = nullptr;
    {
      auto q = CurrentQueue();
      Lock lock(S().mutex);
      for (const Timer& t : q->timers) {
        if (t.hwnd == msg->hwnd && t.id == msg->wParam &&
            reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
          proc = t.proc;
        }
      }
    }
    if (proc) proc(msg->hwnd, WM_TIMER, msg->wParam, platform::clock::Now());
    return 0;
  }
  if (!msg->hwnd) return 0;
  return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
