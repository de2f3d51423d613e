#include "platform/ui/afx/afx_property_sheet.h"

#include <algorithm>

#include "platform/ui/afx/afx_internal.h"

namespace {

// Height of the row of tabs along the bottom of the sheet.
constexpr int kTabHeight = 20;

constexpr DWORD kNotForChildren = WS_POPUP | WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_SYSMENU |
                                  WS_THICKFRAME | WS_VISIBLE | DS_MODALFRAME | DS_CENTER |
                                  DS_SETFOREGROUND;

// A command bar that is meant to show: the sheet itself may not be
// visible yet while it is laid out.
bool IsShownBar(HWND bar) {
  return bar && (::GetWindowLong(bar, GWL_STYLE) & WS_VISIBLE);
}

}  // namespace

// CPropertyPage ------------------------------------------------------------

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

DEFINE_MESSAGE_MAP(CPropertyPage, CDialog,
                   {
                       afx::OnCommand<IDOK, &ThisClass::OnSheetOk>(),
                       afx::OnCommand<IDCANCEL, &ThisClass::OnSheetCancel>(),
                   })

CPropertyPage::CPropertyPage(UINT templateId, UINT captionId)
    : CDialog(templateId, nullptr), m_nIDCaption(captionId) {
  m_bFullScreenSizing = FALSE;
}

CPropertyPage::CPropertyPage(const DialogTemplate* dialogTemplate, UINT captionId)
    : CDialog(dialogTemplate, nullptr), m_nIDCaption(captionId) {
  m_bFullScreenSizing = FALSE;
}

const DialogTemplate* CPropertyPage::FindTemplate() const {
  if (m_lpDialogTemplate) return m_lpDialogTemplate;
  return ::FindDialogTemplate(AfxGetResourceHandle(), m_nIDTemplate);
}

BOOL CPropertyPage::OnSetActive() {
  // The first time, OnInitDialog has just written the controls.
  if (m_bFirstSetActive) {
    m_bFirstSetActive = FALSE;
  } else {
    UpdateData(FALSE);
  }
  return TRUE;
}

BOOL CPropertyPage::OnKillActive() {
  return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply() {
  OnOK();
  return TRUE;
}

void CPropertyPage::OnReset() {
  OnCancel();
}

BOOL CPropertyPage::OnQueryCancel() {
  return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

void CPropertyPage::SetModified(BOOL changed) {
  if (m_pSheet && m_pSheet->m_hWnd && m_hWnd) {
    m_pSheet->SendMessage(changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd));
  }
}

LRESULT CPropertyPage::QuerySiblings(WPARAM wParam, LPARAM lParam) {
  if (!m_pSheet || !m_pSheet->m_hWnd) return 0;
  return m_pSheet->SendMessage(PSM_QUERYSIBLINGS, wParam, lParam);
}

std::u16string CPropertyPage::GetCaption() const {
  if (m_nIDCaption != 0) {
    return afx::detail::LoadStringText(AfxGetResourceHandle(), m_nIDCaption);
  }
  const DialogTemplate* dialogTemplate = FindTemplate();
  return dialogTemplate && dialogTemplate->title ? dialogTemplate->title : u"";
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header && m_pSheet && header->hwndFrom == m_pSheet->m_hWnd) {
    switch (header->code) {
      case PSN_SETACTIVE:
        *result = OnSetActive() ? 0 : -1;
        return TRUE;
      case PSN_KILLACTIVE:
        *result = OnKillActive() ? FALSE : TRUE;
        return TRUE;
      case PSN_APPLY:
        *result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        return TRUE;
      case PSN_RESET:
        OnReset();
        *result = 0;
        return TRUE;
      case PSN_QUERYCANCEL:
        *result = OnQueryCancel() ? FALSE : TRUE;
        return TRUE;
      case PSN_HELP:
        SendMessage(WM_COMMAND, ID_HELP, 0);
        *result = 0;
        return TRUE;
      default:
        break;
    }
  }
  return CDialog::OnNotify(wParam, lParam, result);
}

BOOL CPropertyPage::CreatePage(CPropertySheet* sheet, const RECT& area) {
  const DialogTemplate* dialogTemplate = FindTemplate();
  if (!dialogTemplate) return FALSE;
  // The page's template as a child dialog that takes part in the sheet's
  // keyboard navigation.
  m_pageTemplate = *dialogTemplate;
  m_pageTemplate.style = (dialogTemplate->style & ~kNotForChildren) | WS_CHILD | DS_CONTROL;
  m_pageTemplate.exStyle |= WS_EX_CONTROLPARENT;
  m_pageTemplate.x = 0;
  m_pageTemplate.y = 0;
  m_pSheet = sheet;
  m_bFirstSetActive = TRUE;
  if (!CreateIndirect(&m_pageTemplate, sheet)) return FALSE;
  MoveWindow(area);
  return TRUE;
}

