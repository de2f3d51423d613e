// The dialog class, DefDlgProc, modeless creation, the modal run and
// EndDialog. Layout of templates is in dialog_layout.cpp, the keyboard
// interface in dialog_keyboard.cpp.
#include <exception>
#include <map>
#include <mutex>

#include "platform/ui/dialog/dialog.h"
#include "platform/ui/dialog/dialog_internal.h"
#include "platform/ui/window/message_loop.h"
#include "platform/wstring.h"

namespace platform::ui::dialog_detail {
namespace {

struct Registry {
  std::mutex lock;
  std::map<HWND, std::shared_ptr<DialogState>> dialogs;
};

Registry& Dialogs() {
  static Registry registry;
  return registry;
}

void Forget(HWND dialog) {
  std::shared_ptr<DialogState> state;
  {
    Registry& r = Dialogs();
    std::lock_guard guard(r.lock);
    auto it = r.dialogs.find(dialog);
    if (it == r.dialogs.end()) return;
    state = std::move(it->second);
    r.dialogs.erase(it);
  }
  for (HBITMAP bitmap : state->bitmaps) DeleteObject(reinterpret_cast<HGDIOBJ>(bitmap));
  state->bitmaps.clear();
}

// Messages whose DLGPROC return value is the message's result, rather
// than a handled flag with the result in DWL_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case 0x002E:  // WM_VKEYTOITEM
    case 0x002F:  // WM_CHARTOITEM
    case 0x0037:  // WM_QUERYDRAGICON
    case 0x0039:  // WM_COMPAREITEM
      return true;
    default:
      return message >= 0x0132 && message <= WM_CTLCOLORSTATIC;  // WM_CTLCOLOR*
  }
}

bool IsUsableControl(HWND dialog, HWND control) {
  return control && IsWindow(control) && IsChild(dialog, control) && CanTakeFocus(dialog, control);
}

bool IsPlainPushButton(HWND button) {
  if (!button || !HasClass(button, u"BUTTON")) return false;
  const DWORD type = static_cast<DWORD>(GetWindowLong(button, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void Restyle(HWND button, DWORD type) {
  const DWORD style = static_cast<DWORD>(GetWindowLong(button, GWL_STYLE));
  if ((style & BS_TYPEMASK) != type) {
    SendMessage(button, BM_SETSTYLE, (style & 0xFFFF & ~BS_TYPEMASK) | type, TRUE);
  }
}

// Back to the control that had the focus before the dialog was left, or the
// first tab stop.
void RestoreFocus(HWND dialog, DialogState& state) {
  HWND target = state.savedFocus;
  if (!IsUsableControl(dialog, target)) target = GetNextDlgTabItem(dialog, nullptr, FALSE);
  if (!target) return;
  state.savedFocus = target;
  if (GetFocus() != target) SetFocus(target);
}

void SetDefaultId(HWND dialog, DialogState& state, int id) {
  state.defId = id;
  ShowDefaultLook(state, GetDlgItem(dialog, id));
}

LRESULT DefaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state) return DefWindowProc(dialog, message, wParam, lParam);
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(dialog, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    case WM_CLOSE: {
      // Closing means Cancel; a disabled Cancel button refuses it.
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) {
        PostMessage(dialog, WM_COMMAND, MAKELONG(static_cast<WORD>(IDCANCEL), BN_CLICKED),
                    reinterpret_cast<LPARAM>(cancel));
      }
      return 0;
    }
    case DM_GETDEFID:
      return state->defId != 0
                 ? static_cast<LRESULT>(MAKELONG(static_cast<WORD>(state->defId), DC_HASDEFID))
                 : 0;
    case DM_SETDEFID:
      SetDefaultId(dialog, *state, static_cast<int>(static_cast<WORD>(wParam)));
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target = nullptr;
      if (LOWORD(static_cast<DWORD>(lParam)) != 0) {
        target = reinterpret_cast<HWND>(wParam);
      } else {
        HWND focus = GetFocus();
        if (focus && !IsChild(dialog, focus)) focus = nullptr;
        target = GetNextDlgTabItem(dialog, focus, wParam != 0 ? TRUE : FALSE);
      }
      if (target && IsWindow(target)) FocusControl(dialog, target);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(static_cast<DWORD>(wParam)) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus)) state->savedFocus = focus;
      } else {
        RestoreFocus(dialog, *state);
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus(dialog, *state);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(state->font.font);
    case WM_COMMAND:
      return 0;
    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProc(dialog, message, wParam, lParam);
      Forget(dialog);
      return result;
    }
    default:
      return DefWindowProc(dialog, message, wParam, lParam);
  }
}

}  // namespace

std::shared_ptr<DialogState> StateOf(HWND dialog) {
  Registry& r = Dialogs();
  std::lock_guard guard(r.lock);
  auto it = r.dialogs.find(dialog);
  return it == r.dialogs.end() ? nullptr : it->second;
}

