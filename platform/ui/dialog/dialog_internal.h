// Shared state of the dialog manager's parts (creation and layout, the
// keyboard interface, the modal run, message boxes and file dialogs).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/ui/dialog/dialog.h"
#include "platform/ui/gfx/gdi.h"

namespace platform::ui::dialog_detail {

inline constexpr LPCWSTR kDialogClass = u"Dialog";

// A dialog font with its base units: one horizontal dialog unit is baseX/4
// pixels, one vertical unit baseY/8.
struct DialogFont {
  HFONT font = nullptr;
  int baseX = 0;
  int baseY = 0;
};
// Fonts are made once per face and size and kept for the process.
DialogFont FontFor(LPCWSTR face, WORD pointSize);
// The font of templates without DS_SETFONT and of message boxes.
DialogFont DefaultFont();

struct DialogState {
  UINT templateId = 0;
  DialogFont font;
  // The button Enter presses when the focus is on no push button.
  int defId = 0;
  // The push button drawn as the default one: the focused push button, or
  // the default id's button.
  HWND lookDefault = nullptr;
  // The control that had the focus when the dialog was last active.
  HWND savedFocus = nullptr;
  bool modal = false;
  bool ended = false;
  LONG_PTR result = 0;
  // Bitmaps loaded for SS_BITMAP / BS_BITMAP items, freed with the dialog.
  std::vector<HBITMAP> bitmaps;
};

// Null for windows that are no dialogs.
std::shared_ptr<DialogState> StateOf(HWND dialog);
void RegisterState(HWND dialog, std::shared_ptr<DialogState> state);
void EnsureDialogClass();

// The dialog window with its items, before WM_INITDIALOG; hidden. `owner`
// is the parent of a child dialog or the owner of a top-level one.
HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner,
                        DLGPROC proc, bool modal);
// Sizes the dialog so its client area is clientWidth x clientHeight and
// places it: DS_CENTER centres it in the work area, otherwise (x, y) is
// taken in the owner's client area, or the work area without an owner
// (the parent's client area for a child dialog).
void PlaceDialog(HWND dialog, int clientWidth, int clientHeight, int x, int y);
// Sends WM_INITDIALOG and decides the first focus. False when the dialog
// was destroyed by its own initialisation.
bool InitializeDialog(HWND dialog, LPARAM initParam);
// Destroys a dialog that an exception leaves half made (a scripted run that
// stops while WM_INITDIALOG shows a message box); does nothing otherwise.
class DestroyIfUnwound {
 public:
  explicit DestroyIfUnwound(HWND dialog);
  ~DestroyIfUnwound();
  DestroyIfUnwound(const DestroyIfUnwound&) = delete;
  DestroyIfUnwound& operator=(const DestroyIfUnwound&) = delete;

 private:
  HWND dialog_;
  int exceptions_;
};
// Shows the dialog, gives it the focus chosen at initialisation and brings
// it to the foreground for DS_SETFOREGROUND.
void ShowDialog(HWND dialog);
// Disables the owner, pumps messages until EndDialog (or the dialog's
// destruction), then re-enables and reactivates the owner and destroys the
// dialog. Returns the EndDialog value (0 when the dialog went away without).
LONG_PTR RunModal(HWND dialog, HWND owner);

// The top-level window a window belongs to (itself for a top-level one).
HWND TopLevelOf(HWND window);
bool IsPushButton(HWND control);
bool IsAutoRadioButton(HWND control);
bool HasClass(HWND window, LPCWSTR className);
// Visible and enabled by its own style and that of its parents up to
// `dialog` (a dialog still hidden during WM_INITDIALOG has usable controls).
bool CanTakeFocus(HWND dialog, HWND control);
// Gives `button` the default look and takes it from the button that had it.
void ShowDefaultLook(DialogState& state, HWND button);
// Moves the focus to `control` the way WM_NEXTDLGCTL does (select-all in
// edits, the default button's look follows the focus) and remembers it.
void FocusControl(HWND dialog, HWND control);
// The dialog a control belongs to for keyboard navigation: the outermost
// dialog of its chain of control parents.
HWND NavigationRoot(HWND window);

// Shows a message box window over `owner` and runs it modally; `shown` is
// called once the box exists, before it takes input. Returns the id of the
// button pressed (0 when the box went away without an answer).
int RunMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type,
                  const std::function<void(HWND)>& shown);

}  // namespace platform::ui::dialog_detail
