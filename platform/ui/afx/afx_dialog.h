// CDialog: a modal dialog made from a template of the resource module.
//
//   class CMyDlg : public CDialog {
//    public:
//     CMyDlg() : CDialog(IDD_MY) {}
//    protected:
//     void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_NAME, m_strName); }
//     BOOL OnInitDialog() override;  // base first: it writes the controls
//     void OnOK() override;          // base: read the controls, then EndDialog(IDOK)
//     std::u16string m_strName;
//   };
//   if (CMyDlg().DoModal() == IDOK) ...
#pragma once

#include <memory>
#include <string>

#include "platform/resources.h"
#include "platform/ui/afx/afx_wnd.h"

class CDataExchange;
class CCommandBar;

class CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  // A template in memory instead of the resource module's (kept by the
  // caller for the dialog's lifetime).
  explicit CDialog(const DialogTemplate* dialogTemplate, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally from the template of AfxGetResourceHandle().
  // Returns the EndDialog value (IDOK 1, IDCANCEL 2, ...), IDCANCEL when
  // the dialog went away without EndDialog, -1 when the template is missing.
  virtual INT_PTR DoModal();
  // Modeless creation (property pages use it), hidden unless the template
  // says WS_VISIBLE.
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  BOOL CreateIndirect(const DialogTemplate* dialogTemplate, CWnd* parent = nullptr);

  // Ends the modal run with `result` once the current message is handled.
  void EndDialog(int result);

  // TRUE: read the controls into the fields and validate; FALSE: write the
  // fields into the controls. FALSE when validation failed (the message has
  // been shown and the focus is on the offending control).
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Focus moves of the dialog's keyboard interface (WM_NEXTDLGCTL).
  void NextDlgCtl() const;
  void PrevDlgCtl() const;
  void GotoDlgCtl(CWnd* control);

  void SetDefID(UINT id);
  DWORD GetDefID() const;

  // Called when the window exists, before it is shown. Base: writes the
  // controls (UpdateData(FALSE)) and, for a top-level dialog with a caption
  // when m_bFullScreenSizing is set, makes it full screen with the Done
  // button and adds the placeholder command bar (AFX_IDW_COMMANDBAR).
  // TRUE lets the system give the focus to the first tab stop.
  virtual BOOL OnInitDialog();
  // Enter / IDOK. Base: UpdateData(TRUE), and if that succeeds EndDialog(IDOK).
  virtual void OnOK();
  // Escape / IDCANCEL / WM_CLOSE. Base: EndDialog(IDCANCEL).
  virtual void OnCancel();

  BOOL PreTranslateMessage(MSG* msg) override;

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  const DialogTemplate* m_lpDialogTemplate = nullptr;
  CWnd* m_pParentWnd = nullptr;

 protected:
  // Exchanges the fields with the controls (DDX_... and DDV_... calls).
  virtual void DoDataExchange(CDataExchange* pDX);

  // The library's own full-screen sizing of top-level dialogs; a dialog
  // that arranges the screen itself switches it off before OnInitDialog.
  BOOL m_bFullScreenSizing = TRUE;

  DECLARE_MESSAGE_MAP()

 private:
  void OnOkCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
  LRESULT OnInitDialogMessage(WPARAM wParam, LPARAM lParam);

  std::unique_ptr<CCommandBar> m_pPlaceholderBar;
};
