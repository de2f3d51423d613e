// CDialog: modal runs and their results, data exchange both ways with
// validation, OK/Cancel overrides, focus moves and help.
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/ui/shell/shell_internal.h"
#include "platform/ui/window/input.h"
#include "tests/support/temp_device.h"
#include "tests/ui/afx_test_support.h"

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

std::u16string Text(CWnd& dialog, int id) {
  return dialog.GetDlgItemText(id);
}

class AfxDialogTest : public AfxTest {};

TEST_F(AfxDialogTest, DoModalReturnsHowTheDialogEnded) {
  SampleDlg byEnter;
  Then([] { platform::ui::input::Key(VK_RETURN); });
  EXPECT_EQ(byEnter.DoModal(), IDOK);
  EXPECT_EQ(byEnter.m_hWnd, nullptr);

  SampleDlg byEscape;
  Then([] { platform::ui::input::Key(VK_ESCAPE); });
  EXPECT_EQ(byEscape.DoModal(), IDCANCEL);

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
    EXPECT_EQ(Text(dlg, kName), u"Ann");
    EXPECT_EQ(Text(dlg, kNumber), u"42");
    EXPECT_EQ(dlg.IsDlgButtonChecked(kCheck), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioA), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioB), BST_CHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kRadioC), BST_UNCHECKED);
    EXPECT_EQ(dlg.IsDlgButtonChecked(kOtherGroup), BST_CHECKED) << "outside the group";
    EXPECT_EQ(dlg.minutesCombo.GetCurSel(), 4) << "select-string of \"5\"";
    EXPECT_EQ(Text(dlg, kMinutes), u"5");
    // The user changes everything.
    dlg.SetDlgItemText(kName, u"Bob");
    dlg.SetDlgItemText(kNumber, u" -17 ");
    dlg.CheckDlgButton(kCheck, BST_UNCHECKED);
    dlg.CheckRadioButton(kRadioA, kRadioC, kRadioC);
    dlg.minutesCombo.SetCurSel(6);
    platform::ui::input::Key(VK_RETURN);
  });
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.name, u"Bob");
  EXPECT_EQ(dlg.number, -17);
  EXPECT_EQ(dlg.check, 0);
  EXPECT_EQ(dlg.radio, 2);
  EXPECT_EQ(dlg.minutes, u"7");
}

TEST_F(AfxDialogTest, ComboTextOutsideTheListStandsInTheEditPart) {
  SampleDlg dlg;
  dlg.minutes = u"61";
  dlg.radio = -1;
  Then([&] {
    EXPECT_EQ(dlg.minutesCombo.GetCurSel(), CB_ERR);
    EXPECT_EQ(Text(dlg, kMinutes), u"61");
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
  EXPECT_EQ(dlg.name, u"Rob");
  EXPECT_EQ(dlg.number, 12);
  EXPECT_EQ(dlg.check, 0);
}

TEST_F(AfxDialogTest, OverriddenOkAndCancelDecideTheEnd) {
  class Picky : public SampleDlg {
   public:
    int oks = 0;
    void OnOK() override {
      if (++oks < 2) return;  // the first OK is refused
      SampleDlg::OnOK();
    }
    void OnCancel() override { EndDialog(9); }
  };
  Picky okTwice;
  Then([] { platform::ui::input::Key(VK_RETURN); });
  Then([&] {
    EXPECT_TRUE(IsWindow(okTwice.m_hWnd));
    okTwice.SendMessage(WM_COMMAND, MAKELONG(IDOK, BN_CLICKED));
  });
  EXPECT_EQ(okTwice.DoModal(), IDOK);
  EXPECT_EQ(okTwice.oks, 2);

  Picky cancelled;
  Then([&] { cancelled.SendMessage(WM_CLOSE); });
  EXPECT_EQ(cancelled.DoModal(), 9) << "WM_CLOSE is Cancel";
}

// The wizard's pattern: every change reads the controls and writes them
// back; writing what a control shows already must not notify again.
class Echoing : public SampleDlg {
 public:
  int changes = 0;

 protected:
  void OnNameChange() {
    ++changes;
    UpdateData(TRUE);
    UpdateData(FALSE);
  }
  DECLARE_MESSAGE_MAP()
};

DEFINE_MESSAGE_MAP(Echoing, SampleDlg,
                   {
                       afx::OnControl<EN_CHANGE, kName, &ThisClass::OnNameChange>(),
                   })

TEST_F(AfxDialogTest, ChangeHandlerThatWritesTheControlsBackRunsOncePerChange) {
  Echoing dlg;
  Then([&] {
    dlg.changes = 0;
    dlg.GotoDlgCtl(dlg.GetDlgItem(kName));
    platform::ui::input::Key(VK_END);
    platform::ui::input::Char(u'x');
  });
  Then([&] {
    EXPECT_EQ(dlg.name, u"Annx");
    EXPECT_EQ(dlg.changes, 1);
    dlg.EndDialog(IDOK);
  });
  dlg.DoModal();
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

}  // namespace
