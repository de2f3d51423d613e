// Message maps: each class keeps a static table of the messages,
// commands and notifications it handles, chained to its base class's
// table. Dispatch looks in the most derived table first, then in each
// base's; a message nobody handles goes to the window's default procedure.
//
// A table is a constexpr array of entries built from member-function
// pointers of the class, so a handler with the wrong signature does not
// compile:
//
//   DEFINE_MESSAGE_MAP(CMyDlg, CDialog,
//                      {
//                          afx::On<WM_TIMER, &ThisClass::OnTimer>(),  // void OnTimer(UINT_PTR)
//                          afx::On<WM_USER + 1, &ThisClass::OnRefresh>(),  // void OnRefresh()
//                          afx::OnRegistered<&ThisClass::OnStop>(&g_nStopMsg),  // run-time number
//                          afx::OnCommand<IDC_NEXT, &ThisClass::OnNext>(),  // BN_CLICKED, menu
//                          afx::OnControl<EN_CHANGE, IDC_NAME, &ThisClass::OnNameChange>(),
//                          afx::OnNotify<TCN_SELCHANGE, IDC_TABS, &ThisClass::OnTab>(),
//                      })
//
// The ON_... macros below spell the same entries the familiar way.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <type_traits>

#include "platform/ui/afx/afx_object.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/messages.h"
#include "platform/ui/window/window.h"

class CCmdTarget;

// Calls the handler of one entry and returns the message's result.
using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

enum class AfxEntryKind : BYTE {
  kMessage,     // a window message by number
  kRegistered,  // a registered message, its number read at dispatch time
  kCommand,     // WM_COMMAND: notification code and a range of ids
  kNotify,      // WM_NOTIFY: notification code and a range of ids
};

struct AFX_MSGMAP_ENTRY {
  AfxEntryKind kind;
  UINT message;            // kMessage
  UINT code;               // kCommand (0 = BN_CLICKED / menu command), kNotify
  UINT firstId;            // kCommand, kNotify
  UINT lastId;             //
  const UINT* registered;  // kRegistered
  AFX_PMSG_THUNK thunk;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root table
  const AFX_MSGMAP_ENTRY* lpEntries;
  std::size_t nEntries;
};

// Base of every class that has a message map (windows and the application).
class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

 protected:
  CCmdTarget() = default;
};

namespace afx {

// Lookups along a chain of tables, most derived first; null when no entry
// matches.
const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message);
// `code` 0 matches entries made with OnCommand (button clicks, menu
// commands); other codes match OnControl entries with that code.
const AFX_MSGMAP_ENTRY* FindCommandEntry(const AFX_MSGMAP* map, UINT code, UINT id);
const AFX_MSGMAP_ENTRY* FindNotifyEntry(const AFX_MSGMAP* map, UINT code, UINT id);

