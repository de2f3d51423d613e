#include "logonui/signature_dlg.h"

#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/unblock_dlg.h"
#include "platform/message_box.h"
#include "platform/resources.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "platform/wstring.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/show_error.h"

namespace {

std::u16string LoadText(UINT id) {
  LPCWSTR text = nullptr;
  const int length = LoadString(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::u16string(text, static_cast<std::size_t>(length))
                                       : std::u16string();
}

// Holds a reference and releases it at the end of the scope.
class DispatchRef {
 public:
  explicit DispatchRef(LPDISPATCH dispatch) : m_dispatch(dispatch) {}
  ~DispatchRef() {
    if (m_dispatch != nullptr) m_dispatch->Release();
  }
  DispatchRef(const DispatchRef&) = delete;
  DispatchRef& operator=(const DispatchRef&) = delete;
  LPDISPATCH get() const { return m_dispatch; }

 private:
  LPDISPATCH m_dispatch;
};

}  // namespace

DEFINE_MESSAGE_MAP(CSignatureDlg, CLogonBaseDlg,
                   {
                       ON_BN_CLICKED(IDC_SIGNATURE_NEXT, OnNextButton),
                       ON_BN_CLICKED(IDC_SIGNATURE_HELP, OnHelpButton),
                       ON_BN_CLICKED(IDC_SIGNATURE_CLEAR, OnClearButton),
                       ON_MESSAGE(WM_DRAWITEM, OnDrawItem),
                   })

CSignatureDlg::CSignatureDlg(CWnd* parent) : CLogonBaseDlg(IDD_SIGNATURE, parent) {
  m_bFullScreen = 1;
  m_bUseInputPanel = 0;
  m_nBanner = 2;
  m_bShowBanner = 1;
  m_bYieldForeground = g_bOutsideCaller;
}

CSignatureDlg::~CSignatureDlg() {
  WipeSecret(m_strTemplate);
  if (m_hClearBitmap != nullptr) DeleteObject(m_hClearBitmap);
}

void CSignatureDlg::GetEnrolledTemplate(std::u16string& text) const {
  AssignSecret(text, m_strTemplate);
}

void CSignatureDlg::DoDataExchange(CDataExchange* pDX) {
  CLogonBaseDlg::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SIGNATURE_PAD, m_pad);
  DDX_Text(pDX, IDC_ENROLL_PROMPT, m_strPrompt);
  DDX_Text(pDX, IDC_OWNER_TEXT, m_strOwnerText);
}

