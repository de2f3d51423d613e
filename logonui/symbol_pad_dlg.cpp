#include "logonui/symbol_pad_dlg.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "lockout/false_logon_control.h"
#include "lockout/session_flags.h"
#include "logonui/resource_text.h"
#include "logonui/unblock_dlg.h"
#include "platform/ui/gfx/gdi.h"
#include "platform/ui/window/window_dc.h"
#include "res/resource_ids.h"
#include "res/string_ids.h"
#include "store/credential_set.h"
#include "store/settings_record.h"
#include "store/show_error.h"

namespace {

constexpr int kCompactFrameWidth = 150;
constexpr int kCompactDisplayWidth = 130;

bool IsKey(UINT id) {
  return id >= static_cast<UINT>(IDC_SYMBOL_KEY0) &&
         id < static_cast<UINT>(IDC_SYMBOL_KEY0 + CSymbolPadDlg::kKeyCount);
}

RECT ClientRectOf(CWnd* dialog, int id) {
  RECT r{};
  if (CWnd* control = dialog->GetDlgItem(id)) {
    control->GetWindowRect(&r);
    POINT topLeft{r.left, r.top};
    POINT bottomRight{r.right, r.bottom};
    dialog->ScreenToClient(&topLeft);
    dialog->ScreenToClient(&bottomRight);
    r = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  }
  return r;
}

}  // namespace

DEFINE_MESSAGE_MAP(CSymbolPadDlg, CLogonBaseDlg,
                   {
                       ON_COMMAND_RANGE(IDC_SYMBOL_KEY0, IDC_SYMBOL_KEY0 + 9, OnKey),
                       ON_BN_CLICKED(IDC_SYMBOL_CE, OnCorrection),
                       ON_BN_CLICKED(IDC_SYMBOL_CL, OnClearEntry),
                       ON_BN_CLICKED(IDC_SYMBOL_SWITCH, OnSwitchSet),
                       ON_BN_CLICKED(IDC_SYMBOL_PAD_BUTTON, OnPadButton),
                       ON_MESSAGE(WM_DRAWITEM, OnDrawItem),
                       afx::On<WM_CLOSE, &CSymbolPadDlg::OnCloseRequest>(),
                   })

CSymbolPadDlg::CSymbolPadDlg(CWnd* parent) : CLogonBaseDlg(IDD_SYMBOL_PAD, parent) {
  m_bFullScreen = 1;
  m_bUseInputPanel = 0;
  m_bShowBanner = 1;
  m_nBanner = 1;
  m_bYieldForeground = g_bOutsideCaller;
}

CSymbolPadDlg::~CSymbolPadDlg() {
  Wipe(m_szReference);
  Wipe(m_szEntry);
  Wipe(m_szFirstEntry);
  ReleaseKeyBitmaps();
}

void CSymbolPadDlg::Setup(int step, std::u16string_view reference, DWORD symbolSet,
                          BOOL randomOrder) {
  m_nStep = step == kStepFirstEntry ? kStepFirstEntry : kStepVerify;
  Copy(m_szReference, reference);
  m_nSymbolSet = symbolSet == 1 ? 1 : 0;
  m_bRandomOrder = randomOrder ? TRUE : FALSE;
}

void CSymbolPadDlg::GetResult(std::u16string& reference, std::u16string& entry,
                              DWORD* symbolSet) const {
  AssignSecret(reference, m_szReference.data());
  AssignSecret(entry, m_szEntry.data());
  if (symbolSet != nullptr) *symbolSet = m_nSymbolSet;
}

void CSymbolPadDlg::Copy(Buffer& to, std::u16string_view from) {
  Wipe(to);
  const std::size_t n = std::min(from.size(), kMaxSymbols);
  std::copy_n(from.begin(), n, to.begin());
}

void CSymbolPadDlg::Wipe(Buffer& buffer) {
  OPENSSL_cleanse(buffer.data(), buffer.size() * sizeof(char16_t));
}

std::size_t CSymbolPadDlg::EntryLength() const {
  return std::u16string_view(m_szEntry.data()).size();
}

