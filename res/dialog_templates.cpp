#include "res/dialog_templates.h"

#include <iterator>

#include "platform/ui/window/messages.h"
#include "res/resource_ids.h"

// Every template holds its controls in creation (and tab) order, with
// positions in dialog units exactly as the dialog was designed. Each kind
// of control is made by one helper below, so a kind has the same class and
// style bits in every dialog. WS_CHILD | WS_VISIBLE are implied for items.
// To add a dialog: write its item array, then one line in kDialogTemplates,
// keeping that list sorted by id.

namespace {

struct Box {
  short x, y, cx, cy;
};

constexpr DialogItemTemplate Item(int id, LPCWSTR className, DWORD style, DWORD exStyle, Box box,
                                  LPCWSTR text, UINT imageId = 0) {
  return {id, className, style, exStyle, box.x, box.y, box.cx, box.cy, text, imageId};
}

constexpr DialogItemTemplate StaticText(int id, LPCWSTR text, Box box) {
  return Item(id, u"STATIC", SS_LEFT, 0, box, text);
}
constexpr DialogItemTemplate StaticIcon(int id, UINT icon, Box box) {
  return Item(id, u"STATIC", SS_ICON, 0, box, nullptr, icon);
}
constexpr DialogItemTemplate StaticBitmap(int id, UINT bitmap, Box box) {
  return Item(id, u"STATIC", SS_BITMAP, 0, box, nullptr, bitmap);
}
constexpr DialogItemTemplate GroupBox(int id, LPCWSTR text, Box box) {
  return Item(id, u"BUTTON", BS_GROUPBOX, 0, box, text);
}
constexpr DialogItemTemplate PushButton(int id, LPCWSTR text, Box box) {
  return Item(id, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, box, text);
}
constexpr DialogItemTemplate DefaultButton(int id, LPCWSTR text, Box box) {
  return Item(id, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, box, text);
}
// `options`: any of ES_PASSWORD (masked), ES_AUTOHSCROLL (auto-scrolling).
// A single-line field always has its border, as edit fields of dialog
// resources do by default: without it a field is invisible on a white
// dialog, and no design asks for a frameless one.
constexpr DialogItemTemplate Edit(int id, DWORD options, Box box) {
  return Item(id, u"EDIT", options | WS_BORDER | WS_TABSTOP, 0, box, nullptr);
}
// Not read-only where the owner puts its own text back after each change.
constexpr DialogItemTemplate MultiLineEdit(int id, DWORD options, DWORD exStyle, Box box) {
  return Item(id, u"EDIT", ES_MULTILINE | options, exStyle, box, nullptr);
}
// Settings pages: check boxes, radio buttons (a group starts at WS_GROUP),
// drop-down lists that also take typed text, and the owner-drawn test
// button of the Advanced page.
constexpr DialogItemTemplate CheckBox(int id, LPCWSTR text, Box box, DWORD extra = 0) {
  return Item(id, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | extra, 0, box, text);
}
constexpr DialogItemTemplate Radio(int id, LPCWSTR text, Box box, DWORD extra = 0) {
  return Item(id, u"BUTTON", BS_AUTORADIOBUTTON | extra, 0, box, text);
}
constexpr DialogItemTemplate DropDown(int id, Box box) {
  return Item(id, u"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 0, box, nullptr);
}
constexpr DialogItemTemplate OwnerDrawnButton(int id, Box box) {
  return Item(id, u"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0, box, nullptr);
}
// The picture and function keys of the symbol pad: the dialog draws their
// bitmaps itself. No tab stop: the pad is worked with the stylus.
constexpr DialogItemTemplate PadKey(int id, LPCWSTR text, Box box) {
  return Item(id, u"BUTTON", BS_OWNERDRAW, 0, box, text);
}
constexpr DialogItemTemplate SmoothProgress(int id, Box box) {
  return Item(id, u"msctls_progress32", PBS_SMOOTH | WS_BORDER, 0, box, nullptr);
}

// Dialog styles by how a dialog presents itself. Every template names its
// font, so DS_SETFONT is always set.
constexpr DWORD kPopup = WS_POPUP | DS_SETFONT;
constexpr DWORD kModalFrameCentred =
    WS_POPUP | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND | DS_SETFONT;
constexpr DWORD kCaptioned = WS_POPUP | WS_CAPTION | DS_SETFONT;
constexpr DWORD kBorderedCentred = WS_POPUP | WS_BORDER | DS_CENTER | DS_SETFOREGROUND | DS_SETFONT;

constexpr LPCWSTR kTahoma = u"Tahoma";
constexpr LPCWSTR kMsSansSerif = u"MS Sans Serif";

template <std::size_t N>
constexpr DialogTemplate Dialog(UINT id, DWORD style, short cx, short cy, LPCWSTR title,
                                LPCWSTR font, const DialogItemTemplate (&items)[N]) {
  return {id, style, 0, 0, 0, cx, cy, title, font, 8, items, N};
}

// Password logon: owner lines, masked entry, OK, Help and the logo.
constexpr DialogItemTemplate kPasswordLogonItems[] = {
    StaticText(IDC_OWNER_TEXT, u"Owner information", {5, 45, 147, 16}),
    Edit(IDC_PASSWORD_ENTRY, ES_PASSWORD | ES_AUTOHSCROLL, {5, 66, 151, 12}),
    DefaultButton(1, u"OK", {5, 85, 46, 14}),
    PushButton(IDC_HELP_BUTTON, u"Help", {59, 85, 46, 14}),
    StaticBitmap(IDC_LOGO, IDB_LOGO, {111, 85, 43, 13}),
};

// False-logon delay: message, progress and an hourglass; it has no buttons.
// The icon's place is given without a size; 20 x 20 is the size of an icon
// in dialog units, as in every other template.
constexpr DialogItemTemplate kDelayItems[] = {
    SmoothProgress(IDC_DELAY_PROGRESS, {30, 14, 118, 14}),
    StaticText(IDC_DELAY_TEXT, u"Next attempt delayed", {30, 3, 120, 8}),
    StaticIcon(IDC_STATIC, IDI_DELAY, {3, 10, 20, 20}),
};

// Installation wizard: one layout for the master and the user password page.
constexpr DialogItemTemplate kInstallWizardItems[] = {
    GroupBox(IDC_STATIC, u"Installation Wizard", {7, 3, 148, 117}),
    StaticIcon(IDC_STATIC, IDI_WIZARD, {13, 14, 20, 20}),
    MultiLineEdit(IDC_WIZARD_INFO, WS_VSCROLL, WS_EX_STATICEDGE, {38, 14, 109, 46}),
    StaticText(IDC_NEW_LABEL, u"New Password:", {38, 64, 110, 8}),
    Edit(IDC_NEW_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {38, 73, 110, 12}),
    StaticText(IDC_CONFIRM_LABEL, u"Confirm New Password:", {38, 91, 109, 8}),
    // Scrolling, like the new password: a confirmation must hold as many
    // characters (32) as the password it repeats, more than the field shows.
    Edit(IDC_CONFIRM_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {38, 100, 110, 12}),
    DefaultButton(IDC_WIZARD_NEXT, u"Next >>", {58, 126, 46, 14}),
    PushButton(2, u"Cancel", {109, 126, 46, 14}),
};

// Current-password prompt of the wizard and the uninstall.
constexpr DialogItemTemplate kCurrentPasswordItems[] = {
    StaticIcon(IDC_STATIC, IDI_PASSWORD, {3, 6, 20, 20}),
    GroupBox(IDC_CURRENT_FRAME, u"Current Password:", {27, 5, 112, 29}),
    // A current password may be longer than the field is wide.
    Edit(IDC_CURRENT_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {34, 15, 100, 12}),
    PushButton(1, u"OK", {55, 38, 40, 14}),
    PushButton(2, u"Cancel", {99, 38, 40, 14}),
};

// Settings sheet pages, 162 x 154 each; every page ends in Accept and Default.
constexpr DialogItemTemplate kGeneralPageItems[] = {
    GroupBox(IDC_SECURE_DEVICE_FRAME, u"Secure Device", {7, 3, 148, 57}),
    StaticIcon(IDC_PAGE_ICON, IDI_SECURE_DEVICE, {12, 16, 20, 20}),
    CheckBox(IDC_POWER_ON_LOGON, u"at Power ON", {38, 15, 101, 10}),
    CheckBox(IDC_ACTIVESYNC_LOGON, u"at ActiveSync connection", {38, 29, 110, 10}),
    CheckBox(IDC_DELAY_ENABLE, u"after", {38, 43, 30, 10}),
    DropDown(IDC_DELAY_MINUTES, {70, 41, 26, 66}),
    StaticText(IDC_MINUTES_LABEL, u"min Power OFF", {99, 43, 50, 10}),
    GroupBox(IDC_PROGRAM_SETTINGS_FRAME, u"Program Settings", {7, 62, 148, 35}),
    StaticIcon(IDC_PAGE_ICON2, IDI_PROGRAM_SETTINGS, {13, 74, 20, 20}),
    CheckBox(IDC_SHOW_ICON, u"Show command bar icon", {38, 77, 110, 10}),
    DefaultButton(IDC_PAGE_ACCEPT, u"Accept", {58, 103, 46, 14}),
    PushButton(IDC_PAGE_DEFAULT, u"Default", {109, 103, 46, 14}),
};

constexpr DialogItemTemplate kLogonPageItems[] = {
    GroupBox(IDC_LOGON_METHODS_FRAME, u"Logon Methods", {7, 3, 148, 72}),
    StaticIcon(IDC_LOGON_METHODS_ICON, IDI_LOGON_METHODS, {13, 16, 20, 20}),
    Radio(IDC_METHOD_PASSWORD, u"Logon with password", {38, 13, 102, 12}, WS_GROUP | WS_TABSTOP),
    Radio(IDC_METHOD_SIGNATURE, u"Logon with signature", {38, 26, 109, 12}),
    Radio(IDC_METHOD_SYMBOLS, u"Logon with symbols", {38, 39, 104, 12}),
    PushButton(IDC_CHANGE_SECRET, u"Change Password", {39, 54, 90, 14}),
    GroupBox(IDC_LOGON_SETTINGS_FRAME, u"Logon Settings", {7, 77, 148, 35}),
    StaticIcon(IDC_LOGON_SETTINGS_ICON, IDI_PROGRAM_SETTINGS, {13, 88, 20, 20}),
    CheckBox(IDC_RANDOM_ORDER, u"Use random symbol order", {38, 90, 110, 12}, WS_GROUP),
    DefaultButton(IDC_PAGE_ACCEPT, u"Accept", {58, 118, 46, 14}),
    PushButton(IDC_PAGE_DEFAULT, u"Default", {109, 118, 46, 14}),
};

constexpr DialogItemTemplate kOwnerPageItems[] = {
    GroupBox(IDC_OWNER_FRAME, u"Owner Information", {7, 3, 148, 100}),
    StaticIcon(IDC_OWNER_ICON, IDI_OWNER, {13, 16, 20, 20}),
    CheckBox(IDC_SHOW_OWNER_INFO, u"Show owner info at logon", {38, 14, 110, 13}),
    Radio(IDC_OWNER_SYSTEM, u"System owner information", {48, 29, 102, 10}, WS_GROUP | WS_TABSTOP),
    Radio(IDC_OWNER_CUSTOM, u"Custom information", {48, 56, 101, 10}),
    Radio(IDC_OWNER_PHONE, u"Phone-Nr.", {63, 40, 44, 12}, WS_GROUP | WS_TABSTOP),
    Radio(IDC_OWNER_EMAIL, u"E-Mail", {112, 41, 33, 11}),
    Edit(IDC_WELCOME_TEXT1, ES_AUTOHSCROLL, {49, 69, 100, 12}),
    Edit(IDC_WELCOME_TEXT2, ES_AUTOHSCROLL, {49, 84, 100, 12}),
    DefaultButton(IDC_PAGE_ACCEPT, u"Accept", {58, 110, 46, 14}),
    PushButton(IDC_PAGE_DEFAULT, u"Default", {109, 110, 46, 14}),
};

// The Advanced page: master password on top, the false-logon limit with its
// action below; the test button sits beside "Sound alarm", the browse
// button beside the file field.
constexpr DialogItemTemplate kAdvancedPageItems[] = {
    GroupBox(IDC_MASTER_PASSWORD_FRAME, u"Master Password", {7, 3, 148, 36}),
    StaticIcon(IDC_PAGE_ICON2, IDI_PASSWORD, {13, 14, 20, 20}),
    PushButton(IDC_CHANGE_MASTER, u"Change Master Password", {38, 17, 110, 14}),
    GroupBox(IDC_FALSE_LOGON_FRAME, u"False Logon", {7, 42, 148, 72}),
    StaticIcon(IDC_PAGE_ICON, IDI_FALSE_LOGON, {13, 54, 20, 20}),
    CheckBox(IDC_LIMIT_ENABLE, u"False logon limit", {38, 54, 72, 10}, WS_GROUP),
    DropDown(IDC_LIMIT_VALUE, {114, 52, 34, 80}),
    Radio(IDC_SOUND_ALARM, u"Sound alarm", {38, 69, 70, 10}, WS_GROUP | WS_TABSTOP),
    OwnerDrawnButton(IDC_TEST_ALARM, {128, 66, 20, 14}),
    Edit(IDC_ALARM_FILE, ES_AUTOHSCROLL, {38, 83, 88, 12}),
    PushButton(IDC_BROWSE_ALARM, u"...", {128, 83, 20, 12}),
    Radio(IDC_HARD_RESET, u"Hard reset", {38, 99, 70, 10}),
    DefaultButton(IDC_PAGE_ACCEPT, u"Accept", {58, 118, 46, 14}),
    PushButton(IDC_PAGE_DEFAULT, u"Default", {109, 118, 46, 14}),
};

// Symbol pad: heading and prompt (setting only), owner lines, the display,
// the set switch, ten picture keys, CE and CL, OK, Help/Cancel and the logo.
constexpr DialogItemTemplate kSymbolPadItems[] = {
    Item(IDC_SYMBOL_FRAME, u"BUTTON", BS_GROUPBOX, 0, {7, 3, 147, 36}, u"Symbol Password"),
    StaticIcon(IDC_SYMBOL_ICON, IDI_PASSWORD, {13, 14, 21, 20}),
    StaticText(IDC_SYMBOL_HEADING, u"Line3", {38, 15, 112, 8}),
    StaticText(IDC_SYMBOL_PROMPT, u"Line4", {38, 24, 111, 8}),
    StaticText(IDC_SYMBOL_OWNER1, u"", {6, 43, 129, 8}),
    StaticText(IDC_SYMBOL_OWNER2, u"", {6, 51, 137, 8}),
    GroupBox(IDC_SYMBOL_DISPLAY_FRAME, u"", {30, 57, 73, 18}),
    StaticText(IDC_SYMBOL_DISPLAY, u"**********", {39, 64, 56, 8}),
    PadKey(IDC_SYMBOL_SWITCH, u"X", {114, 61, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 1, u"1", {30, 81, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 2, u"2", {57, 81, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 3, u"3", {84, 81, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0, u"0", {111, 81, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 4, u"4", {30, 105, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 5, u"5", {57, 105, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 6, u"6", {84, 105, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 7, u"7", {30, 129, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 8, u"8", {57, 129, 19, 19}),
    PadKey(IDC_SYMBOL_KEY0 + 9, u"9", {84, 129, 19, 19}),
    GroupBox(IDC_STATIC, u"", {108, 102, 25, 46}),
    PadKey(IDC_SYMBOL_CE, u"CE", {110, 108, 19, 19}),
    PadKey(IDC_SYMBOL_CL, u"CL", {110, 127, 19, 19}),
    DefaultButton(1, u"OK", {5, 152, 46, 14}),
    PushButton(IDC_SYMBOL_PAD_BUTTON, u"Unblock", {58, 152, 46, 14}),
    StaticBitmap(IDC_STATIC, IDB_LOGO, {111, 151, 48, 14}),
};

// Change password: current, new and confirmation, OK, Cancel and the logo.
constexpr DialogItemTemplate kChangePasswordItems[] = {
    GroupBox(IDC_CHANGE_FRAME, u"User Passwords", {7, 3, 148, 96}),
    StaticIcon(IDC_STATIC, IDI_PASSWORD, {13, 16, 20, 20}),
    StaticText(IDC_STATIC, u"Current Password:", {38, 15, 109, 8}),
    Edit(IDC_CURRENT_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {38, 25, 110, 12}),
    StaticText(IDC_STATIC, u"New Password:", {38, 42, 109, 8}),
    // Scrolling like the current password: 32 characters are wider than
    // the field.
    Edit(IDC_NEW_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {38, 52, 110, 12}),
    StaticText(IDC_STATIC, u"Confirm New Password:", {38, 69, 109, 8}),
    Edit(IDC_CONFIRM_PASSWORD, ES_PASSWORD | ES_AUTOHSCROLL, {38, 80, 110, 12}),
    DefaultButton(1, u"OK", {7, 105, 46, 14}),
    PushButton(2, u"Cancel", {59, 105, 46, 14}),
    StaticBitmap(IDB_LOGO, IDB_LOGO, {111, 105, 48, 14}),
};

// Unblock: the instruction, the master password, OK and Cancel.
constexpr DialogItemTemplate kUnblockItems[] = {
    GroupBox(IDC_STATIC, u"Unblock User Password", {7, 3, 148, 81}),
    StaticIcon(IDC_STATIC, IDI_PASSWORD, {13, 14, 20, 20}),
    MultiLineEdit(IDC_WIZARD_INFO, WS_VSCROLL, WS_EX_STATICEDGE, {38, 13, 110, 37}),
    StaticText(IDC_STATIC, u"Master Password:", {38, 55, 110, 8}),
    Edit(IDC_MASTER_ENTRY, ES_PASSWORD | ES_AUTOHSCROLL, {38, 66, 110, 12}),
    PushButton(IDC_UNBLOCK_OK, u"OK", {59, 91, 46, 14}),
    PushButton(2, u"Cancel", {109, 91, 46, 14}),
};

// Signature enrollment and logon: enrollment frame, icon and prompt, owner
// lines, the pad, "Clear", the two buttons and the logo.
constexpr DialogItemTemplate kSignatureItems[] = {
    GroupBox(IDC_ENROLL_FRAME, u"Enroll Information", {5, 3, 149, 36}),
    StaticIcon(IDC_ENROLL_ICON, IDI_PASSWORD, {13, 14, 20, 20}),
    StaticText(IDC_ENROLL_PROMPT, u"1", {42, 12, 107, 23}),
    StaticText(IDC_OWNER_TEXT, u"Owner information", {7, 45, 147, 16}),
    Item(IDC_SIGNATURE_PAD, kSignaturePadClassId, 0, 0, {7, 64, 147, 62}, nullptr),
    Item(IDC_SIGNATURE_CLEAR, u"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0, {117, 124, 33, 12},
         u"Clear"),
    DefaultButton(IDC_SIGNATURE_NEXT, u"Next", {7, 136, 46, 14}),
    PushButton(IDC_SIGNATURE_HELP, u"Help", {57, 136, 46, 14}),
    StaticBitmap(IDC_LOGO, IDB_LOGO, {108, 136, 48, 14}),
};

}  // namespace

const DialogTemplate kDialogTemplates[] = {
    Dialog(IDD_SYMBOL_PAD, kPopup, 160, 186, nullptr, kTahoma, kSymbolPadItems),
    Dialog(IDD_CHANGE_PASSWORD, kCaptioned, 162, 154, u"Change Password", kTahoma,
           kChangePasswordItems),
    Dialog(IDD_PASSWORD_LOGON, kPopup, 162, 110, nullptr, kTahoma, kPasswordLogonItems),
    Dialog(IDD_DELAY, kModalFrameCentred, 154, 34, nullptr, kMsSansSerif, kDelayItems),
    Dialog(IDD_GENERAL_PAGE, kCaptioned, 162, 154, u"General", kTahoma, kGeneralPageItems),
    Dialog(IDD_LOGON_PAGE, kCaptioned, 162, 154, u"Logon", kTahoma, kLogonPageItems),
    Dialog(IDD_OWNER_PAGE, kCaptioned, 162, 154, u"Owner Information", kTahoma, kOwnerPageItems),
    Dialog(IDD_ADVANCED_PAGE, kCaptioned, 162, 154, u"Advanced", kTahoma, kAdvancedPageItems),
    Dialog(IDD_INSTALL_WIZARD, kCaptioned, 162, 154, u"Welcome", kTahoma, kInstallWizardItems),
    Dialog(IDD_UNBLOCK, kPopup, 162, 118, nullptr, kTahoma, kUnblockItems),
    Dialog(IDD_CURRENT_PASSWORD, kBorderedCentred, 144, 59, nullptr, kMsSansSerif,
           kCurrentPasswordItems),
    Dialog(IDD_SIGNATURE, kPopup, 162, 162, nullptr, kTahoma, kSignatureItems),
};

const std::size_t kDialogTemplateCount = std::size(kDialogTemplates);
