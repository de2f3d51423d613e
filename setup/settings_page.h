// What the four pages of the settings sheet have in common: Accept and
// Default buttons, the answer to the sheet's "modified?" query (code 999),
// storing on the sheet's accepted close, and ending the sheet on OK or
// Cancel.
#pragma once

#include "platform/ui/afx/afx.h"

class CSettingsSheet;

// The query code the pages answer with IsModified.
inline constexpr WPARAM kQueryModified = 999;

class CSettingsPage : public CPropertyPage {
 public:
  explicit CSettingsPage(UINT templateId) : CPropertyPage(templateId) {}

  // Accept: the page's values into the settings, their effects, the save.
  virtual void ApplyChanges() = 0;
  // Default: the page shows the defaults; nothing is stored.
  virtual void LoadDefaults() = 0;
  // True when the page shows something other than what is stored.
  virtual bool IsModified() = 0;

 protected:
  CSettingsSheet* Sheet() const;

  // The sheet's OK: the page stores when the user accepted the changes.
  BOOL OnApply() override;
  void OnOK() override;
  void OnCancel() override;

  LRESULT OnQuerySiblings(WPARAM code, LPARAM);
  void OnAccept() { ApplyChanges(); }
  void OnDefault() { LoadDefaults(); }

  DECLARE_MESSAGE_MAP()
};

// Leading decimal digits of `text` as a number ("12x" 12, "" and "x" 0).
DWORD LeadingNumber(const std::u16string& text);
// `value` as decimal text.
std::u16string DecimalText(DWORD value);