namespace detail {

template <class>
struct MemberTraits;
template <class C, class R, class... Args>
struct MemberTraits<R (C::*)(Args...)> {
  using Class = C;
  using Result = R;
};

template <auto F>
using ClassOf = typename MemberTraits<decltype(F)>::Class;

template <class T>
inline constexpr bool kDependentFalse = false;

template <auto F, class... Args>
LRESULT CallAndReturn(ClassOf<F>* self, Args... args) {
  if constexpr (std::is_void_v<typename MemberTraits<decltype(F)>::Result>) {
    (self->*F)(args...);
    return 0;
  } else {
    return static_cast<LRESULT>((self->*F)(args...));
  }
}

// Messages with a typed handler, unpacked from wParam and lParam:
//   WM_TIMER          void (UINT_PTR id)
//   WM_SIZE           void (UINT type, int cx, int cy)
//   WM_ACTIVATE       void (UINT state, HWND other, BOOL minimized)
//   WM_PAINT, WM_CLOSE, WM_DESTROY   void ()
//   WM_ERASEBKGND     BOOL (HDC)
//   WM_SETTINGCHANGE  void (UINT flags, LPCWSTR section)
//   WM_CREATE         int (CREATESTRUCT*)   (-1 fails the creation)
// Any message also takes LRESULT (WPARAM, LPARAM), or a handler without
// arguments (its result is 0 unless it returns one).
template <UINT M, auto F>
LRESULT MessageThunk(CCmdTarget* target, WPARAM wParam, LPARAM lParam) {
  using C = ClassOf<F>;
  using Fn = decltype(F);
  C* self = static_cast<C*>(target);
  if constexpr (std::is_same_v<Fn, LRESULT (C::*)(WPARAM, LPARAM)>) {
    return (self->*F)(wParam, lParam);
  } else if constexpr (M == WM_TIMER && std::is_invocable_v<Fn, C*, UINT_PTR>) {
    return CallAndReturn<F>(self, static_cast<UINT_PTR>(wParam));
  } else if constexpr (M == WM_SIZE && std::is_invocable_v<Fn, C*, UINT, int, int>) {
    const auto size = static_cast<DWORD>(lParam);
    return CallAndReturn<F>(self, static_cast<UINT>(wParam), static_cast<int>(LOWORD(size)),
                            static_cast<int>(HIWORD(size)));
  } else if constexpr (M == WM_ACTIVATE && std::is_invocable_v<Fn, C*, UINT, HWND, BOOL>) {
    const auto state = static_cast<DWORD>(wParam);
    return CallAndReturn<F>(self, static_cast<UINT>(LOWORD(state)), reinterpret_cast<HWND>(lParam),
                            static_cast<BOOL>(HIWORD(state) != 0));
  } else if constexpr (M == WM_ERASEBKGND && std::is_invocable_v<Fn, C*, HDC>) {
    return CallAndReturn<F>(self, reinterpret_cast<HDC>(wParam));
  } else if constexpr (M == WM_SETTINGCHANGE && std::is_invocable_v<Fn, C*, UINT, LPCWSTR>) {
    return CallAndReturn<F>(self, static_cast<UINT>(wParam), reinterpret_cast<LPCWSTR>(lParam));
  } else if constexpr (M == WM_CREATE && std::is_invocable_v<Fn, C*, CREATESTRUCT*>) {
    return CallAndReturn<F>(self, reinterpret_cast<CREATESTRUCT*>(lParam));
  } else if constexpr (std::is_invocable_v<Fn, C*>) {
    return CallAndReturn<F>(self);
  } else {
    static_assert(kDependentFalse<Fn>, "handler signature does not fit this message");
    return 0;
  }
}

// Commands: void () for one id, void (UINT id) for a range.
template <auto F>
LRESULT CommandThunk(CCmdTarget* target, WPARAM, LPARAM) {
  CallAndReturn<F>(static_cast<ClassOf<F>*>(target));
  return 0;
}
template <auto F>
LRESULT CommandRangeThunk(CCmdTarget* target, WPARAM wParam, LPARAM) {
  CallAndReturn<F>(static_cast<ClassOf<F>*>(target),
                   static_cast<UINT>(LOWORD(static_cast<DWORD>(wParam))));
  return 0;
}

// Notifications: void (NMHDR*, LRESULT* result) for one id,
// void (UINT id, NMHDR*, LRESULT* result) for a range.
template <auto F>
LRESULT NotifyThunk(CCmdTarget* target, WPARAM, LPARAM lParam) {
  LRESULT result = 0;
  (static_cast<ClassOf<F>*>(target)->*F)(reinterpret_cast<NMHDR*>(lParam), &result);
  return result;
}
template <auto F>
LRESULT NotifyRangeThunk(CCmdTarget* target, WPARAM, LPARAM lParam) {
  LRESULT result = 0;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  (static_cast<ClassOf<F>*>(target)->*F)(static_cast<UINT>(header->idFrom), header, &result);
  return result;
}

}  // namespace detail

template <UINT Message, auto F>
constexpr AFX_MSGMAP_ENTRY On() {
  return {AfxEntryKind::kMessage, Message, 0, 0, 0, nullptr, &detail::MessageThunk<Message, F>};
}

// `number` is where the RegisterWindowMessage result is kept; 0 there
// matches nothing.
template <auto F>
constexpr AFX_MSGMAP_ENTRY OnRegistered(const UINT* number) {
  return {AfxEntryKind::kRegistered, 0, 0, 0, 0, number, &detail::MessageThunk<WM_NULL, F>};
}

template <UINT Id, auto F>
constexpr AFX_MSGMAP_ENTRY OnCommand() {
  return {AfxEntryKind::kCommand, WM_COMMAND, 0, Id, Id, nullptr, &detail::CommandThunk<F>};
}

template <UINT First, UINT Last, auto F>
constexpr AFX_MSGMAP_ENTRY OnCommandRange() {
  static_assert(First <= Last);
  return {AfxEntryKind::kCommand,       WM_COMMAND, 0, First, Last, nullptr,
          &detail::CommandRangeThunk<F>};
}

