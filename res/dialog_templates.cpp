#include "res/dialog_templates.h"

#include <iterator>

#include "platform/ui/messages.h"
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
    Dialog(IDD_PASSWORD_LOGON, kPopup, 162, 110, nullptr, kTahoma, kPasswordLogonItems),
    Dialog(IDD_DELAY, kModalFrameCentred, 154, 34, nullptr, kMsSansSerif, kDelayItems),
    Dialog(IDD_INSTALL_WIZARD, kCaptioned, 162, 154, u"Welcome", kTahoma, kInstallWizardItems),
    Dialog(IDD_CURRENT_PASSWORD, kBorderedCentred, 144, 59, nullptr, kMsSansSerif,
           kCurrentPasswordItems),
    Dialog(IDD_SIGNATURE, kPopup, 162, 162, nullptr, kTahoma, kSignatureItems),
};

const std::size_t kDialogTemplateCount = std::size(kDialogTemplates);
