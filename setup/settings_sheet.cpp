#include "setup/settings_sheet.h"

#include <new>

DEFINE_MESSAGE_MAP(CSettingsSheet, CPropertySheet,
                   {
                       ON_MESSAGE(WM_HELP, OnHelpRequest),
                   })

CSettingsSheet::CSettingsSheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CPropertySheet(captionId, parent, selectPage) {
  AddPage(&m_generalPage);
  AddPage(&m_logonPage);
  AddPage(&m_ownerPage);
  AddPage(&m_advancedPage);
}

CSettingsSheet::~CSettingsSheet() {
  m_pCommandBar.reset();
}

BOOL CSettingsSheet::ContinueModal() {
  return CPropertySheet::ContinueModal() && !m_bEndRequested;
}

BOOL CSettingsSheet::OnInitDialog() {
  const BOOL result = CPropertySheet::OnInitDialog();
  // Without memory for the bar the sheet works without it.
  m_pCommandBar.reset(new (std::nothrow) CCommandBar);
  if (m_pCommandBar != nullptr &&
      !m_pCommandBar->CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_BOTTOM,
                               RECT{0, 0, 0, 0}, AFX_IDW_COMMANDBAR)) {
    m_pCommandBar.reset();
  }
  return result;
}

LRESULT CSettingsSheet::OnHelpRequest(WPARAM, LPARAM) {
  PressButton(static_cast<int>(PSBTN_HELP));
  return TRUE;
}
