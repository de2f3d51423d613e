// The settings property sheet (caption 609 "Settings"): the pages General,
// Logon, Owner Information and Advanced, in this tab order, above an empty
// command bar.
#pragma once

#include <memory>

#include "entry/advanced_page.h"
#include "logonui/logon_page.h"
#include "platform/ui/afx/afx.h"
#include "setup/general_page.h"
#include "setup/owner_page.h"

class CSettingsSheet : public CPropertySheet {
 public:
  CSettingsSheet(UINT captionId, CWnd* parent, UINT selectPage);
  ~CSettingsSheet() override;

  CLogonPage m_logonPage;
  CGeneralPage m_generalPage;
  COwnerPage m_ownerPage;
  CAdvancedPage m_advancedPage;
  // The user answered Yes to "Do you want to accept the changes?".
  int m_bAcceptChanges = 0;
  // A page has seen OK or Cancel: the modal run ends.
  int m_bEndRequested = 0;
  std::unique_ptr<CCommandBar> m_pCommandBar;

  BOOL ContinueModal() override;
  BOOL OnInitDialog() override;

 protected:
  LRESULT OnHelpRequest(WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()
};