template <WORD Code, UINT Id, auto F>
constexpr AFX_MSGMAP_ENTRY OnControl() {
  return {AfxEntryKind::kCommand, WM_COMMAND, Code, Id, Id, nullptr, &detail::CommandThunk<F>};
}

template <WORD Code, UINT First, UINT Last, auto F>
constexpr AFX_MSGMAP_ENTRY OnControlRange() {
  static_assert(First <= Last);
  return {AfxEntryKind::kCommand,       WM_COMMAND, Code, First, Last, nullptr,
          &detail::CommandRangeThunk<F>};
}

template <UINT Code, UINT Id, auto F>
constexpr AFX_MSGMAP_ENTRY OnNotify() {
  return {AfxEntryKind::kNotify, WM_NOTIFY, Code, Id, Id, nullptr, &detail::NotifyThunk<F>};
}

template <UINT Code, UINT First, UINT Last, auto F>
constexpr AFX_MSGMAP_ENTRY OnNotifyRange() {
  static_assert(First <= Last);
  return {AfxEntryKind::kNotify,       WM_NOTIFY, Code, First, Last, nullptr,
          &detail::NotifyRangeThunk<F>};
}

}  // namespace afx

// In the class body.
#define DECLARE_MESSAGE_MAP()                       \
 public:                                            \
  static const AFX_MSGMAP* GetThisMessageMap();     \
  const AFX_MSGMAP* GetMessageMap() const override; \
                                                    \
 protected:

// In the source file: the class, its base and the braced list of entries
// (clang-format keeps one entry per line when the list ends with a comma).
// Inside the list, ThisClass names the class.
#define DEFINE_MESSAGE_MAP(theClass, baseClass, ...)                                  \
  const AFX_MSGMAP* theClass::GetMessageMap() const {                                 \
    return GetThisMessageMap();                                                       \
  }                                                                                   \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                   \
    using ThisClass [[maybe_unused]] = theClass;                                      \
    static_assert(std::is_base_of_v<baseClass, theClass>);                            \
    static constexpr std::initializer_list<AFX_MSGMAP_ENTRY> kEntries = __VA_ARGS__;  \
    static constexpr AFX_MSGMAP kMap{&baseClass::GetThisMessageMap, kEntries.begin(), \
                                     kEntries.size()};                                \
    return &kMap;                                                                     \
  }

// The familiar spellings. Handler names are members of ThisClass.
#define ON_MESSAGE(message, memberFxn) afx::On<(message), &ThisClass::memberFxn>()
#define ON_REGISTERED_MESSAGE(numberVariable, memberFxn) \
  afx::OnRegistered<&ThisClass::memberFxn>(&(numberVariable))
#define ON_COMMAND(id, memberFxn) afx::OnCommand<(id), &ThisClass::memberFxn>()
#define ON_COMMAND_RANGE(first, last, memberFxn) \
  afx::OnCommandRange<(first), (last), &ThisClass::memberFxn>()
#define ON_CONTROL(code, id, memberFxn) afx::OnControl<(code), (id), &ThisClass::memberFxn>()
#define ON_CONTROL_RANGE(code, first, last, memberFxn) \
  afx::OnControlRange<(code), (first), (last), &ThisClass::memberFxn>()
#define ON_NOTIFY(code, id, memberFxn) afx::OnNotify<(code), (id), &ThisClass::memberFxn>()
#define ON_NOTIFY_RANGE(code, first, last, memberFxn) \
  afx::OnNotifyRange<(code), (first), (last), &ThisClass::memberFxn>()
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
// Typed handlers with their usual names.
#define ON_WM_CREATE() afx::On<WM_CREATE, &ThisClass::OnCreate>()
#define ON_WM_DESTROY() afx::On<WM_DESTROY, &ThisClass::OnDestroy>()
#define ON_WM_PAINT() afx::On<WM_PAINT, &ThisClass::OnPaint>()
#define ON_WM_SIZE() afx::On<WM_SIZE, &ThisClass::OnSize>()
#define ON_WM_ACTIVATE() afx::On<WM_ACTIVATE, &ThisClass::OnActivate>()
#define ON_WM_TIMER() afx::On<WM_TIMER, &ThisClass::OnTimer>()
#define ON_WM_CLOSE() afx::On<WM_CLOSE, &ThisClass::OnClose>()
#define ON_WM_ERASEBKGND() afx::On<WM_ERASEBKGND, &ThisClass::OnEraseBkgnd>()
#define ON_WM_SETTINGCHANGE() afx::On<WM_SETTINGCHANGE, &ThisClass::OnSettingChange>()