void RegisterState(HWND dialog, std::shared_ptr<DialogState> state) {
  Registry& r = Dialogs();
  std::lock_guard guard(r.lock);
  r.dialogs[dialog] = std::move(state);
}

void EnsureDialogClass() {
  WNDCLASS existing{};
  if (GetClassInfo(nullptr, kDialogClass, &existing)) return;
  WNDCLASS wc{};
  wc.lpfnWndProc = DefDlgProc;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kDialogClass;
  RegisterClass(&wc);
}

HWND TopLevelOf(HWND window) {
  HWND current = window;
  while (current && (GetWindowLong(current, GWL_STYLE) & WS_CHILD)) {
    HWND parent = GetParent(current);
    if (!parent) break;
    current = parent;
  }
  return current;
}

bool HasClass(HWND window, LPCWSTR className) {
  WCHAR name[64] = {};
  const int length = GetClassName(window, name, 64);
  return length > 0 && EqualsNoCase(std::u16string_view(name, static_cast<std::size_t>(length)),
                                    std::u16string_view(className));
}

void ShowDefaultLook(DialogState& state, HWND button) {
  if (!IsPlainPushButton(button)) button = nullptr;
  if (state.lookDefault == button) return;
  if (state.lookDefault && IsWindow(state.lookDefault) && IsPlainPushButton(state.lookDefault)) {
    Restyle(state.lookDefault, BS_PUSHBUTTON);
  }
  if (button) Restyle(button, BS_DEFPUSHBUTTON);
  state.lookDefault = button;
}

bool CanTakeFocus(HWND dialog, HWND control) {
  for (HWND w = control; w && w != dialog; w = GetParent(w)) {
    const DWORD style = static_cast<DWORD>(GetWindowLong(w, GWL_STYLE));
    if (!(style & WS_VISIBLE) || (style & WS_DISABLED)) return false;
  }
  return control != nullptr;
}

bool IsPushButton(HWND control) {
  if (!control || !HasClass(control, u"BUTTON")) return false;
  const DWORD type = static_cast<DWORD>(GetWindowLong(control, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool IsAutoRadioButton(HWND control) {
  if (!control || !HasClass(control, u"BUTTON")) return false;
  return (static_cast<DWORD>(GetWindowLong(control, GWL_STYLE)) & BS_TYPEMASK) ==
         BS_AUTORADIOBUTTON;
}

HWND NavigationRoot(HWND window) {
  // Child dialogs (pages) navigate as part of the dialog they sit in.
  HWND root = window;
  while (root && (GetWindowLong(root, GWL_STYLE) & WS_CHILD) &&
         (GetWindowLong(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)) {
    HWND parent = GetParent(root);
    if (!parent) break;
    root = parent;
  }
  return root;
}

void FocusControl(HWND dialog, HWND control) {
  HWND root = NavigationRoot(dialog);
  SetFocus(control);
  const LRESULT code = SendMessage(control, WM_GETDLGCODE, 0, 0);
  if ((code & DLGC_HASSETSEL) || HasClass(control, u"EDIT")) {
    SendMessage(control, EM_SETSEL, 0, -1);
  }
  // The default button's look follows the focus: a focused push button
  // is the one Enter presses, otherwise the dialog's default button.
  if (auto state = StateOf(root)) {
    state->savedFocus = control;
    ShowDefaultLook(*state, IsPushButton(control)
                                ? control
                                : (state->defId ? GetDlgItem(root, state->defId) : nullptr));
  }
  if (root != dialog) {
    if (auto state = StateOf(dialog)) state->savedFocus = control;
  }
}

bool InitializeDialog(HWND dialog, LPARAM initParam) {
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  const LRESULT setFocus =
      SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if (!IsWindow(dialog)) return false;
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state) return false;
  if (setFocus) {
    // The procedure may have disabled or hidden controls: look again.
    state->savedFocus = GetNextDlgTabItem(dialog, nullptr, FALSE);
  } else {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus)) state->savedFocus = focus;
  }
  return true;
}

void ShowDialog(HWND dialog) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state) return;
  const DWORD style = static_cast<DWORD>(GetWindowLong(dialog, GWL_STYLE));
  ShowWindow(dialog, SW_SHOW);
  if (style & WS_CHILD) return;
  if (IsWindowEnabled(dialog) && GetActiveWindow() != dialog) SetActiveWindow(dialog);
  if (style & DS_SETFOREGROUND) SetForegroundWindow(dialog);
  if (GetActiveWindow() == dialog && IsUsableControl(dialog, state->savedFocus)) {
    FocusControl(dialog, state->savedFocus);
  }
}

DestroyIfUnwound::DestroyIfUnwound(HWND dialog)
    : dialog_(dialog), exceptions_(std::uncaught_exceptions()) {}

