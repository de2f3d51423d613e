// Property sheets: tab order, pages made when first shown, activation
// order, OK and Cancel across the created pages, query siblings, the Help
// button, the modal-loop test and the command bar.
#include <string>
#include <vector>

#include "platform/ui/window/input.h"
#include "tests/ui/afx_test_support.h"

using namespace testing_support;

namespace {

constexpr int kText = 300;

const DialogItemTemplate kPageItems[] = {
    Item(kText, u"EDIT", WS_BORDER | WS_TABSTOP, 5, 5, 100, 12),
    Item(310, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 5, 25, 40, 14, u"Button"),
};
const DialogTemplate kAlpha = AfxDialogTemplate(kPageItems, u"Alpha", WS_POPUP | WS_CAPTION);
const DialogTemplate kBeta = AfxDialogTemplate(kPageItems, u"Beta", WS_POPUP | WS_CAPTION);
const DialogTemplate kGamma = AfxDialogTemplate(kPageItems, u"Gamma", WS_POPUP | WS_CAPTION);

using Log = std::vector<std::string>;

class RecordingPage : public CPropertyPage {
 public:
  RecordingPage(const DialogTemplate* t, std::string name, Log* log)
      : CPropertyPage(t), name_(std::move(name)), log_(log) {}

  std::u16string text;
  LRESULT answer = 0;
  bool refuseKill = false;
  bool refuseApply = false;

  BOOL OnInitDialog() override {
    Note("init");
    return CPropertyPage::OnInitDialog();
  }
  BOOL OnSetActive() override {
    Note("set");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    Note("kill");
    return refuseKill ? FALSE : CPropertyPage::OnKillActive();
  }
  BOOL OnApply() override {
    Note("apply");
    return refuseApply ? FALSE : CPropertyPage::OnApply();
  }
  void OnOK() override { Note("ok"); }
  void OnCancel() override { Note("cancel"); }

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kText, text); }
  LRESULT OnQuerySiblings(WPARAM code, LPARAM) {
    Note("query");
    return code == 999 ? answer : 0;
  }
  void Note(const char* what) { log_->push_back(name_ + ":" + what); }

  DECLARE_MESSAGE_MAP()

 private:
  std::string name_;
  Log* log_;
};

DEFINE_MESSAGE_MAP(RecordingPage, CPropertyPage,
                   {
                       afx::On<PSM_QUERYSIBLINGS, &ThisClass::OnQuerySiblings>(),
                   })

class AfxPropertySheetTest : public AfxTest {
 protected:
  Log log_;
  RecordingPage alpha_{&kAlpha, "A", &log_};
  RecordingPage beta_{&kBeta, "B", &log_};
  RecordingPage gamma_{&kGamma, "C", &log_};

  static RECT ClientRectOf(CWnd* window, CWnd* parent) {
    RECT rect{};
    window->GetWindowRect(&rect);
    POINT origin{0, 0};
    parent->ClientToScreen(&origin);
    return RECT{rect.left - origin.x, rect.top - origin.y, rect.right - origin.x,
                rect.bottom - origin.y};
  }
  void AddPages(CPropertySheet& sheet, std::initializer_list<RecordingPage*> pages) {
    for (RecordingPage* page : pages) sheet.AddPage(page);
  }
  // What tapping a tab does: ask, select, tell.
  static void TapTab(CPropertySheet& sheet, int index) {
    CTabCtrl* tabs = sheet.GetTabControl();
    NMHDR header{tabs->m_hWnd, AFX_IDC_TAB_CONTROL, TCN_SELCHANGING};
    if (sheet.SendMessage(WM_NOTIFY, AFX_IDC_TAB_CONTROL, reinterpret_cast<LPARAM>(&header))) {
      return;
    }
    tabs->SetCurSel(index);
    header.code = TCN_SELCHANGE;
    sheet.SendMessage(WM_NOTIFY, AFX_IDC_TAB_CONTROL, reinterpret_cast<LPARAM>(&header));
  }
};

