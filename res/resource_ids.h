// Names for the module's dialog templates (IDD_), their controls (IDC_),
// bitmaps (IDB_) and icons (IDI_). String ids are in res/string_ids.h.
// Control ids are only unique within their dialog; a name is shared when
// several dialogs use one id for the same role.
#pragma once

#include "platform/windef.h"

// Dialog templates (res/dialog_templates.cpp).
inline constexpr UINT IDD_PASSWORD_LOGON = 628;    // password logon dialog
inline constexpr UINT IDD_DELAY = 634;             // false-logon delay, no buttons
inline constexpr UINT IDD_INSTALL_WIZARD = 778;    // "Welcome": master and user password pages
inline constexpr UINT IDD_CURRENT_PASSWORD = 786;  // prompt for the current password
inline constexpr UINT IDD_SIGNATURE = 1000;        // signature enrollment and logon

// Controls of the delay dialog (634).
inline constexpr int IDC_DELAY_TEXT = 688;      // static: "Next attempt delayed" or the message
inline constexpr int IDC_DELAY_PROGRESS = 689;  // smooth progress bar

// Controls of the password logon dialog (628).
inline constexpr int IDC_OWNER_TEXT = 721;      // static: the two owner lines
inline constexpr int IDC_PASSWORD_ENTRY = 679;  // masked entry field
inline constexpr int IDC_HELP_BUTTON = 724;     // "Help": the unblock dialog
inline constexpr int IDC_LOGO = 747;            // static bitmap IDB_LOGO

// Controls of the installation wizard (778).
inline constexpr int IDC_WIZARD_INFO = 719;       // multi-line information box
inline constexpr int IDC_NEW_LABEL = 732;         // label of the new password
inline constexpr int IDC_NEW_PASSWORD = 684;      // masked: new password
inline constexpr int IDC_CONFIRM_LABEL = 734;     // label of the confirmation
inline constexpr int IDC_CONFIRM_PASSWORD = 685;  // masked: the new password again
inline constexpr int IDC_WIZARD_NEXT = 717;       // "Next >>", later "Finish!"

// Controls of the current-password prompt (786).
inline constexpr int IDC_CURRENT_FRAME = 738;     // group box, retitled at start
inline constexpr int IDC_CURRENT_PASSWORD = 777;  // masked entry field

// Controls of the signature dialog (1000); the owner text is IDC_OWNER_TEXT,
// the logo IDC_LOGO.
inline constexpr int IDC_SIGNATURE_PAD = 2000;    // the signature pad control (CPanel)
inline constexpr int IDC_SIGNATURE_NEXT = 2002;   // "Next" / "Validate"
inline constexpr int IDC_SIGNATURE_HELP = 2003;   // "Cancel" / "Help"
inline constexpr int IDC_ENROLL_FRAME = 2004;     // group box, enrollment only
inline constexpr int IDC_ENROLL_PROMPT = 2005;    // the prompt, enrollment only
inline constexpr int IDC_ENROLL_ICON = 2007;      // icon IDI_PASSWORD, enrollment only
inline constexpr int IDC_SIGNATURE_CLEAR = 2008;  // owner-drawn "Clear", bitmap IDB_SIGNATURE_CLEAR
// The class the template names the pad by: the signature component's class id.
inline constexpr WCHAR kSignaturePadClassId[] = u"{5281D351-DC25-4153-8A45-79705258FF18}";

// Bitmaps (drawn by res/artwork, 24 bits per pixel unless noted).
inline constexpr UINT IDB_KEY_BACKSPACE = 548;  // symbol pad CE: delete the last symbol, 32 x 28
inline constexpr UINT IDB_KEY_CLEAR = 549;      // symbol pad CL: clear the entry, 32 x 28
// Symbol n (0..9) of set 0 is IDB_SYMBOL_SET0 + n, of set 1 IDB_SYMBOL_SET1 + n;
// 32 x 32 each. Set 0 shows the digits, set 1 ten pictures. 560 is unused.
inline constexpr UINT IDB_SYMBOL_SET0 = 550;
inline constexpr UINT IDB_SYMBOL_SET1 = 561;
inline constexpr UINT IDB_ALARM_PLAY = 787;  // Advanced page test button, 20 x 20
inline constexpr UINT IDB_ALARM_STOP = 788;  // the same button while playing, 20 x 20
inline constexpr UINT IDB_SWITCH_SET = 789;  // symbol pad X: switch the symbol set, 24 x 24
// Logon banners, 227 x 60, 8 bits per pixel: IDB_BANNER_PASSWORD + m_nBanner.
inline constexpr UINT IDB_BANNER_PASSWORD = 790;   // keyboard motif
inline constexpr UINT IDB_BANNER_SYMBOLS = 791;    // picture-symbol motif
inline constexpr UINT IDB_BANNER_SIGNATURE = 792;  // pen motif
inline constexpr UINT IDB_LOGO = 794;              // maker's logo, 72 x 22
inline constexpr UINT IDB_SIGNATURE_CLEAR = 2009;  // signature pad "Clear" button, 54 x 14

// Icons (32 x 32, 0xAARRGGBB).
inline constexpr UINT IDI_APPLET = 500;            // the product: applet and frame icon
inline constexpr UINT IDI_PROGRAM_SETTINGS = 632;  // gear: program and logon settings
inline constexpr UINT IDI_DELAY = 636;             // hourglass: false-logon delay
inline constexpr UINT IDI_OWNER = 659;             // contact card: owner information
inline constexpr UINT IDI_PASSWORD = 661;          // key: passwords, unblock, enrollment
inline constexpr UINT IDI_FALSE_LOGON = 663;       // alarm bell: false-logon limit
inline constexpr UINT IDI_SECURE_DEVICE = 665;     // padlock: when the device is secured
inline constexpr UINT IDI_LOGON_METHODS = 667;     // keypad and stylus: the logon methods
inline constexpr UINT IDI_WIZARD = 795;            // wand: installation wizard
