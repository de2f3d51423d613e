// Reading scripts: every line kind, what is ignored, errors with their line,
// and line kinds the host registers.
#include "platform/ui/script/script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/script/scripted_user.h"

namespace {

using platform::ui::ParseScript;
using platform::ui::ScriptedUser;

std::vector<std::string> Parsed(std::string_view script) {
  ScriptedUser user;
  std::string error;
  EXPECT_TRUE(ParseScript(script, &user, &error)) << error;
  return user.Listing();
}

std::string ErrorOf(std::string_view script) {
  ScriptedUser user;
  std::string error;
  EXPECT_FALSE(ParseScript(script, &user, &error)) << script;
  return error;
}

TEST(Script, ReadsEveryLineKind) {
  const std::vector<std::string> expected = {
      "line 2: expect dialog 628",
      "line 3: expect box 606",
      "line 4: tap 1",
      "line 5: tap 100 Kiwi fruit",
      "line 6: tapxy 0 319",
      "line 7: type 679 two  words ",
      "line 8: type 679",
      "line 9: key Enter",
      "line 10: key F12",
      "line 11: sip Hello, World!",
      "line 12: pen 10,20 30,40 50,60",
      "line 13: wait 9000",
      "line 14: check 679 text secret",
      "line 15: check 2 enabled 0",
      "line 16: check 3 checked 2",
      "line 17: shot out/one.png",
  };
  EXPECT_EQ(Parsed("# a logon\n"
                   "expect dialog 628\n"
                   "expect  box   0x25E\n"
                   "tap 1\n"
                   "tap 100 Kiwi fruit\n"
                   "tapxy 0 319\n"
                   "type 679 two  words \n"
                   "type 679\n"
                   "key enter\n"
                   "key F12\n"
                   "sip Hello, World!\n"
                   "pen 10,20 30,40   50,60\n"
                   "wait 9000\n"
                   "check 679 text secret\n"
                   "check 2 enabled 0\n"
                   "check 3 checked 2\n"
                   "shot out/one.png  \n"),
            expected);
}

TEST(Script, IgnoresBlankLinesCommentsLineEndsAndAByteOrderMark) {
  const std::vector<std::string> expected = {"line 3: tap 1", "line 5: wait 0"};
  EXPECT_EQ(Parsed("\xEF\xBB\xBF# comment\r\n   \r\n  tap 1\r\n\t# indented comment\r\nwait 0"),
            expected);
  EXPECT_TRUE(Parsed("").empty());
}

TEST(Script, NamesTheLineOfAnError) {
  EXPECT_EQ(ErrorOf("tap 1\n\nfly away"), "line 3: unknown command 'fly'");
  // Each malformed line is refused with the line and the command named.
  for (const char* bad :
       {"expect window 5", "expect dialog six", "expect dialog 628 now", "tap OK", "tapxy 240 10",
        "tapxy 10", "type\n", "key Space", "key F13", "sip", "pen", "pen 1,2 3;4", "pen 1,320",
        "wait -5", "check 1 colour red", "check 1 enabled yes", "check 1 checked 3", "shot   "}) {
    const std::string command =
        std::string(bad).substr(0, std::string_view(bad).find_first_of(" \n"));
    EXPECT_EQ(ErrorOf(bad).rfind("line 1: " + command, 0), 0u) << bad;
  }
}

TEST(Script, TheHostAddsLinesOfItsOwn) {
  std::vector<std::string> seen;
  ASSERT_TRUE(platform::ui::RegisterScriptCommand(
      "reset", [&seen](ScriptedUser& user, std::string_view arguments, std::string* error) {
        if (arguments != "soft" && arguments != "hard") {
          *error = "give soft or hard";
          return false;
        }
        seen.emplace_back(arguments);
        user.Then([] {}).Then([] {});
        return true;
      }));
  const std::vector<std::string> expected = {"line 1: tap 5", "line 2: step", "line 2: step"};
  EXPECT_EQ(Parsed("tap 5\nreset   hard  \n"), expected);
  EXPECT_EQ(seen, std::vector<std::string>{"hard"});
  EXPECT_EQ(ErrorOf("reset\n"), "line 1: reset: give soft or hard");

  // The built-in lines stay as they are; odd names are refused.
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("tap", nullptr));
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("two words", nullptr));
  EXPECT_FALSE(platform::ui::RegisterScriptCommand("", nullptr));
  ASSERT_TRUE(platform::ui::RegisterScriptCommand("reset", nullptr));
  EXPECT_EQ(ErrorOf("reset soft"), "line 1: unknown command 'reset'");
}

}  // namespace
