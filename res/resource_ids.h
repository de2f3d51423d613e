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

// Settings sheet: the frame and the four pages (tab order General, Logon,
// Owner Information, Advanced).
inline constexpr UINT IDR_MAINFRAME = 500;      // applet frame: title string and icon 500
inline constexpr UINT IDD_GENERAL_PAGE = 649;   // "General"
inline constexpr UINT IDD_LOGON_PAGE = 653;     // "Logon"
inline constexpr UINT IDD_OWNER_PAGE = 655;     // "Owner Information"
inline constexpr UINT IDD_ADVANCED_PAGE = 657;  // "Advanced"
// Symbol pad, change-password and unblock dialogs.
inline constexpr UINT IDD_SYMBOL_PAD = 522;       // ten picture keys, verification or setting
inline constexpr UINT IDD_CHANGE_PASSWORD = 626;  // new master or user password, typed twice
inline constexpr UINT IDD_UNBLOCK = 785;          // master password, then the new secret

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

// Buttons every settings page has.
inline constexpr int IDC_PAGE_ACCEPT = 711;   // default button "Accept": ApplyChanges
inline constexpr int IDC_PAGE_DEFAULT = 710;  // "Default": LoadDefaults

// Frames, icons and labels of the pages (decoration; 713 and 731 are an
// icon on two pages each).
inline constexpr int IDC_PAGE_ICON = 713;
inline constexpr int IDC_PAGE_ICON2 = 731;
inline constexpr int IDC_SECURE_DEVICE_FRAME = 712;
inline constexpr int IDC_MINUTES_LABEL = 723;
inline constexpr int IDC_PROGRAM_SETTINGS_FRAME = 730;
inline constexpr int IDC_LOGON_METHODS_FRAME = 735;
inline constexpr int IDC_LOGON_METHODS_ICON = 742;
inline constexpr int IDC_LOGON_SETTINGS_FRAME = 737;
inline constexpr int IDC_LOGON_SETTINGS_ICON = 740;
inline constexpr int IDC_OWNER_FRAME = 749;
inline constexpr int IDC_OWNER_ICON = 750;
inline constexpr int IDC_MASTER_PASSWORD_FRAME = 764;
inline constexpr int IDC_FALSE_LOGON_FRAME = 767;

// Controls of the General page (649).
inline constexpr int IDC_POWER_ON_LOGON = 669;    // check "at Power ON"
inline constexpr int IDC_ACTIVESYNC_LOGON = 716;  // check "at ActiveSync connection"
inline constexpr int IDC_DELAY_ENABLE = 720;      // check "after"
inline constexpr int IDC_DELAY_MINUTES = 705;     // drop-down combo "1".."60"
inline constexpr int IDC_SHOW_ICON = 695;         // check "Show command bar icon"

// Controls of the Logon page (653).
inline constexpr int IDC_METHOD_PASSWORD = 671;   // radio, method 0 (group start)
inline constexpr int IDC_METHOD_SIGNATURE = 673;  // radio, method 2
inline constexpr int IDC_METHOD_SYMBOLS = 675;    // radio, method 1
inline constexpr int IDC_CHANGE_SECRET = 681;     // "Change Password", label set by method
inline constexpr int IDC_RANDOM_ORDER = 704;      // check "Use random symbol order"

// Controls of the Owner Information page (655).
inline constexpr int IDC_SHOW_OWNER_INFO = 776;  // check "Show owner info at logon"
inline constexpr int IDC_OWNER_SYSTEM = 752;     // radio "System owner information"
inline constexpr int IDC_OWNER_CUSTOM = 760;     // radio "Custom information"
inline constexpr int IDC_OWNER_PHONE = 756;      // radio "Phone-Nr."
inline constexpr int IDC_OWNER_EMAIL = 758;      // radio "E-Mail"
inline constexpr int IDC_WELCOME_TEXT1 = 762;    // edit, first custom line (40 characters)
inline constexpr int IDC_WELCOME_TEXT2 = 765;    // edit, second custom line (40 characters)

// Controls of the Advanced page (657).
inline constexpr int IDC_CHANGE_MASTER = 697;  // "Change Master Password"
inline constexpr int IDC_LIMIT_ENABLE = 769;   // check "False logon limit"
inline constexpr int IDC_LIMIT_VALUE = 708;    // drop-down combo "1".."10"
inline constexpr int IDC_SOUND_ALARM = 693;    // radio "Sound alarm" (group start)
inline constexpr int IDC_HARD_RESET = 694;     // radio "Hard reset"
inline constexpr int IDC_ALARM_FILE = 772;     // edit: the alarm wave file
inline constexpr int IDC_BROWSE_ALARM = 773;   // "...": open-file dialog
inline constexpr int IDC_TEST_ALARM = 736;     // owner-drawn: play (787) / stop (788)
// Controls of the symbol pad (522). Picture key k (0..9) is IDC_SYMBOL_KEY0 + k;
// its window text is the number of the symbol it shows.
inline constexpr int IDC_SYMBOL_SWITCH = 501;  // X: the other symbol set
inline constexpr int IDC_SYMBOL_KEY0 = 503;
inline constexpr int IDC_SYMBOL_CE = 513;       // delete the last symbol
inline constexpr int IDC_SYMBOL_CL = 514;       // clear the entry
inline constexpr int IDC_SYMBOL_DISPLAY = 572;  // one "*" per symbol
inline constexpr int IDC_SYMBOL_OWNER1 = 573;
inline constexpr int IDC_SYMBOL_OWNER2 = 574;
inline constexpr int IDC_SYMBOL_HEADING = 576;
inline constexpr int IDC_SYMBOL_PROMPT = 578;
inline constexpr int IDC_SYMBOL_PAD_BUTTON = 743;  // "Help" in verification, "Cancel" in setting
inline constexpr int IDC_SYMBOL_FRAME = 751;       // group box of heading and prompt
inline constexpr int IDC_SYMBOL_ICON = 753;
inline constexpr int IDC_SYMBOL_DISPLAY_FRAME = 755;

// Controls of the change-password dialog (626); it also uses IDC_CURRENT_PASSWORD,
// IDC_NEW_PASSWORD and IDC_CONFIRM_PASSWORD.
inline constexpr int IDC_CHANGE_FRAME = 709;  // group box, retitled at start

// Controls of the unblock dialog (785); its info box is IDC_WIZARD_INFO.
inline constexpr int IDC_MASTER_ENTRY = 727;  // masked master password
inline constexpr int IDC_UNBLOCK_OK = 729;    // check the master password and unblock

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
// 32 x 32 each, ten pictures per set. 560 is unused.
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
