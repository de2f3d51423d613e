// The signature dialog (template 1000): enrollment of a new signature
// (mode 1) and logon by signature (mode 0), on the signature pad control
// and the engine "Panel.Client.1".
#pragma once

#include <string>

#include "logonui/logon_base_dlg.h"
#include "logonui/panel.h"
#include "logonui/panel_client.h"

class CSignatureDlg : public CLogonBaseDlg {
 public:
  explicit CSignatureDlg(CWnd* parent = nullptr);
  ~CSignatureDlg() override;

  // 0 = verification, 1 = enrollment; before the run.
  void SetSignatureMode(int mode) { m_nMode = mode; }
  // The template of an enrollment that ended with OK.
  void GetEnrolledTemplate(std::u16string& text) const;
  // TRUE when the run ended because the pad or the engine could not be
  // created (the user was told); the caller must fall back.
  BOOL ComponentFailed() const { return m_bComponentFailed; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;

  void OnNextButton();
  void OnHelpButton();
  void OnClearButton();
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

  void EnrollmentStep();
  void Verification();
  void FormatPrompt(int number);
  // Runs the unblock dialog; TRUE when it enrolled and stored a new
  // signature.
  BOOL RunUnblock();

  int m_nMode = 0;
  int m_nSampleSlot = -1;
  int m_bVerified = 0;
  int m_bEnrolled = 0;
  int m_nNextSample = 1;
  std::u16string m_strPrompt;
  std::u16string m_strOwnerText;
  std::u16string m_strTemplate;
  CPanel m_pad;
  CPanelClient m_engine;
  HBITMAP m_hClearBitmap = nullptr;
  BOOL m_bComponentFailed = FALSE;

  DECLARE_MESSAGE_MAP()
};