void CSymbolPadDlg::DoDataExchange(CDataExchange* pDX) {
  CLogonBaseDlg::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_SYMBOL_DISPLAY, m_strDisplay);
  DDX_Text(pDX, IDC_SYMBOL_HEADING, m_strHeading);
  DDX_Text(pDX, IDC_SYMBOL_PROMPT, m_strPrompt);
  DDX_Text(pDX, IDC_SYMBOL_OWNER1, m_strOwner1);
  DDX_Text(pDX, IDC_SYMBOL_OWNER2, m_strOwner2);
}

// Without random order key k shows symbol k. With it each key draws a
// candidate from rand(); a candidate some earlier key already shows moves up
// to the next number (10 wraps to 0) and is checked again from key 0, so
// the result is always a permutation.
void CSymbolPadDlg::DrawKeyOrder() {
  for (int k = 0; k < kKeyCount; ++k) {
    if (!m_bRandomOrder) {
      m_nKeyOrder[static_cast<std::size_t>(k)] = k;
      continue;
    }
    auto candidate = static_cast<unsigned>(std::fmod(static_cast<double>(std::rand()), 10.0));
    for (int j = 0; j < k;) {
      if (static_cast<unsigned>(m_nKeyOrder[static_cast<std::size_t>(j)]) == candidate) {
        candidate = (candidate + 1) % kKeyCount;
        j = 0;
      } else {
        ++j;
      }
    }
    m_nKeyOrder[static_cast<std::size_t>(k)] = static_cast<int>(candidate);
  }
}

void CSymbolPadDlg::ReleaseKeyBitmaps() {
  for (HBITMAP& key : m_hKeys) {
    if (key != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(key));
    key = nullptr;
  }
  for (HBITMAP* b : {&m_hCorrection, &m_hClear, &m_hSwitch}) {
    if (*b != nullptr) DeleteObject(reinterpret_cast<HGDIOBJ>(*b));
    *b = nullptr;
  }
}

// Each key shows the bitmap of its symbol in the current set, sized to the
// bitmap. Its text names the symbol, so whoever reads the screen (a script,
// a screen reader) can tell the keys apart.
void CSymbolPadDlg::LoadKeyBitmaps() {
  ReleaseKeyBitmaps();
  m_nBitmapBase = m_nSymbolSet == 1 ? IDB_SYMBOL_SET1 : IDB_SYMBOL_SET0;
  const HINSTANCE module = AfxGetResourceHandle();
  auto place = [this](int id, HBITMAP bitmap) {
    CWnd* control = GetDlgItem(id);
    if (control == nullptr) return;
    BITMAP info{};
    if (bitmap != nullptr && GetObject(reinterpret_cast<HGDIOBJ>(bitmap), sizeof info, &info)) {
      control->SetWindowPos(nullptr, 0, 0, info.bmWidth, info.bmHeight,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    control->Invalidate();
  };
  for (int k = 0; k < kKeyCount; ++k) {
    const int symbol = m_nKeyOrder[static_cast<std::size_t>(k)];
    m_hKeys[static_cast<std::size_t>(k)] =
        LoadBitmap(module, m_nBitmapBase + static_cast<UINT>(symbol));
    if (CWnd* key = GetDlgItem(IDC_SYMBOL_KEY0 + k)) {
      const char16_t name[2] = {static_cast<char16_t>(u'0' + symbol), 0};
      key->SetWindowText(name);
    }
    place(IDC_SYMBOL_KEY0 + k, m_hKeys[static_cast<std::size_t>(k)]);
  }
  m_hCorrection = LoadBitmap(module, IDB_KEY_BACKSPACE);
  m_hClear = LoadBitmap(module, IDB_KEY_CLEAR);
  m_hSwitch = LoadBitmap(module, IDB_SWITCH_SET);
  place(IDC_SYMBOL_CE, m_hCorrection);
  place(IDC_SYMBOL_CL, m_hClear);
  place(IDC_SYMBOL_SWITCH, m_hSwitch);
}

HBITMAP CSymbolPadDlg::BitmapOf(UINT id) const {
  if (IsKey(id)) return m_hKeys[id - IDC_SYMBOL_KEY0];
  if (id == static_cast<UINT>(IDC_SYMBOL_CE)) return m_hCorrection;
  if (id == static_cast<UINT>(IDC_SYMBOL_CL)) return m_hClear;
  if (id == static_cast<UINT>(IDC_SYMBOL_SWITCH)) return m_hSwitch;
  return nullptr;
}

LRESULT CSymbolPadDlg::OnDrawItem(WPARAM, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item == nullptr || item->CtlType != ODT_BUTTON) return FALSE;
  const HBITMAP bitmap = BitmapOf(item->CtlID);
  FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_WINDOW));
  if (bitmap == nullptr) return TRUE;
  BITMAP info{};
  GetObject(reinterpret_cast<HGDIOBJ>(bitmap), sizeof info, &info);
  const HDC memory = CreateCompatibleDC(item->hDC);
  const HGDIOBJ previous = SelectObject(memory, reinterpret_cast<HGDIOBJ>(bitmap));
  // A pressed key sinks by a pixel.
  const int shift = (item->itemState & ODS_SELECTED) ? 1 : 0;
  BitBlt(item->hDC, item->rcItem.left + shift, item->rcItem.top + shift, info.bmWidth,
         info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  return TRUE;
}

