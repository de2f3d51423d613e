// CDialog's modal runs, data exchange and validation; property sheets'
// pages, their order of steps and the sheet's layout.
#include <string>
#include <tuple>
#include <vector>

#include "platform/message_box.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "tests/support/temp_device.h"
#include "tests/ui/dialog_test_support.h"

using namespace testing_support;

namespace {

constexpr int kName = 100;
constexpr int kNumber = 101;
constexpr int kCheck = 102;
constexpr int kRadioA = 103;
constexpr int kRadioB = 104;
constexpr int kRadioC = 105;
constexpr int kOtherGroup = 106;
constexpr int kMinutes = 107;

constexpr DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;

const DialogItemTemplate kItems[] = {
    Item(kName, u"EDIT", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 5, 5, 100, 12),
    Item(kNumber, u"EDIT", WS_BORDER | WS_TABSTOP, 5, 20, 100, 12),
    Item(kCheck, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 5, 35, 100, 10, u"Check"),
    Item(kRadioA, u"BUTTON", kRadio | WS_GROUP, 5, 48, 40, 10, u"A"),
    Item(kRadioB, u"BUTTON", kRadio, 50, 48, 40, 10, u"B"),
    Item(kRadioC, u"BUTTON", kRadio, 95, 48, 40, 10, u"C"),
    Item(kOtherGroup, u"BUTTON", kRadio | WS_GROUP, 5, 60, 60, 10, u"Other"),
    Item(kMinutes, u"COMBOBOX", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 5, 75, 30, 60),
    Item(IDOK, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 5, 120, 40, 14, u"OK"),
    Item(IDCANCEL, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 50, 120, 40, 14, u"Cancel"),
};
const DialogTemplate kSample = AfxDialogTemplate(kItems);

class SampleDlg : public CDialog {
 public:
  SampleDlg() : CDialog(&kSample) {}

  std::u16string name = u"Ann";
  int number = 42;
  int check = 1;
  int radio = 1;
  std::u16string minutes = u"5";
  int maxName = 8;
  CEdit nameEdit;
  CComboBox minutesCombo;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kName, nameEdit);
    DDX_Control(pDX, kMinutes, minutesCombo);
    DDX_Text(pDX, kName, name);
    DDV_MaxChars(pDX, name, maxName);
    DDX_Text(pDX, kNumber, number);
    DDX_Check(pDX, kCheck, check);
    DDX_Radio(pDX, kRadioA, radio);
    DDX_CBString(pDX, kMinutes, minutes);
  }

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    for (LPCWSTR entry : {u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10"}) {
      minutesCombo.AddString(entry);
    }
    // A radio button of the next group, which the exchange must not touch.
    CheckDlgButton(kOtherGroup, BST_CHECKED);
    UpdateData(FALSE);
    return TRUE;
  }
};

class AfxDialogTest : public AfxTest {};

TEST_F(AfxDialogTest, DoModalReturnsHowTheDialogEnded) {
  SampleDlg byCode;
  Then([&] { byCode.EndDialog(7); });
  EXPECT_EQ(byCode.DoModal(), 7);

  EXPECT_EQ(CDialog(4242u).DoModal(), -1) << "no such template";

  class EndsAtOnce : public CDialog {
   public:
    EndsAtOnce() : CDialog(&kSample) {}
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      EndDialog(5);
      return TRUE;
    }
  } endsAtOnce;
  EXPECT_EQ(endsAtOnce.DoModal(), 5);
  EXPECT_EQ(FindWindow(u"Dialog", u"Test"), nullptr);
  EXPECT_TRUE(StepsDone());
}

TEST_F(AfxDialogTest, ExchangeWritesTheFieldsThenReadsTheControlsOnOk) {
  SampleDlg dlg;
  Then([&] {
    EXPECT_EQ(dlg.GetDlgItemText(kName), u"Ann");
    EXPECT_EQ(dlg.GetDlgItemText(kNumber), u"42");
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioA), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioB), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioC), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kOtherGroup), BST_CHECKED) << "outside the group";
    EXPECT_EQ(dlg.minutesCombo.GetCurSel(), 4) << "select-string of \"5\"";
    EXPECT_EQ(dlg.GetDlgItemText(kMinutes), u"5");
    // The user changes everything.
    dlg.SetDlgItemText(kName, u"Bob");
    dlg.SetDlgItemText(kNumber, u" -17 ");
    dlg.CheckDlgButton(kCheck, BST_UNCHECKED);
    dlg.CheckRadioButton(kRadioA, kRadioC, kRadioC);
    dlg.minutesCombo.SetCurSel(6);
    platform::ui::input::Key(VK_RETURN);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(std::tie(dlg.name, dlg.number, dlg.check, dlg.radio, dlg.minutes),
            std::make_tuple(u"Bob", -17, 0, 2, u"7"));
}