void CPropertyPage::OnSheetOk() {
  if (m_pSheet) m_pSheet->PressButton(static_cast<int>(PSBTN_OK));
}

void CPropertyPage::OnSheetCancel() {
  if (m_pSheet) m_pSheet->PressButton(static_cast<int>(PSBTN_CANCEL));
}

// CPropertySheet -------------------------------------------------------------

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

DEFINE_MESSAGE_MAP(
    CPropertySheet, CWnd,
    {
        afx::On<WM_INITDIALOG, &ThisClass::OnInitDialogMessage>(),
        afx::On<WM_SIZE, &ThisClass::OnSize>(),
        afx::On<afx::detail::kRecalcLayoutMessage, &ThisClass::RecalcLayout>(),
        afx::On<PSM_PRESSBUTTON, &ThisClass::OnPressButtonMessage>(),
        afx::On<PSM_QUERYSIBLINGS, &ThisClass::OnQuerySiblingsMessage>(),
        afx::On<PSM_SETCURSEL, &ThisClass::OnSetCurSelMessage>(),
        afx::On<PSM_CHANGED, &ThisClass::OnChangedMessage>(),
        afx::On<PSM_UNCHANGED, &ThisClass::OnUnchangedMessage>(),
        afx::On<PSM_GETCURRENTPAGEHWND, &ThisClass::OnGetCurrentPageMessage>(),
        afx::On<DM_GETDEFID, &ThisClass::OnGetDefIdMessage>(),
        afx::OnCommand<IDOK, &ThisClass::DoOk>(),
        afx::OnCommand<IDCANCEL, &ThisClass::DoCancel>(),
        afx::OnNotify<TCN_SELCHANGING, AFX_IDC_TAB_CONTROL, &ThisClass::OnTabSelChanging>(),
        afx::OnNotify<TCN_SELCHANGE, AFX_IDC_TAB_CONTROL, &ThisClass::OnTabSelChange>(),
    })

CPropertySheet::CPropertySheet(UINT captionId, CWnd* parent, UINT selectPage) {
  m_strCaption = afx::detail::LoadStringText(AfxGetResourceHandle(), captionId);
  Construct(parent, selectPage);
}

CPropertySheet::CPropertySheet(LPCWSTR caption, CWnd* parent, UINT selectPage) {
  m_strCaption = caption ? caption : u"";
  Construct(parent, selectPage);
}

void CPropertySheet::Construct(CWnd* parent, UINT selectPage) {
  m_pParentWnd = parent;
  m_nStartPage = static_cast<int>(selectPage);
}

CPropertySheet::~CPropertySheet() = default;

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  m_pages.push_back(page);
  page->m_pSheet = this;
  if (m_tabs.m_hWnd) m_tabs.InsertItem(GetPageCount() - 1, page->GetCaption().c_str());
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  if (index < 0 || index >= GetPageCount()) return nullptr;
  return m_pages[static_cast<std::size_t>(index)];
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  auto it = std::find(m_pages.begin(), m_pages.end(), page);
  return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

CPropertyPage* CPropertySheet::GetActivePage() const {
  return GetPage(m_nActivePage);
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return FALSE;
  if (!m_hWnd) {
    m_nStartPage = index;
    return TRUE;
  }
  return ActivatePage(index, true);
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) {
  return SetActivePage(GetPageIndex(page));
}

void CPropertySheet::SetTitle(LPCWSTR caption) {
  m_strCaption = caption ? caption : u"";
  if (m_hWnd) SetWindowText(m_strCaption);
}

INT_PTR CPropertySheet::DoModal() {
  if (m_pages.empty() || m_hWnd) return -1;
  // The sheet's window is a dialog without items: tabs and pages are made
  // in OnInitDialog, where the sheet knows its size.
  m_template = DialogTemplate{0,
                              WS_POPUP | WS_CAPTION | DS_SETFONT,
                              WS_EX_CAPTIONOKBTN,
                              0,
                              0,
                              0,
                              0,
                              m_strCaption.c_str(),
                              u"Tahoma",
                              8,
                              nullptr,
                              0};
  m_nActivePage = -1;
  m_modified.clear();
  for (CPropertyPage* page : m_pages) page->m_pSheet = this;
  const INT_PTR result = RunModalDialog(AfxGetResourceHandle(), m_template, m_pParentWnd);
  // A second run starts on the page this one ended on.
  if (m_nActivePage >= 0) m_nStartPage = m_nActivePage;
  m_nActivePage = -1;
  return result;
}