void CSymbolPadDlg::ApplyLayout(bool compact) {
  if (CWnd* x = GetDlgItem(IDC_SYMBOL_SWITCH)) x->ShowWindow(compact ? SW_HIDE : SW_SHOW);
  auto place = [this](int id, const RECT& measured, int compactWidth, bool narrow) {
    CWnd* control = GetDlgItem(id);
    if (control == nullptr) return;
    const int width = narrow ? measured.right - measured.left : compactWidth;
    control->MoveWindow(measured.left, measured.top, width, measured.bottom - measured.top);
  };
  place(IDC_SYMBOL_DISPLAY_FRAME, m_rcDisplayFrame, kCompactFrameWidth, !compact);
  place(IDC_SYMBOL_DISPLAY, m_rcDisplay, kCompactDisplayWidth, !compact);
}

BOOL CSymbolPadDlg::OnInitDialog() {
  m_rcDisplayFrame = ClientRectOf(this, IDC_SYMBOL_DISPLAY_FRAME);
  m_rcDisplay = ClientRectOf(this, IDC_SYMBOL_DISPLAY);
  DrawKeyOrder();
  LoadKeyBitmaps();
  Wipe(m_szEntry);
  Wipe(m_szFirstEntry);
  m_strDisplay.clear();
  EnableOk(false);
  const bool verify = m_nStep == kStepVerify;
  for (int id : {IDC_SYMBOL_FRAME, IDC_SYMBOL_HEADING, IDC_SYMBOL_PROMPT, IDC_SYMBOL_ICON}) {
    if (CWnd* control = GetDlgItem(id)) control->ShowWindow(verify ? SW_HIDE : SW_SHOW);
  }
  if (verify) {
    m_strButtonLabel = LoadResourceText(IDS_SYMBOL_PAD_HELP);
  } else {
    m_strHeading = LoadResourceText(IDS_SYMBOL_HEADING);
    m_strPrompt = LoadResourceText(IDS_SYMBOL_PROMPT_ENTER);
    m_bShowBanner = 0;
    m_strButtonLabel = LoadResourceText(IDS_SYMBOL_PAD_CANCEL);
  }
  if (CWnd* button = GetDlgItem(IDC_SYMBOL_PAD_BUTTON)) button->SetWindowText(m_strButtonLabel);
  ApplyLayout(verify);
  CLogonBaseDlg::OnInitDialog();
  m_strOwner1 = m_strOwnerLine1;
  m_strOwner2 = m_strOwnerLine2;
  UpdateData(FALSE);
  return TRUE;
}

void CSymbolPadDlg::EnableOk(bool enable) {
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(enable ? TRUE : FALSE);
}

// Verification takes any non-empty entry; a new password has 4 to 8 symbols.
// CE follows the same rule as a key, so OK is never offered for an entry
// that could not be accepted.
void CSymbolPadDlg::UpdateOkRule() {
  const std::size_t n = EntryLength();
  EnableOk(m_nStep == kStepVerify ? n >= 1 : n >= kMinNewSymbols && n <= kMaxNewSymbols);
}

