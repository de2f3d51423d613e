// Logon with a symbol password: the pad in fixed and random key order, its
// OK rules, wrong entries through the false-logon control, and the pad that
// can't be dismissed at the lock screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/ui/script/scripted_user.h"
#include "tests/support/scenario_fixture.h"

namespace {

using platform::ui::scripted_user::FindControl;
using platform::ui::scripted_user::Property;
using platform::ui::scripted_user::ReadProperty;
using platform::ui::scripted_user::TopmostWindow;
using testing_support::Require;
using testing_support::ScenarioTest;
using testing_support::Script;

// The symbol each key 503..512 of the pad on top shows, as its text says.
std::vector<std::string> KeyTexts() {
  std::vector<std::string> texts;
  for (int id = 503; id <= 512; ++id) {
    const HWND key = FindControl(TopmostWindow(), id);
    texts.push_back(key ? ReadProperty(key, Property::kText) : "?");
  }
  return texts;
}

class SymbolPadTest : public ScenarioTest {
 protected:
  void ConfigureSymbols(std::u16string symbols, DWORD randomOrder = 0, DWORD limit = 0) {
    Configure({.logonMethod = 1,
               .maxFalseLogons = limit,
               .symbols = std::move(symbols),
               .randomOrder = randomOrder});
  }
};

TEST_F(SymbolPadTest, FixedOrderKeysCorrectionsAndAWrongEntryBeforeTheRightOne) {
  ConfigureSymbols(u"4711");
  Script script;
  script
      .Lines(
          "expect dialog 522\ncheck 503 text 0\ncheck 512 text 9\ncheck 1 enabled 0\n"
          "check 501 visible 0\ncheck 576 visible 0\n"
          // One symbol is enough to try; CE on it empties the entry.
          "symbols 4\ncheck 572 text *\ncheck 1 enabled 1\ntap 513\ncheck 572 text \n"
          "check 1 enabled 0\n"
          // CE on two leaves one; CL empties.
          "symbols 47\ntap 513\ncheck 572 text *\ncheck 1 enabled 1\ntap 514\n"
          "check 572 text \ncheck 1 enabled 0\n"
          // At the lock screen the pad can't be dismissed.
          "key Escape\nexpect dialog 522\n"
          "symbols 4712\ntap 1\nexpect box 652\ntap 1\n")
      .Then([] {
        Require(Retry() == 1u, "the wrong entry was not counted");
        const auto record = DelayRecord();
        Require(record && record->count == 1 && record->pending == 1, "no delay is owed");
      })
      .Lines(
          "expect dialog 634\nwait 1000\nwait 20\nexpect dialog 522\ncheck 572 text \n"
          "check 1 enabled 0\nsymbols 4711\ntap 1\n");
  // The shell gets the user password, never the symbols.
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_EQ(Retry(), 0u);
  EXPECT_FALSE(DelayRecord().has_value());
}

TEST_F(SymbolPadTest, RandomOrderShowsEverySymbolOnceAndTakesTheSamePassword) {
  ConfigureSymbols(u"4711", 1);
  Script script;
  script.Lines("expect dialog 522\n")
      .Then([] {
        // The order is drawn from rand() seeded with the tick count, which
        // the virtual clock fixes: the same order on every run.
        const auto texts = KeyTexts();
        auto sorted = texts;
        std::sort(sorted.begin(), sorted.end());
        std::string all;
        for (const auto& t : texts) all += t;
        Require(
            sorted == std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
            "the keys don't show a permutation: " + all);
        Require(all != "0123456789",
                "the order was not shuffled (tick " + std::to_string(GetTickCount()) + ")");
      })
      .Lines("symbols 4711\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(SymbolPadTest, AStoredPasswordOfAnotherLengthVerifiesExactlyAndAFullEntryStopsGrowing) {
  ConfigureSymbols(u"0123456789");
  const std::string full(259, '*');
  Script script;
  script.Lines(
      // A prefix is not the password.
      "expect dialog 522\nsymbols 01234567\ntap 1\nexpect box 652\ntap 1\nwait 1020\n"
      "expect dialog 522\n" +
      std::string("symbols ") + std::string(260, '9') + "\ncheck 572 text " + full +
      "\ntap 514\nsymbols 0123456789\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
}

TEST_F(SymbolPadTest, TheFalseLogonLimitIsReachedFromThePad) {
  ConfigureSymbols(u"4711", 0, 1);
  Script script;
  script.Lines("expect dialog 522\nsymbols 1111\ntap 1\nexpect box 652\n")
      .Then([] {
        Require(
            RegBytes(HKEY_CURRENT_USER, testing_support::kZentrakKey, u"ContinueAlarm").has_value(),
            "the limit's alarm did not start");
      })
      .Lines("tap 1\nwait 1020\nexpect dialog 522\nsymbols 4711\ntap 1\n");
  EXPECT_EQ(PromptUnder(script), u"user1234");
  EXPECT_FALSE(RegBytes(HKEY_CURRENT_USER, testing_support::kZentrakKey, u"ContinueAlarm"));
}

}  // namespace
