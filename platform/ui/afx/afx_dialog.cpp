#include "platform/ui/afx/afx_dialog.h"

#include "platform/ui/afx/afx_controls.h"
#include "platform/ui/afx/afx_ddx.h"
#include "platform/ui/afx/afx_internal.h"
#include "platform/ui/shell/shell.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

DEFINE_MESSAGE_MAP(CDialog, CWnd,
                   {
                       afx::On<WM_INITDIALOG, &ThisClass::OnInitDialogMessage>(),
                       afx::OnCommand<IDOK, &ThisClass::OnOkCommand>(),
                       afx::OnCommand<IDCANCEL, &ThisClass::OnCancelCommand>(),
                   })

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_nIDHelp(templateId), m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::CDialog(const DialogTemplate* dialogTemplate, CWnd* parent)
    : m_lpDialogTemplate(dialogTemplate), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
  HINSTANCE resources = AfxGetResourceHandle();
  const DialogTemplate* dialogTemplate =
      m_lpDialogTemplate ? m_lpDialogTemplate : ::FindDialogTemplate(resources, m_nIDTemplate);
  if (!dialogTemplate) return -1;
  return RunModalDialog(resources, *dialogTemplate, m_pParentWnd);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDTemplate = templateId;
  if (m_nIDHelp == 0) m_nIDHelp = templateId;
  return CreateIndirect(::FindDialogTemplate(AfxGetResourceHandle(), templateId), parent);
}

BOOL CDialog::CreateIndirect(const DialogTemplate* dialogTemplate, CWnd* parent) {
  if (!dialogTemplate || m_hWnd) return FALSE;
  if (parent) m_pParentWnd = parent;
  HWND window = nullptr;
  {
    CWndCreation creation(this);
    window = ::CreateDialogIndirectParam(AfxGetResourceHandle(), dialogTemplate,
                                         parent ? parent->m_hWnd : nullptr, &AfxDlgProc,
                                         reinterpret_cast<LPARAM>(this));
    creation.Complete(window);
  }
  return window && m_hWnd == window ? TRUE : FALSE;
}

void CDialog::EndDialog(int result) {
  EndModalLoop(result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (!m_hWnd) return FALSE;
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return exchange.Failed() ? FALSE : TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::NextDlgCtl() const {
  SendMessage(WM_NEXTDLGCTL, 0, FALSE);
}

void CDialog::PrevDlgCtl() const {
  SendMessage(WM_NEXTDLGCTL, 1, FALSE);
}

void CDialog::GotoDlgCtl(CWnd* control) {
  if (control && control->m_hWnd) {
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->m_hWnd), TRUE);
  }
}

void CDialog::SetDefID(UINT id) {
  SendMessage(DM_SETDEFID, id, 0);
}

DWORD CDialog::GetDefID() const {
  return static_cast<DWORD>(SendMessage(DM_GETDEFID, 0, 0));
}

LRESULT CDialog::OnInitDialogMessage(WPARAM, LPARAM) {
  return OnInitDialog();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  const DWORD style = GetStyle();
  if (m_bFullScreenSizing && !(style & WS_CHILD) && (style & WS_CAPTION) == WS_CAPTION) {
    // The handheld's dialogs fill the screen under the title bar, with the
    // Done button, and keep an empty command bar for the input-panel button.
    SHINITDLGINFO info{SHIDIM_FLAGS, m_hWnd, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
    ::SHInitDialog(&info);
    auto bar = std::make_unique<CCommandBar>();
    if (bar->CreateEx(this)) m_pPlaceholderBar = std::move(bar);
  }
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  return m_hWnd && ::IsDialogMessage(m_hWnd, msg) ? TRUE : FALSE;
}
