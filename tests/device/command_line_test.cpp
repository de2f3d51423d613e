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

TEST(CommandLine, NoArgumentsGiveTheDefaults) {
  const pda::Options options = Parse({});
  EXPECT_TRUE(options.device.empty());
  EXPECT_FALSE(options.headless);
  EXPECT_TRUE(options.screenshots.empty());
  EXPECT_TRUE(options.script.empty());
  EXPECT_FALSE(options.realTime);
  EXPECT_FALSE(options.help);
  EXPECT_EQ(options.command, pda::Command::kNone);
  EXPECT_FALSE(options.json);
}

TEST(CommandLine, EveryOptionIsStored) {
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
}

TEST(CommandLine, ValuesMayBeGivenInline) {
  const pda::Options options = Parse({"--device=a b", "--screenshots=s", "--script=f"});
  EXPECT_EQ(options.device, "a b");
  EXPECT_EQ(options.screenshots, "s");
  EXPECT_EQ(options.script, "f");
  // A value that looks like an option is still the value.
  EXPECT_EQ(Parse({"--device", "--headless"}).device, "--headless");
}

TEST(CommandLine, HelpIsRecognisedBeforeAndAfterTheCommand) {
  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"--device", "d", "inspect", "--help"}).help);
  EXPECT_FALSE(pda::Usage().empty());
}

TEST(CommandLine, MistakesAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> cases = {
      {"--frobnicate"},              // unknown option
      {"-x"},                        // unknown short option
      {"launch"},                    // unknown command
      {"--device"},                  // missing value
      {"--device="},                 // empty value
      {"--script"},                  // missing value
      {"--headless=yes"},            // flag with a value
      {"inspect", "--xml"},          // unknown command argument
      {"inspect", "extra"},          // stray argument
      {"inspect", "--device", "d"},  // global options come before the command
  };
  for (const auto& args : cases) {
    pda::Options options;
    std::string error;
    EXPECT_FALSE(pda::ParseCommandLine(args, &options, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

TEST(CommandLine, ReasonNamesTheOffendingArgument) {
  pda::Options options;
  std::string error;
  ASSERT_FALSE(pda::ParseCommandLine({"--device", "d", "--bogus"}, &options, &error));
  EXPECT_NE(error.find("--bogus"), std::string::npos) << error;
  ASSERT_FALSE(pda::ParseCommandLine({"reboot"}, &options, &error));
  EXPECT_NE(error.find("reboot"), std::string::npos) << error;
}

}  // namespace