TEST_F(AfxDialogTest, ComboTextOutsideTheListStandsInTheEditPart) {
  SampleDlg dlg;
  dlg.minutes = u"61";
  dlg.radio = -1;
  Then([&] {
    EXPECT_EQ(dlg.minutesCombo.GetCurSel(), CB_ERR);
    EXPECT_EQ(dlg.GetDlgItemText(kMinutes), u"61");
    for (int id : {kRadioA, kRadioB, kRadioC}) EXPECT_EQ(dlg.IsDlgButtonChecked(id), BST_UNCHECKED);
    dlg.EndDialog(IDOK);
  });
  dlg.DoModal();
}

TEST_F(AfxDialogTest, FailedValidationShowsWhyAndKeepsTheDialogOpen) {
  SampleDlg dlg;
  dlg.maxName = 4;
  Then([&] {
    EXPECT_EQ(dlg.nameEdit.GetLimitText(), 4u) << "writing limits the edit";
    dlg.SetDlgItemText(kName, u"Roberta");
    dlg.CheckDlgButton(kCheck, BST_UNCHECKED);
    platform::ui::input::Key(VK_RETURN);
  });
  Then([&] {
    ASSERT_TRUE(IsWindow(dlg.m_hWnd)) << "the dialog stays";
    const auto& boxes = platform::message_box::Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Enter no more than 4 characters.");
    EXPECT_EQ(boxes[0].caption, u"Test Application");
    EXPECT_EQ(GetFocus(), dlg.GetDlgItem(kName)->m_hWnd);
    EXPECT_EQ(dlg.check, 1) << "the exchange stopped at the failure";
    // A number that is none fails on its own field.
    dlg.SetDlgItemText(kName, u"Rob");
    dlg.SetDlgItemText(kNumber, u"12a");
    platform::message_box::ClearRecorded();
    platform::ui::input::Key(VK_RETURN);
  });
  Then([&] {
    ASSERT_EQ(platform::message_box::Recorded().size(), 1u);
    EXPECT_EQ(platform::message_box::Recorded()[0].text, u"Please enter an integer.");
    EXPECT_EQ(GetFocus(), dlg.GetDlgItem(kNumber)->m_hWnd);
    dlg.SetDlgItemText(kNumber, u"12");
    platform::ui::input::Key(VK_RETURN);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(std::tie(dlg.name, dlg.number, dlg.check), std::make_tuple(u"Rob", 12, 0));
}

// The resource module's own templates, with the library's full-screen
// sizing of captioned dialogs and its placeholder command bar.
class AfxResourceDialogTest : public AfxTest {
 protected:
  void SetUp() override {
    AfxTest::SetUp();
    platform::ui::shell::Start();
  }
  void TearDown() override {
    platform::ui::shell::Stop();
    AfxTest::TearDown();
  }
  TempDevice device_{false};
};

TEST_F(AfxResourceDialogTest, CaptionedTemplateGetsAPlaceholderBarUnlessSizingIsOff) {
  CDialog wizard(778);
  Then([&] {
    EXPECT_EQ(wizard.GetWindowText(), u"Welcome");
    CWnd* bar = wizard.GetDlgItem(static_cast<int>(AFX_IDW_COMMANDBAR));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->IsKindOf(RUNTIME_CLASS(CCommandBar)));
    EXPECT_TRUE(bar->IsWindowVisible());
    EXPECT_TRUE(platform::ui::shell::DoneButtonVisible());
    wizard.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(wizard.DoModal(), IDCANCEL);

  class NoSizing : public CDialog {
   public:
    NoSizing() : CDialog(778) { m_bFullScreenSizing = FALSE; }
  } own;
  Then([&] {
    EXPECT_EQ(own.GetDlgItem(static_cast<int>(AFX_IDW_COMMANDBAR)), nullptr);
    own.EndDialog(IDOK);
  });
  EXPECT_EQ(own.DoModal(), IDOK);
}

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

  // Each step is noted; a refusal skips the library's own step.
  BOOL OnInitDialog() override { return Note("init") && CPropertyPage::OnInitDialog(); }
  BOOL OnSetActive() override { return Note("set") && CPropertyPage::OnSetActive(); }
  BOOL OnKillActive() override {
    return Note("kill") && !refuseKill && CPropertyPage::OnKillActive();
  }
  BOOL OnApply() override { return Note("apply") && CPropertyPage::OnApply(); }
  void OnOK() override { Note("ok"); }
  void OnCancel() override { Note("cancel"); }

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, kText, text); }
  LRESULT OnQuerySiblings(WPARAM code, LPARAM) { return Note("query") && code == 999 ? answer : 0; }
  bool Note(const char* what) {
    log_->push_back(name_ + ":" + what);
    return true;
  }

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

// Which pages apply, in which order and what a refusal does is the
// settings sheet's part; here the page in front is left (and read) first.
TEST_F(AfxPropertySheetTest, OkLeavesThePageInFrontBeforeTheCreatedPagesApply) {
  CPropertySheet sheet(u"Sheet");
  AddPages(sheet, {&alpha_, &beta_, &gamma_});
  Then([&] {
    sheet.SetActivePage(2);
    gamma_.SetDlgItemText(kText, u"typed");
    log_.clear();
    sheet.PressButton(static_cast<int>(PSBTN_OK));
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(log_, (Log{"C:kill", "A:apply", "A:ok", "C:apply", "C:ok"}));
  EXPECT_EQ(gamma_.text, u"typed");
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
