// Internals shared by the class library's source files.
#pragma once

#include <memory>
#include <unordered_map>

#include "platform/ui/afx/afx_wnd.h"
#include "platform/ui/window/window_internal.h"

namespace afx::detail {

// Sent by a command bar to its parent when it appeared, so a parent that
// lays out its children (a property sheet) makes room for it.
inline constexpr UINT kRecalcLayoutMessage = 0x0361;

// Per-thread state: windows belong to the thread that made them.
struct ThreadState {
  ThreadState() = default;
  ~ThreadState();
  ThreadState(const ThreadState&) = delete;
  ThreadState& operator=(const ThreadState&) = delete;

  std::unordered_map<HWND, CWnd*> permanent;
  std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
  // The object waiting for the next window created on this thread.
  CWnd* creating = nullptr;
  // The message the innermost CWnd::WindowProc handles (for Default()).
  MSG current{};
};

ThreadState& Thread();

// The state of the program itself (current when no module made its own so).
AFX_MODULE_STATE* ProgramModuleState();

// Screen area between the title bar and the menu bar.
RECT WorkArea();

// The top-level window `window` belongs to.
HWND TopLevelOf(HWND window);

// Class name of a window, compared without regard to case.
bool HasClass(HWND window, LPCWSTR className);

// The text of string `id` of `module`; empty when it does not exist.
std::u16string LoadStringText(HINSTANCE module, UINT id);

}  // namespace afx::detail

// Makes `object` the object of the first window created while the scope
// lives (attached by the window system's creation hook, before WM_CREATE).
class CWndCreation {
 public:
  explicit CWndCreation(CWnd* object);
  ~CWndCreation();
  CWndCreation(const CWndCreation&) = delete;
  CWndCreation& operator=(const CWndCreation&) = delete;
  // Attaches the object to `window` if the hook did not see it.
  void Complete(HWND window);

 private:
  CWnd* m_pObject;
  CWnd* m_pPrevious;
  platform::ui::CreateHook m_previousHook;
};
