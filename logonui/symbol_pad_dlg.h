// The symbol pad (template 522): ten picture keys. Verifies a logon against
// a stored symbol password, or lets the user set a new one, entered twice.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "logonui/logon_base_dlg.h"

class CSymbolPadDlg : public CLogonBaseDlg {
 public:
  static constexpr int kStepFirstEntry = 0;
  static constexpr int kStepVerify = 1;
  static constexpr int kStepConfirm = 3;
  static constexpr int kKeyCount = 10;
  // Symbols an entry holds at most (the buffers keep one more for the zero).
  static constexpr std::size_t kMaxSymbols = 259;
  static constexpr std::size_t kMinNewSymbols = 4;
  static constexpr std::size_t kMaxNewSymbols = 8;

  explicit CSymbolPadDlg(CWnd* parent = nullptr);
  ~CSymbolPadDlg() override;

  // `step`: kStepFirstEntry (set a new password) or kStepVerify. The
  // reference is the stored symbol password; it is copied.
  void Setup(int step, std::u16string_view reference, DWORD symbolSet, BOOL randomOrder);
  // The reference and the entry (after OK in the setting use: the new
  // symbol password), and the set in use.
  void GetResult(std::u16string& reference, std::u16string& entry, DWORD* symbolSet) const;

  // Symbol shown on key k.
  int SymbolOfKey(int key) const { return m_nKeyOrder[static_cast<std::size_t>(key)]; }
  int Step() const { return m_nStep; }

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnCancel() override;

  void OnKey(UINT id);
  void OnCorrection();
  void OnClearEntry();
  void OnSwitchSet();
  void OnPadButton();
  void OnCloseRequest();
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam);

 private:
  using Buffer = std::array<char16_t, kMaxSymbols + 1>;

  void DrawKeyOrder();
  void LoadKeyBitmaps();
  void ReleaseKeyBitmaps();
  void ApplyLayout(bool compact);
  void EmptyEntry();
  void EnableOk(bool enable);
  void UpdateOkRule();
  void ShowValues();
  void ToFirstEntry();
  std::size_t EntryLength() const;
  static void Copy(Buffer& to, std::u16string_view from);
  static void Wipe(Buffer& buffer);
  HBITMAP BitmapOf(UINT controlId) const;

  int m_nStep = kStepVerify;
  DWORD m_nSymbolSet = 0;
  BOOL m_bRandomOrder = FALSE;
  UINT m_nBitmapBase = 0;
  std::array<int, kKeyCount> m_nKeyOrder{};
  Buffer m_szReference{};
  Buffer m_szEntry{};
  Buffer m_szFirstEntry{};
  std::u16string m_strDisplay;
  std::u16string m_strHeading;
  std::u16string m_strPrompt;
  std::u16string m_strOwner1;
  std::u16string m_strOwner2;
  std::u16string m_strButtonLabel;
  RECT m_rcDisplayFrame{};
  RECT m_rcDisplay{};
  std::array<HBITMAP, kKeyCount> m_hKeys{};
  HBITMAP m_hCorrection = nullptr;
  HBITMAP m_hClear = nullptr;
  HBITMAP m_hSwitch = nullptr;

  DECLARE_MESSAGE_MAP()
};