TEST_F(AfxPropertySheetTest, TabsFollowTheOrderOfAddingAndPagesAreMadeWhenFirstShown) {
  CPropertySheet sheet(u"Sheet");
  AddPages(sheet, {&beta_, &alpha_, &gamma_});
  Then([&] {
    EXPECT_EQ(FindWindow(u"Dialog", u"Sheet"), sheet.m_hWnd);
    CTabCtrl* tabs = sheet.GetTabControl();
    ASSERT_NE(tabs, nullptr);
    EXPECT_TRUE(tabs->GetStyle() & TCS_BOTTOM);
    ASSERT_EQ(tabs->GetItemCount(), 3);
    EXPECT_EQ(tabs->GetItemText(0) + tabs->GetItemText(1) + tabs->GetItemText(2),
              u"BetaAlphaGamma");
    EXPECT_EQ(sheet.GetActivePage(), &beta_);
    EXPECT_EQ(alpha_.m_hWnd, nullptr);
    EXPECT_EQ(gamma_.m_hWnd, nullptr);
    EXPECT_TRUE(beta_.GetStyle() & WS_CHILD);
    // The page fills the sheet above the tabs.
    const RECT page = ClientRectOf(&beta_, &sheet);
    const RECT tab = ClientRectOf(tabs, &sheet);
    EXPECT_EQ(page.top, 0);
    EXPECT_EQ(page.bottom, tab.top);
    EXPECT_EQ(log_, (Log{"B:init", "B:set"}));
    log_.clear();

    TapTab(sheet, 2);
    EXPECT_EQ(log_, (Log{"B:kill", "C:init", "C:set"}));
    EXPECT_FALSE(beta_.IsWindowVisible());
    EXPECT_TRUE(gamma_.IsWindowVisible());
    EXPECT_EQ(GetFocus(), gamma_.GetDlgItem(kText)->m_hWnd);
    log_.clear();

    beta_.text = u"written again";
    ASSERT_TRUE(sheet.SetActivePage(0));
    EXPECT_EQ(log_, (Log{"C:kill", "B:set"})) << "made once, activated again";
    EXPECT_EQ(beta_.GetDlgItemText(kText), u"written again");
    EXPECT_EQ(sheet.GetTabControl()->GetCurSel(), 0);
    sheet.EndDialog(IDOK);
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(beta_.m_hWnd, nullptr) << "pages go with the sheet";
}

TEST_F(AfxPropertySheetTest, OkAppliesTheCreatedPagesInPageOrderUnlessOneRefuses) {
  CPropertySheet sheet(u"Sheet");
  AddPages(sheet, {&alpha_, &beta_, &gamma_});
  alpha_.refuseApply = true;
  Then([&] {
    sheet.SetActivePage(2);
    gamma_.SetDlgItemText(kText, u"typed");
    log_.clear();
    sheet.PressButton(static_cast<int>(PSBTN_OK));
  });
  Then([&] {
    EXPECT_EQ(log_, (Log{"C:kill", "A:apply"}));
    EXPECT_TRUE(sheet.IsWindowVisible()) << "a refusing page keeps the sheet";
    EXPECT_EQ(gamma_.text, u"typed") << "leaving the page read it";
    log_.clear();
    alpha_.refuseApply = false;
    sheet.PressButton(static_cast<int>(PSBTN_OK));
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(log_, (Log{"C:kill", "A:apply", "A:ok", "C:apply", "C:ok"}));
}

TEST_F(AfxPropertySheetTest, CancelResetsTheCreatedPagesInPageOrder) {
  CPropertySheet sheet(u"Sheet", nullptr, 1);
  AddPages(sheet, {&alpha_, &beta_, &gamma_});
  Then([&] {
    EXPECT_EQ(sheet.GetActivePage(), &beta_) << "the page chosen at construction";
    EXPECT_EQ(GetFocus(), beta_.GetDlgItem(kText)->m_hWnd) << "its first field has the focus";
    sheet.SetActivePage(0);
    log_.clear();
    platform::ui::input::Key(VK_ESCAPE);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_EQ(log_, (Log{"A:cancel", "B:cancel"}));
}

TEST_F(AfxPropertySheetTest, QuerySiblingsAsksCreatedPagesUntilOneAnswers) {
  CPropertySheet sheet(u"Sheet");
  AddPages(sheet, {&alpha_, &beta_, &gamma_});
  beta_.answer = 5;
  gamma_.answer = 7;
  Then([&] {
    sheet.SetActivePage(2);
    log_.clear();
    EXPECT_EQ(alpha_.QuerySiblings(999, 0), 7) << "beta was never shown";
    EXPECT_EQ(log_, (Log{"A:query", "C:query"}));
    sheet.SetActivePage(1);
    log_.clear();
    EXPECT_EQ(sheet.QuerySiblings(999, 0), 5);
    EXPECT_EQ(log_, (Log{"A:query", "B:query"})) << "stops at the first answer";
    EXPECT_EQ(sheet.QuerySiblings(998, 0), 0);
    sheet.EndDialog(IDCANCEL);
  });
  sheet.DoModal();
}

TEST_F(AfxPropertySheetTest, LeavingAPageCanBeRefused) {
  CPropertySheet sheet(u"Sheet");
  AddPages(sheet, {&alpha_, &beta_});
  alpha_.refuseKill = true;
  Then([&] {
    EXPECT_FALSE(sheet.SetActivePage(1));
    TapTab(sheet, 1);
    EXPECT_EQ(sheet.GetActivePage(), &alpha_);
    EXPECT_EQ(sheet.GetTabControl()->GetCurSel(), 0);
    EXPECT_EQ(beta_.m_hWnd, nullptr);
    sheet.EndDialog(IDCANCEL);
  });
  sheet.DoModal();
}

// A sheet as the settings use it: a command bar made at start, and pages
// that end the run from their OK and Cancel steps.
class EndingSheet : public CPropertySheet {
 public:
  EndingSheet() : CPropertySheet(u"Settings") {}
  BOOL m_bEndRequested = FALSE;
  CCommandBar m_commandBar;

  BOOL ContinueModal() override { return CPropertySheet::ContinueModal() && !m_bEndRequested; }
  BOOL OnInitDialog() override {
    CPropertySheet::OnInitDialog();
    m_commandBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_BOTTOM);
    return TRUE;
  }
};

TEST_F(AfxPropertySheetTest, ModalLoopTestAndCommandBarOfADerivedSheet) {
  EndingSheet sheet;
  sheet.AddPage(&alpha_);
  Then([&] {
    CWnd* bar = sheet.GetDlgItem(static_cast<int>(AFX_IDW_COMMANDBAR));
    ASSERT_EQ(bar, &sheet.m_commandBar);
    EXPECT_EQ(sheet.m_commandBar.GetBarStyle(), TBSTYLE_FLAT);
    RECT client{};
    sheet.GetClientRect(&client);
    const RECT barRect = ClientRectOf(bar, &sheet);
    const RECT tabs = ClientRectOf(sheet.GetTabControl(), &sheet);
    const RECT page = ClientRectOf(&alpha_, &sheet);
    EXPECT_EQ(barRect.bottom, client.bottom) << "bottom-aligned";
    EXPECT_EQ(barRect.bottom - barRect.top, CCommandBar::kHeight);
    EXPECT_EQ(tabs.bottom, barRect.top) << "the tabs make room for the bar";
    EXPECT_EQ(page.bottom, tabs.top);
    log_.clear();
    sheet.m_bEndRequested = TRUE;
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL) << "ended by the loop test alone";
  EXPECT_TRUE(log_.empty()) << "no page was told anything";
}

}  // namespace