DestroyIfUnwound::~DestroyIfUnwound() {
  if (std::uncaught_exceptions() > exceptions_ && IsWindow(dialog_)) DestroyWindow(dialog_);
}

LONG_PTR RunModal(HWND dialog, HWND owner) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state) return -1;
  bool ownerDisabled = false;
  if (owner && IsWindow(owner) && IsWindowEnabled(owner)) {
    // Keep the owner's focus before disabling it takes the focus away.
    if (auto ownerState = StateOf(owner)) {
      HWND focus = GetFocus();
      if (focus && IsChild(owner, focus)) ownerState->savedFocus = focus;
    }
    EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  // Runs when the loop ends, and also when an exception (a scripted run
  // that stops) leaves it: the dialog never outlives its run.
  struct Closing {
    HWND dialog;
    HWND owner;
    bool ownerDisabled;
    ~Closing() {
      const bool wasForeground = GetForegroundWindow() == dialog;
      // The owner comes back before the dialog goes, so the activation
      // falls to it and not to some other window.
      if (ownerDisabled && IsWindow(owner)) EnableWindow(owner, TRUE);
      if (IsWindow(dialog)) DestroyWindow(dialog);
      if (owner && IsWindow(owner) && IsWindowVisible(owner)) {
        if (wasForeground) SetForegroundWindow(owner);
        SetActiveWindow(owner);
      }
    }
  } closing{dialog, owner, ownerDisabled};
  if (!state->ended && IsWindow(dialog)) {
    ShowDialog(dialog);
    RunModalLoop([&] { return state->ended || !IsWindow(dialog); },
                 [dialog](MSG* msg) { return IsDialogMessage(dialog, msg) != FALSE; });
  }
  return state->ended ? state->result : 0;
}

}  // namespace platform::ui::dialog_detail

using namespace platform::ui::dialog_detail;

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto proc = reinterpret_cast<DLGPROC>(GetWindowLong(dialog, DWL_DLGPROC));
  if (proc) {
    // Keep an outer message's result when this one is sent from inside its
    // handler.
    const LONG_PTR outerResult = GetWindowLong(dialog, DWL_MSGRESULT);
    SetWindowLong(dialog, DWL_MSGRESULT, 0);
    const LONG_PTR handled = proc(dialog, message, wParam, lParam);
    if (!IsWindow(dialog)) return handled;
    const LONG_PTR result = GetWindowLong(dialog, DWL_MSGRESULT);
    SetWindowLong(dialog, DWL_MSGRESULT, outerResult);
    if (ReturnsDirectly(message)) return handled;
    if (handled) return result;
  }
  return DefaultDialogMessage(dialog, message, wParam, lParam);
}

HWND CreateDialogIndirectParam(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                               HWND parent, DLGPROC proc, LPARAM initParam) {
  if (!dialogTemplate) return nullptr;
  HWND dialog = CreateDialogWindow(instance, *dialogTemplate, parent, proc, false);
  if (!dialog) return nullptr;
  DestroyIfUnwound unfinished(dialog);
  if (!InitializeDialog(dialog, initParam)) return nullptr;
  if (dialogTemplate->style & WS_VISIBLE) ShowDialog(dialog);
  return dialog;
}

HWND CreateDialogParam(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                       LPARAM initParam) {
  return CreateDialogIndirectParam(instance, FindDialogTemplate(instance, templateId), parent, proc,
                                   initParam);
}

LONG_PTR DialogBoxIndirectParam(HINSTANCE instance, const DialogTemplate* dialogTemplate,
                                HWND parent, DLGPROC proc, LPARAM initParam) {
  if (!dialogTemplate) return -1;
  // A modal dialog is owned by the top-level window of the parent given.
  HWND owner = parent ? TopLevelOf(parent) : nullptr;
  HWND dialog = CreateDialogWindow(instance, *dialogTemplate, owner, proc, true);
  if (!dialog) return -1;
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  {
    DestroyIfUnwound unfinished(dialog);
    if (!InitializeDialog(dialog, initParam)) return state && state->ended ? state->result : -1;
  }
  return RunModal(dialog, owner);
}

LONG_PTR DialogBoxParam(HINSTANCE instance, UINT templateId, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
  return DialogBoxIndirectParam(instance, FindDialogTemplate(instance, templateId), parent, proc,
                                initParam);
}

BOOL EndDialog(HWND dialog, LONG_PTR result) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  if (!state) return FALSE;
  state->ended = true;
  state->result = result;
  // A modeless dialog is only hidden; destroying it is its maker's job.
  if (!state->modal) ShowWindow(dialog, SW_HIDE);
  // Wakes the loop running the dialog when EndDialog comes from outside a
  // message (an idle hook, a timer procedure).
  PostMessage(dialog, WM_NULL, 0, 0);
  return TRUE;
}

UINT GetDialogTemplateId(HWND dialog) {
  const std::shared_ptr<DialogState> state = StateOf(dialog);
  return state ? state->templateId : 0;
}