LRESULT CPropertySheet::OnInitDialogMessage(WPARAM, LPARAM) {
  return OnInitDialog();
}

BOOL CPropertySheet::OnInitDialog() {
  MoveWindow(afx::detail::WorkArea());
  RECT none{0, 0, 0, 0};
  if (m_tabs.Create(WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM, none, this, AFX_IDC_TAB_CONTROL)) {
    for (int i = 0; i < GetPageCount(); ++i) {
      m_tabs.InsertItem(i, m_pages[static_cast<std::size_t>(i)]->GetCaption().c_str());
    }
  }
  RecalcLayout();
  const int start = std::clamp(m_nStartPage, 0, GetPageCount() - 1);
  ActivatePage(start, false);
  return TRUE;
}

RECT CPropertySheet::PageArea() const {
  RECT client{};
  GetClientRect(&client);
  LONG bottom = client.bottom;
  HWND bar = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_COMMANDBAR));
  if (IsShownBar(bar)) bottom -= CCommandBar::kHeight;
  if (m_tabs.m_hWnd) bottom -= kTabHeight;
  return RECT{0, 0, client.right, std::max<LONG>(0, bottom)};
}

void CPropertySheet::RecalcLayout() {
  if (!m_hWnd) return;
  RECT client{};
  GetClientRect(&client);
  LONG bottom = client.bottom;
  HWND bar = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_COMMANDBAR));
  if (IsShownBar(bar)) {
    bottom -= CCommandBar::kHeight;
    ::MoveWindow(bar, 0, bottom, client.right, CCommandBar::kHeight, TRUE);
  }
  if (m_tabs.m_hWnd) {
    bottom -= kTabHeight;
    m_tabs.MoveWindow(0, bottom, client.right, kTabHeight);
  }
  const RECT area = PageArea();
  for (CPropertyPage* page : m_pages) {
    if (page->m_hWnd) page->MoveWindow(area);
  }
}

void CPropertySheet::OnSize(UINT, int, int) {
  RecalcLayout();
}

