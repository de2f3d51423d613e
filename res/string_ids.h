// Names for the ids of the module's string table (res/string_table.cpp).
// Each id is loaded with LoadString from g_hResourceModule
// (res/resource_module.h); the comment says where the text is shown.
#pragma once

#include "platform/windef.h"

// Applet and frame.
inline constexpr UINT IDS_FRAME_TITLE = 500;  // title of the applet frame (frame resource 500)
inline constexpr UINT IDS_APPLET_NAME = 586;  // CPL_INQUIRE / CPL_NEWINQUIRE name (32 chars)
inline constexpr UINT IDS_APPLET_INFO = 587;  // CPL_INQUIRE / CPL_NEWINQUIRE info (64 chars)
inline constexpr UINT IDS_UNKNOWN_LOGON_METHOD = 602;  // logon session: method code not 0..2
inline constexpr UINT IDS_UNSCRAMBLE_FAILED = 2011;    // settings launch: unscrambling failed

// Error reporter and settings model.
inline constexpr UINT IDS_SAVE_FAILED = 600;    // any SaveSettings failure
inline constexpr UINT IDS_GENERAL_ERROR = 606;  // "%d" error box: credential store, alarm start
inline constexpr UINT IDS_ERROR_CAPTION = 650;  // caption of every ShowError box

// False-logon delay dialog texts.
inline constexpr UINT IDS_DELAY_PENDING = 604;       // delay owed from before a power cycle
inline constexpr UINT IDS_DELAY_NEXT_ATTEMPT = 605;  // delay after a rejected entry

// Wrong-entry texts (ReportFalseLogon).
inline constexpr UINT IDS_WRONG_USER_PASSWORD = 590;    // password dialog, wizard, change dialog
inline constexpr UINT IDS_SIGNATURE_REJECTED = 592;     // signature verification
inline constexpr UINT IDS_WRONG_MASTER_PASSWORD = 631;  // unblock, uninstall, change dialog
inline constexpr UINT IDS_WRONG_SYMBOL_PASSWORD = 652;  // symbol pad verification

// OS password integration failures (wizard, General page, uninstall).
inline constexpr UINT IDS_PASSWORD_NOT_SET = 588;          // ChangeOsPassword refused
inline constexpr UINT IDS_LOGON_HOOK_FAILED = 597;         // WritePasswordRedirect failed
inline constexpr UINT IDS_ACTIVESYNC_SWITCH_FAILED = 598;  // SetOsPasswordActive failed
inline constexpr UINT IDS_POWER_ON_SWITCH_FAILED = 599;    // WritePowerOnLogon failed
inline constexpr UINT IDS_PASSWORD_RESET_FAILED = 635;     // uninstall: password not removed

// Symbol pad.
inline constexpr UINT IDS_SYMBOL_PROMPT_ENTER = 575;  // prompt, first entry
inline constexpr UINT IDS_SYMBOL_PROMPT_AGAIN = 577;  // prompt, confirmation
inline constexpr UINT IDS_SYMBOL_HEADING = 579;       // heading in the setting use
inline constexpr UINT IDS_SYMBOL_MISMATCH = 580;      // the two entries differ
inline constexpr UINT IDS_SYMBOL_PAD_HELP = 678;      // button 743 in verification
inline constexpr UINT IDS_SYMBOL_PAD_CANCEL = 680;    // button 743 in the setting use

// Signature dialog.
inline constexpr UINT IDS_SIGNATURE_NEXT = 796;               // button 2002 in enrollment
inline constexpr UINT IDS_SIGNATURE_VALIDATE = 797;           // button 2002 in verification
inline constexpr UINT IDS_SIGNATURE_INCONSISTENT = 799;       // "%d": sample number, 1-based
inline constexpr UINT IDS_SIGNATURE_CANCEL = 800;             // button 2003 in enrollment
inline constexpr UINT IDS_SIGNATURE_HELP = 801;               // button 2003 in verification
inline constexpr UINT IDS_ENROLLMENT_INCOMPLETE = 802;        // Enter before enrollment is done
inline constexpr UINT IDS_ENROLL_PROMPT = 803;                // "%d": next sample number
inline constexpr UINT IDS_SIGNATURE_COMPONENT_FAILED = 2013;  // pad or engine can't be created

// Logon page.
inline constexpr UINT IDS_ENROLL_SIGNATURE_BUTTON = 593;        // button 681, method 2
inline constexpr UINT IDS_CHANGE_USER_PASSWORD_BUTTON = 594;    // button 681, method 0
inline constexpr UINT IDS_CHANGE_SYMBOL_PASSWORD_BUTTON = 595;  // button 681, method 1
inline constexpr UINT IDS_ENROLL_SIGNATURE_NOW = 623;  // Accept: signature chosen, none enrolled
inline constexpr UINT IDS_CREATE_SYMBOL_PASSWORD_NOW = 625;  // Accept: symbols chosen, none set

// Change-password dialog.
inline constexpr UINT IDS_CHANGE_MASTER_PASSWORD_TITLE = 607;  // caption and group box, mode 1
inline constexpr UINT IDS_CHANGE_USER_PASSWORD_TITLE = 608;    // caption and group box, mode 2

// Settings sheet and Advanced page.
inline constexpr UINT IDS_SETTINGS_CAPTION = 609;         // sheet caption, window found by title
inline constexpr UINT IDS_ACCEPT_CHANGES_QUESTION = 622;  // closing the sheet with changes
inline constexpr UINT IDS_WAVE_FILE_FILTER = 654;         // open-file dialog filter
inline constexpr UINT IDS_FILE_NOT_FOUND = 656;           // alarm file field left with a bad path
inline constexpr UINT IDS_ALARM_PLAY_FAILED = 2012;       // test playback could not start

// Unblock dialog info text, by LogonMethod.
inline constexpr UINT IDS_UNBLOCK_INFO_PASSWORD = 672;
inline constexpr UINT IDS_UNBLOCK_INFO_SYMBOLS = 674;
inline constexpr UINT IDS_UNBLOCK_INFO_SIGNATURE = 676;

// Installation wizard and current-password prompt.
inline constexpr UINT IDS_WIZARD_MASTER_INFO = 618;             // page 1 information box
inline constexpr UINT IDS_WIZARD_USER_INFO = 620;               // page 2 information box
inline constexpr UINT IDS_INSTALL_COMPLETE = 627;               // wizard completed
inline constexpr UINT IDS_WIZARD_FINISH = 629;                  // button 717 on page 2
inline constexpr UINT IDS_CURRENT_USER_PASSWORD = 637;          // prompt group box 738
inline constexpr UINT IDS_CURRENT_MASTER_PASSWORD = 639;        // prompt group box 738
inline constexpr UINT IDS_NEW_MASTER_PASSWORD_LABEL = 642;      // label 732, page 1
inline constexpr UINT IDS_CONFIRM_MASTER_PASSWORD_LABEL = 644;  // label 734, page 1
inline constexpr UINT IDS_NEW_USER_PASSWORD_LABEL = 646;        // label 732, page 2
inline constexpr UINT IDS_CONFIRM_USER_PASSWORD_LABEL = 648;    // label 734, page 2
inline constexpr UINT IDS_INSTALL_ABORTED = 658;                // wizard ended any other way
