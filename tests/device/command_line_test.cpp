#include "device/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

pda::Options Parse(const std::vector<std::string>& args) {
  pda::Options options;
  std::string error;
  EXPECT_TRUE(pda::ParseCommandLine(args, &options, &error)) << error;
  return options;
}

TEST(CommandLine, OptionsAreStoredAndDefaultsKept) {
  const pda::Options options =
      Parse({"--device", "/tmp/dev", "--headless", "--screenshots", "shots", "--script", "run.txt",
             "--real-time", "inspect", "--json"});
  EXPECT_EQ(options.device, "/tmp/dev");
  EXPECT_TRUE(options.headless);
  EXPECT_EQ(options.screenshots, "shots");
  EXPECT_EQ(options.script, "run.txt");
  EXPECT_TRUE(options.realTime);
  EXPECT_EQ(options.command, pda::Command::kInspect);
  EXPECT_TRUE(options.json);

  // Values may be given inline; a value that looks like an option is still
  // the value.
  const pda::Options inlined = Parse({"--device=a b", "--screenshots=s", "--script=f"});
  EXPECT_EQ(inlined.device, "a b");
  EXPECT_EQ(inlined.screenshots, "s");
  EXPECT_EQ(inlined.script, "f");
  EXPECT_EQ(Parse({"--device", "--headless"}).device, "--headless");
  // Help before and after the command.
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--device", "d", "inspect", "--help"}).help);
  EXPECT_FALSE(pda::Usage().empty());
}

// Each mistake is refused with a reason that names the argument.
TEST(CommandLine, MistakesAreRefusedWithAReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--frobnicate"}, "--frobnicate"},          // unknown option
      {{"reboot"}, "reboot"},                      // unknown command
      {{"--device"}, "--device"},                  // missing value
      {{"--device="}, "--device"},                 // empty value
      {{"--headless=yes"}, "--headless"},          // flag with a value
      {{"inspect", "--xml"}, "--xml"},             // unknown command argument
      {{"inspect", "extra"}, "extra"},             // stray argument
      {{"inspect", "--device", "d"}, "--device"},  // global options come before the command
  };
  for (const auto& [args, named] : cases) {
    pda::Options options;
    std::string error;
    EXPECT_FALSE(pda::ParseCommandLine(args, &options, &error)) << named;
    EXPECT_NE(error.find(named), std::string::npos) << error;
  }
}

}  // namespace
