// Property sheets: a modal "Dialog" window with a row of tabs at the bottom
// (one per page, in the order the pages were added) and the active page
// above it. Pages are child dialogs made from their templates the first
// time they are shown.
//
//   CSettingsSheet sheet(IDS_SETTINGS);   // derives from CPropertySheet
//   sheet.AddPage(&generalPage);           // tab order = order of AddPage
//   sheet.AddPage(&logonPage);
//   sheet.DoModal();                       // IDOK or IDCANCEL
//
// Closing with OK sends PSN_KILLACTIVE to the active page, then PSN_APPLY
// to every page created so far, in page order (a page's OnApply calls its
// OnOK); a page that refuses keeps the sheet open. Cancel sends PSN_RESET
// to the created pages in page order (OnReset calls OnCancel).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/afx/afx_controls.h"
#include "platform/ui/afx/afx_dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
  DECLARE_DYNAMIC(CPropertyPage)

 public:
  // The tab shows string `captionId`, or the template's title when 0.
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  // A template in memory (kept by the caller for the page's lifetime).
  explicit CPropertyPage(const DialogTemplate* dialogTemplate, UINT captionId = 0);

  // Activation: PSN_SETACTIVE when the page is shown (base: from the second
  // time on, writes the controls; TRUE), PSN_KILLACTIVE when it is left
  // (base: reads and validates the controls; FALSE keeps the page).
  virtual BOOL OnSetActive();
  virtual BOOL OnKillActive();
  // PSN_APPLY when the sheet closes with OK. Base: OnOK(), TRUE. FALSE keeps
  // the sheet open on this page.
  virtual BOOL OnApply();
  // PSN_RESET when the sheet closes with Cancel. Base: OnCancel().
  virtual void OnReset();
  // PSN_QUERYCANCEL before that; FALSE keeps the sheet open. Base: TRUE.
  virtual BOOL OnQueryCancel();
  // The page's part of OK and Cancel; the sheet ends the run itself, so the
  // base does nothing.
  void OnOK() override;
  void OnCancel() override;

  // Tells the sheet the page has (or no longer has) unapplied changes.
  void SetModified(BOOL changed = TRUE);
  // PSM_QUERYSIBLINGS through the sheet: the first non-zero answer of the
  // created pages in order, or 0.
  LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);
  CPropertySheet* GetSheet() const { return m_pSheet; }
  // The tab text.
  std::u16string GetCaption() const;

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  DECLARE_MESSAGE_MAP()

 private:
  friend class CPropertySheet;
  BOOL CreatePage(CPropertySheet* sheet, const RECT& area);
  const DialogTemplate* FindTemplate() const;
  // IDOK / IDCANCEL inside a page are the sheet's OK and Cancel.
  void OnSheetOk();
  void OnSheetCancel();

  UINT m_nIDCaption;
  BOOL m_bFirstSetActive = TRUE;
  CPropertySheet* m_pSheet = nullptr;
  DialogTemplate m_pageTemplate{};
};

class CPropertySheet : public CWnd {
  DECLARE_DYNAMIC(CPropertySheet)

 public:
  // Caption from string `captionId` of the resource module.
  explicit CPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  explicit CPropertySheet(LPCWSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  int GetPageCount() const { return static_cast<int>(m_pages.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  // -1 before the sheet runs.
  int GetActiveIndex() const { return m_nActivePage; }
  CPropertyPage* GetActivePage() const;
  // Leaves the active page (PSN_KILLACTIVE; it may refuse) and shows
  // another, creating it on first use (PSN_SETACTIVE). Before the run it
  // chooses the first page shown.
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page);
  // The tab control (null before the run or when tabs are not available).
  CTabCtrl* GetTabControl() { return m_tabs.m_hWnd ? &m_tabs : nullptr; }
  void SetTitle(LPCWSTR caption);
  const std::u16string& GetTitle() const { return m_strCaption; }

  virtual INT_PTR DoModal();
  // The sheet window exists: tabs and the first page are made. Derived
  // sheets call the base first.
  virtual BOOL OnInitDialog();
  // PSM_PRESSBUTTON: PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW or PSBTN_HELP
  // (PSN_HELP to the active page, which gives it to its ID_HELP command).
  BOOL PressButton(int button);
  // PSM_QUERYSIBLINGS to the created pages in page order until one answers
  // non-zero; that answer, or 0.
  LRESULT QuerySiblings(WPARAM wParam, LPARAM lParam);
  void EndDialog(int result);

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  // Places tabs, command bar and pages in the client area.
  void RecalcLayout();
  LRESULT SendPageNotify(CPropertyPage* page, UINT code);

  DECLARE_MESSAGE_MAP()

 private:
  void Construct(CWnd* parent, UINT selectPage);
  BOOL ActivatePage(int index, bool leaveCurrent);
  BOOL DoOk();
  BOOL DoApplyNow();
  BOOL DoCancel();
  RECT PageArea() const;

  LRESULT OnPressButtonMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnQuerySiblingsMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetCurSelMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnChangedMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnUnchangedMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetCurrentPageMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetDefIdMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnInitDialogMessage(WPARAM wParam, LPARAM lParam);
  void OnSize(UINT type, int cx, int cy);
  void OnTabSelChanging(NMHDR* header, LRESULT* result);
  void OnTabSelChange(NMHDR* header, LRESULT* result);

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  std::u16string m_strCaption;
  CWnd* m_pParentWnd = nullptr;
  std::vector<CPropertyPage*> m_pages;
  std::vector<CPropertyPage*> m_modified;
  int m_nStartPage = 0;
  int m_nActivePage = -1;
  CTabCtrl m_tabs;
  DialogTemplate m_template{};
};