void CSymbolPadDlg::ShowValues() {
  UpdateData(FALSE);
}

void CSymbolPadDlg::EmptyEntry() {
  Wipe(m_szEntry);
  m_strDisplay.clear();
  EnableOk(false);
}

void CSymbolPadDlg::OnKey(UINT id) {
  const std::size_t n = EntryLength();
  // A full buffer takes no more symbols.
  if (!IsKey(id) || n >= kMaxSymbols) return;
  m_szEntry[n] = static_cast<char16_t>(u'0' + m_nKeyOrder[id - IDC_SYMBOL_KEY0]);
  m_strDisplay.push_back(u'*');
  UpdateOkRule();
  ShowValues();
}

void CSymbolPadDlg::OnCorrection() {
  const std::size_t n = EntryLength();
  if (n <= 1) {
    OnClearEntry();
    return;
  }
  m_szEntry[n - 1] = 0;
  if (!m_strDisplay.empty()) m_strDisplay.pop_back();
  UpdateOkRule();
  ShowValues();
}

void CSymbolPadDlg::OnClearEntry() {
  EmptyEntry();
  ShowValues();
}

void CSymbolPadDlg::OnSwitchSet() {
  if (m_nStep != kStepFirstEntry) return;
  m_nSymbolSet = m_nSymbolSet == 1 ? 0 : 1;
  EmptyEntry();
  LoadKeyBitmaps();
  ShowValues();
}

void CSymbolPadDlg::ToFirstEntry() {
  Wipe(m_szFirstEntry);
  m_strPrompt = LoadResourceText(IDS_SYMBOL_PROMPT_ENTER);
  m_nStep = kStepFirstEntry;
  EmptyEntry();
  ApplyLayout(false);
  ShowValues();
}

void CSymbolPadDlg::OnOK() {
  if (CWnd* ok = GetDlgItem(IDOK); ok == nullptr || !ok->IsWindowEnabled()) return;
  const std::u16string_view entry(m_szEntry.data());
  switch (m_nStep) {
    case kStepFirstEntry:
      Copy(m_szFirstEntry, entry);
      m_strPrompt = LoadResourceText(IDS_SYMBOL_PROMPT_AGAIN);
      m_nStep = kStepConfirm;
      EmptyEntry();
      ApplyLayout(true);
      ShowValues();
      return;
    case kStepConfirm:
      if (entry == std::u16string_view(m_szFirstEntry.data())) {
        EndDialog(IDOK);
        return;
      }
      ShowError(m_hWnd, IDS_SYMBOL_MISMATCH, 0, MB_ICONHAND);
      ToFirstEntry();
      return;
    default:
      if (entry == std::u16string_view(m_szReference.data())) {
        EndDialog(IDOK);
        return;
      }
      EmptyEntry();
      ShowValues();
      RejectEntry(IDS_WRONG_SYMBOL_PASSWORD);
      return;
  }
}

// At the lock screen the pad is the only way in: Escape and a close request
// do nothing there. Only the setting use can be cancelled.
void CSymbolPadDlg::OnCancel() {
  if (m_nStep == kStepVerify) return;
  Wipe(m_szEntry);
  CLogonBaseDlg::OnCancel();
}

void CSymbolPadDlg::OnCloseRequest() {
  if (m_nStep == kStepVerify) return;
  CLogonBaseDlg::OnClose();
}

void CSymbolPadDlg::OnPadButton() {
  if (m_nStep != kStepVerify) {
    OnCancel();
    return;
  }
  CUnblockDlg unblock(this);
  const bool unblocked = unblock.DoModal() == IDOK;
  // The pad checks what is in memory now, in its set, even when the save
  // failed and the unblock stayed open: the user logs on with the password
  // just made (the device keeps the stored one for later logons).
  const DWORD current = g_Settings.PictoSymbolset == 1 ? 1 : 0;
  if (current != m_nSymbolSet) {
    m_nSymbolSet = current;
    LoadKeyBitmaps();
  }
  if (unblocked || std::u16string_view(m_szReference.data()) != g_strSymbolPassword) {
    EmptyEntry();
    Copy(m_szReference, g_strSymbolPassword);
    ShowValues();
  }
}
