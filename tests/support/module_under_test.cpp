#include "tests/support/module_under_test.h"

#include <gtest/gtest.h>
#include <openssl/crypto.h>

#include "platform/kernel.h"
#include "platform/modules.h"

namespace testing_support {

namespace {

// A writable, terminated copy for the C entries; null for the empty text.
class Arg {
 public:
  explicit Arg(std::u16string_view text) : text_(text) {}
  ~Arg() { OPENSSL_cleanse(text_.data(), text_.size() * sizeof(char16_t)); }
  LPWSTR Get() { return text_.empty() ? nullptr : text_.data(); }

 private:
  std::u16string text_;
};

}  // namespace

ModuleUnderTest::ModuleUnderTest() {
  module_ = LoadLibrary(u"\\Windows\\Password.cpl");
  if (module_ == nullptr) {
    ADD_FAILURE() << "\\Windows\\Password.cpl does not load (error " << GetLastError() << ")";
    return;
  }
  prompt_ = reinterpret_cast<PromptFn>(GetProcAddress(module_, "PromptForPasswd"));
  lock_ = reinterpret_cast<LockFn>(GetProcAddress(module_, "LockDevice"));
  wizard_ = reinterpret_cast<WizardFn>(GetProcAddress(module_, "ExecuteInstallWizard"));
  applet_ = reinterpret_cast<APPLET_PROC>(GetProcAddress(module_, "CPlApplet"));
  if (!Loaded()) ADD_FAILURE() << "Password.cpl lacks an entry point";
}

ModuleUnderTest::~ModuleUnderTest() {
  if (module_ != nullptr) FreeLibrary(module_);
}

std::optional<std::u16string> ModuleUnderTest::Prompt(HWND caller) const {
  LPWSTR block = prompt_(caller);
  if (block == nullptr) return std::nullopt;
  std::u16string text(block);
  OPENSSL_cleanse(block, text.size() * sizeof(char16_t));
  EXPECT_EQ(LocalFree(block), nullptr) << "the returned string is no local-heap block";
  return text;
}

SystemPassword::SystemPassword() {
  coredll_ = LoadLibrary(u"coredll.dll");
  if (coredll_ == nullptr) {
    ADD_FAILURE() << "coredll.dll does not load";
    return;
  }
  set_ = reinterpret_cast<SetFn>(GetProcAddress(coredll_, "SetPassword"));
  check_ = reinterpret_cast<CheckFn>(GetProcAddress(coredll_, "CheckPassword"));
  if (set_ == nullptr || check_ == nullptr) ADD_FAILURE() << "coredll.dll lacks its entries";
}

SystemPassword::~SystemPassword() {
  if (coredll_ != nullptr) FreeLibrary(coredll_);
}

bool SystemPassword::Check(std::u16string_view password) const {
  Arg arg(password);
  return check_ != nullptr && check_(arg.Get()) != FALSE;
}

bool SystemPassword::Set(std::u16string_view oldPassword, std::u16string_view newPassword) const {
  Arg oldArg(oldPassword);
  Arg newArg(newPassword);
  return set_ != nullptr && set_(oldArg.Get(), newArg.Get()) != FALSE;
}

}  // namespace testing_support
