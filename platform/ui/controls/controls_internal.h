// What the controls show on screen, for the scripted user and the tests:
// where the items of an open combo box list and the tabs of a tab control
// are, and how an edit control draws its text. Not for module code.
#pragma once

#include <string>

#include "platform/ui/window/window.h"

namespace platform::ui::controls {

// The drop button of a combo box (any drop-down style), in screen pixels.
bool ComboDropButtonRect(HWND combo, RECT* screenRect);
// The open drop-down list of a combo box, or null when it is closed.
HWND ComboListWindow(HWND combo);
// Item `index` of the open drop-down list, in screen pixels. False when the
// list is closed or the item is scrolled out of view.
bool ComboListItemRect(HWND combo, int index, RECT* screenRect);
// Scrolls the open list so that item `index` is visible (what a person
// does with the list's scroll bar). False when the list is closed or there
// is no such item.
bool ComboListScrollTo(HWND combo, int index);

// Tab `index` of a tab control, in screen pixels.
bool TabItemScreenRect(HWND tab, int index, RECT* screenRect);

// The text an edit control draws: the password character in place of each
// character of a masked field.
std::u16string EditDisplayText(HWND edit);
// Where the edit control draws its caret, in client pixels (the left edge
// and the top of the line). False for a window that is no edit control.
bool EditCaretPos(HWND edit, POINT* clientPoint);

}  // namespace platform::ui::controls
