#include "setup/settings_page.h"

#include "platform/wstring.h"
#include "res/resource_ids.h"
#include "setup/settings_sheet.h"

DEFINE_MESSAGE_MAP(CSettingsPage, CPropertyPage,
                   {
                       ON_MESSAGE(PSM_QUERYSIBLINGS, OnQuerySiblings),
                       ON_BN_CLICKED(IDC_PAGE_ACCEPT, OnAccept),
                       ON_BN_CLICKED(IDC_PAGE_DEFAULT, OnDefault),
                   })

CSettingsSheet* CSettingsPage::Sheet() const {
  return static_cast<CSettingsSheet*>(GetSheet());
}

BOOL CSettingsPage::OnApply() {
  if (Sheet() != nullptr && Sheet()->m_bAcceptChanges) ApplyChanges();
  return CPropertyPage::OnApply();
}

void CSettingsPage::OnOK() {
  if (Sheet() != nullptr) Sheet()->m_bEndRequested = 1;
  CPropertyPage::OnOK();
}

void CSettingsPage::OnCancel() {
  if (Sheet() != nullptr) Sheet()->m_bEndRequested = 1;
  CPropertyPage::OnCancel();
}

LRESULT CSettingsPage::OnQuerySiblings(WPARAM code, LPARAM) {
  return code == kQueryModified && IsModified() ? 1 : 0;
}

DWORD LeadingNumber(const std::u16string& text) {
  DWORD value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    // A number too long for 32 bits stands as the largest one.
    if (value > (0xFFFFFFFFu - 9) / 10) return 0xFFFFFFFFu;
    value = value * 10 + static_cast<DWORD>(c - u'0');
  }
  return value;
}

std::u16string DecimalText(DWORD value) {
  WCHAR text[16] = {};
  wsprintf(text, 16, u"%u", value);
  return text;
}