LRESULT CPropertySheet::SendPageNotify(CPropertyPage* page, UINT code) {
  if (!page || !page->m_hWnd) return 0;
  NMHDR header{m_hWnd, 0, code};
  return page->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

BOOL CPropertySheet::ActivatePage(int index, bool leaveCurrent) {
  CPropertyPage* next = GetPage(index);
  if (!next || !m_hWnd) return FALSE;
  CPropertyPage* current = GetActivePage();
  if (current == next && next->m_hWnd) return TRUE;
  if (leaveCurrent && current && current->m_hWnd && SendPageNotify(current, PSN_KILLACTIVE) != 0) {
    return FALSE;
  }
  if (!next->m_hWnd && !next->CreatePage(this, PageArea())) return FALSE;
  SendPageNotify(next, PSN_SETACTIVE);
  if (current && current != next && current->m_hWnd) current->ShowWindow(SW_HIDE);
  next->MoveWindow(PageArea());
  next->ShowWindow(SW_SHOW);
  m_nActivePage = index;
  if (m_tabs.m_hWnd && m_tabs.GetCurSel() != index) m_tabs.SetCurSel(index);
  // Once the sheet is up, the focus goes to the new page's first field.
  if (IsWindowVisible()) {
    if (HWND first = ::GetNextDlgTabItem(next->m_hWnd, nullptr, FALSE)) {
      SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
  }
  return TRUE;
}

void CPropertySheet::OnTabSelChanging(NMHDR*, LRESULT* result) {
  CPropertyPage* current = GetActivePage();
  *result =
      current && current->m_hWnd && SendPageNotify(current, PSN_KILLACTIVE) != 0 ? TRUE : FALSE;
}

void CPropertySheet::OnTabSelChange(NMHDR*, LRESULT*) {
  const int index = m_tabs.GetCurSel();
  // The tab was allowed to change: the old page was left already.
  if (!ActivatePage(index, false) && m_nActivePage >= 0) m_tabs.SetCurSel(m_nActivePage);
}

BOOL CPropertySheet::PressButton(int button) {
  if (!m_hWnd) return FALSE;
  return SendMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(button)) ? TRUE : FALSE;
}

LRESULT CPropertySheet::OnPressButtonMessage(WPARAM button, LPARAM) {
  switch (button) {
    case PSBTN_OK:
      return DoOk();
    case PSBTN_CANCEL:
      return DoCancel();
    case PSBTN_APPLYNOW:
      return DoApplyNow();
    case PSBTN_HELP:
      if (CPropertyPage* page = GetActivePage()) SendPageNotify(page, PSN_HELP);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL CPropertySheet::DoApplyNow() {
  CPropertyPage* current = GetActivePage();
  if (current && current->m_hWnd && SendPageNotify(current, PSN_KILLACTIVE) != 0) return FALSE;
  for (std::size_t i = 0; i < m_pages.size(); ++i) {
    CPropertyPage* page = m_pages[i];
    if (!page->m_hWnd) continue;
    const LRESULT result = SendPageNotify(page, PSN_APPLY);
    if (result != PSNRET_NOERROR) {
      if (result == PSNRET_INVALID) ActivatePage(static_cast<int>(i), false);
      return FALSE;
    }
    if (!m_hWnd) return FALSE;
  }
  m_modified.clear();
  return TRUE;
}

BOOL CPropertySheet::DoOk() {
  if (!DoApplyNow()) return FALSE;
  EndDialog(IDOK);
  return TRUE;
}

BOOL CPropertySheet::DoCancel() {
  CPropertyPage* current = GetActivePage();
  if (current && current->m_hWnd && SendPageNotify(current, PSN_QUERYCANCEL) != 0) return FALSE;
  for (CPropertyPage* page : m_pages) {
    if (page->m_hWnd) SendPageNotify(page, PSN_RESET);
  }
  EndDialog(IDCANCEL);
  return TRUE;
}

LRESULT CPropertySheet::QuerySiblings(WPARAM wParam, LPARAM lParam) {
  for (CPropertyPage* page : m_pages) {
    if (!page->m_hWnd) continue;
    if (const LRESULT answer = page->SendMessage(PSM_QUERYSIBLINGS, wParam, lParam)) return answer;
  }
  return 0;
}

LRESULT CPropertySheet::OnQuerySiblingsMessage(WPARAM wParam, LPARAM lParam) {
  return QuerySiblings(wParam, lParam);
}

LRESULT CPropertySheet::OnSetCurSelMessage(WPARAM index, LPARAM page) {
  if (page != 0) {
    for (int i = 0; i < GetPageCount(); ++i) {
      CPropertyPage* candidate = m_pages[static_cast<std::size_t>(i)];
      if (reinterpret_cast<LPARAM>(candidate->m_hWnd) == page ||
          reinterpret_cast<LPARAM>(candidate) == page) {
        return SetActivePage(i);
      }
    }
    return FALSE;
  }
  return SetActivePage(static_cast<int>(index));
}

LRESULT CPropertySheet::OnChangedMessage(WPARAM pageWindow, LPARAM) {
  CPropertyPage* page = nullptr;
  for (CPropertyPage* candidate : m_pages) {
    if (reinterpret_cast<WPARAM>(candidate->m_hWnd) == pageWindow) page = candidate;
  }
  if (page && std::find(m_modified.begin(), m_modified.end(), page) == m_modified.end()) {
    m_modified.push_back(page);
  }
  return 0;
}

LRESULT CPropertySheet::OnUnchangedMessage(WPARAM pageWindow, LPARAM) {
  std::erase_if(m_modified, [pageWindow](CPropertyPage* page) {
    return reinterpret_cast<WPARAM>(page->m_hWnd) == pageWindow;
  });
  return 0;
}

LRESULT CPropertySheet::OnGetCurrentPageMessage(WPARAM, LPARAM) {
  CPropertyPage* page = GetActivePage();
  return page ? reinterpret_cast<LRESULT>(page->m_hWnd) : 0;
}

LRESULT CPropertySheet::OnGetDefIdMessage(WPARAM, LPARAM) {
  // Enter presses the active page's default button.
  CPropertyPage* page = GetActivePage();
  return page && page->m_hWnd ? page->SendMessage(DM_GETDEFID) : 0;
}

BOOL CPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  // Commands that reach the sheet for a page's control (Enter on the page's
  // default button) go to that page.
  CPropertyPage* page = GetActivePage();
  if (!page || !page->m_hWnd) return FALSE;
  page->SendMessage(WM_COMMAND, wParam, lParam);
  return TRUE;
}

void CPropertySheet::EndDialog(int result) {
  EndModalLoop(result);
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  return m_hWnd && ::IsDialogMessage(m_hWnd, msg) ? TRUE : FALSE;
}