BOOL CSignatureDlg::OnInitDialog() {
  const bool enrolling = m_nMode == 1;
  m_bShowBanner = enrolling ? 0 : 1;
  CLogonBaseDlg::OnInitDialog();

  // Without the component nobody can sign here: say so and end, so the
  // caller can offer another way (the logon falls back to the password).
  if (m_pad.m_hWnd == nullptr || !m_engine.Create()) {
    m_bComponentFailed = TRUE;
    ShowError(m_hWnd, IDS_SIGNATURE_COMPONENT_FAILED, 0, MB_ICONHAND);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  m_pad.Clear();

  SetDlgItemText(IDC_SIGNATURE_NEXT,
                 LoadText(enrolling ? IDS_SIGNATURE_NEXT : IDS_SIGNATURE_VALIDATE).c_str());
  SetDlgItemText(IDC_SIGNATURE_HELP,
                 LoadText(enrolling ? IDS_SIGNATURE_CANCEL : IDS_SIGNATURE_HELP).c_str());
  if (enrolling) {
    FormatPrompt(m_nNextSample);
  } else {
    m_engine.SetTemplate(g_strSignature);
  }
  m_strOwnerText = m_strOwnerLine1 + u"\r\n" + m_strOwnerLine2;

  const int show = enrolling ? SW_SHOW : SW_HIDE;
  for (int id : {IDC_ENROLL_FRAME, IDC_ENROLL_PROMPT, IDC_ENROLL_ICON})
    if (CWnd* item = GetDlgItem(id)) item->ShowWindow(show);

  m_hClearBitmap = LoadBitmap(AfxGetResourceHandle(), IDB_SIGNATURE_CLEAR);
  BITMAP size{};
  if (m_hClearBitmap != nullptr &&
      GetObject(reinterpret_cast<HGDIOBJ>(m_hClearBitmap), sizeof size, &size) != 0) {
    if (CWnd* clear = GetDlgItem(IDC_SIGNATURE_CLEAR)) {
      clear->SetWindowPos(nullptr, 0, 0, size.bmWidth, size.bmHeight,
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  UpdateData(FALSE);
  return TRUE;
}

void CSignatureDlg::FormatPrompt(int number) {
  WCHAR text[256] = {};
  wsprintf(text, std::size(text), LoadText(IDS_ENROLL_PROMPT).c_str(), number);
  m_strPrompt = text;
}

void CSignatureDlg::OnNextButton() {
  if (m_nMode == 1) {
    EnrollmentStep();
  } else {
    Verification();
  }
}

void CSignatureDlg::EnrollmentStep() {
  BOOL taken = FALSE;
  {
    DispatchRef signature(m_pad.GetSignature());
    taken = signature.get() != nullptr && m_engine.AddSample(signature.get(), m_nSampleSlot);
  }
  m_pad.Clear();
  // An empty pad (or a sample the engine refuses) is no step: the prompt
  // keeps asking for the same sample.
  if (!taken) {
    UpdateData(FALSE);
    return;
  }
  if (m_engine.GetSampleCount() < 5) {
    ++m_nNextSample;
    FormatPrompt(m_nNextSample);
    UpdateData(FALSE);
    return;
  }
  m_nSampleSlot = m_engine.CheckConsistency();
  if (m_nSampleSlot == -1) {
    if (m_engine.GetTemplate(&m_strTemplate)) {
      m_bEnrolled = 1;
      OnOK();
      return;
    }
    // An engine that gives no template has enrolled nothing.
    m_bComponentFailed = TRUE;
    ShowError(m_hWnd, IDS_SIGNATURE_COMPONENT_FAILED, 0, MB_ICONHAND);
    EndDialog(IDCANCEL);
    return;
  }
  ShowError(m_hWnd, IDS_SIGNATURE_INCONSISTENT, m_nSampleSlot + 1, MB_ICONINFORMATION);
  m_bEnrolled = 0;
  FormatPrompt(m_nSampleSlot + 1);
  UpdateData(FALSE);
}

void CSignatureDlg::Verification() {
  BOOL match = FALSE;
  {
    DispatchRef signature(m_pad.GetSignature());
    match = signature.get() != nullptr && m_engine.Verify(signature.get());
  }
  m_pad.Clear();
  if (match) {
    m_bVerified = 1;
    OnOK();
    return;
  }
  RejectEntry(IDS_SIGNATURE_REJECTED);
}

void CSignatureDlg::OnHelpButton() {
  if (m_nMode == 1) {
    EndDialog(IDCANCEL);
    return;
  }
  if (!RunUnblock()) return;
  m_pad.Clear();
  m_engine.SetTemplate(g_strSignature);
  UpdateData(FALSE);
}

BOOL CSignatureDlg::RunUnblock() {
  CUnblockDlg unblock(this);
  return unblock.DoModal() == IDOK ? TRUE : FALSE;
}

void CSignatureDlg::OnClearButton() {
  m_pad.Clear();
  UpdateData(FALSE);
}

void CSignatureDlg::OnOK() {
  const int done = m_nMode == 1 ? m_bEnrolled : m_bVerified;
  if (done) {
    EndDialog(IDOK);
    return;
  }
  ShowError(m_hWnd, IDS_ENROLLMENT_INCOMPLETE, 0, MB_ICONHAND);
}

LRESULT CSignatureDlg::OnDrawItem(WPARAM, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item == nullptr || item->CtlID != IDC_SIGNATURE_CLEAR || m_hClearBitmap == nullptr)
    return FALSE;
  HDC source = CreateCompatibleDC(item->hDC);
  HGDIOBJ old = SelectObject(source, m_hClearBitmap);
  // Pressed: the picture moves by a pixel, as a key goes down.
  const int shift = (item->itemState & ODS_SELECTED) ? 1 : 0;
  BitBlt(item->hDC, item->rcItem.left + shift, item->rcItem.top + shift,
         item->rcItem.right - item->rcItem.left, item->rcItem.bottom - item->rcItem.top, source, 0,
         0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  return TRUE;
}
