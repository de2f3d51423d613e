// pda --script from end to end: the built program on a throw-away device,
// without a display.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/registry.h"
#include "platform/ui/screen.h"
#include "tests/support/pda_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using testing_support::Quoted;
using testing_support::RunPda;
using Outcome = testing_support::PdaOutcome;

class PdaScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::SetRegBytes(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"Owner", REG_BINARY,
                                 testing_support::OwnerRecord({{0, u"Jane Doe"}}));
    // A configured device without the power-on password: it boots straight
    // to the home screen (a new one would run the installer).
    testing_support::SetRegBytes(HKEY_LOCAL_MACHINE, u"ControlPanel\\Password", u"Redirect", REG_SZ,
                                 testing_support::Utf16Bytes(u"\\Windows\\Password.cpl"));
    // pda opens the device itself, as a second boot would.
    platform::device::Close();
    host_ = device_.folder() / "host";
    std::filesystem::create_directories(host_);
  }

  std::filesystem::path Script(const std::string& text) {
    const std::filesystem::path file = host_ / "script.txt";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return file;
  }

  std::string Options(const std::filesystem::path& script) {
    return "--device " + Quoted(device_.folder()) + " --headless --script " + Quoted(script);
  }

  testing_support::TempDevice device_;
  std::filesystem::path host_;
};

TEST_F(PdaScriptTest, AScriptThatMeetsEveryScreenEndsWithZeroAndLeavesScreenshots) {
  const std::filesystem::path shots = host_ / "shots";
  const std::filesystem::path final = host_ / "final.png";
  const Outcome outcome = RunPda(Options(Script("# the home screen at midnight\n"
                                                "expect dialog 1\n"
                                                "check 1001 text Monday, 1 January 2001\n"
                                                "check 1003 text Jane Doe\n"
                                                "tapxy 120 200\n"
                                                "key Enter\n"
                                                "wait 60000\n"
                                                "check 1002 text 00:01\n"
                                                "expect dialog 1\n"
                                                "shot " +
                                                final.string() + "\n")) +
                                 " --screenshots " + Quoted(shots));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("screenshots in " + shots.string()), std::string::npos)
      << outcome.output;
  // A new picture for each changed screen: at least the first one and the
  // turn of the minute.
  EXPECT_TRUE(std::filesystem::exists(shots / "0001.png"));
  EXPECT_TRUE(std::filesystem::exists(shots / "0002.png"));
  for (const std::filesystem::path& file : {shots / "0001.png", final}) {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(platform::ui::screen::ReadPng(file, &width, &height, &pixels, &error)) << error;
    EXPECT_EQ(width * height, 240 * 320);
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels.front()), std::ssize(pixels));
  }
}

TEST_F(PdaScriptTest, AnUnexpectedScreenEndsWithThreeAndSaysWhatWasShown) {
  const Outcome outcome = RunPda(Options(Script("expect dialog 1\nexpect dialog 628\n")));
  EXPECT_EQ(outcome.status, 3) << outcome.output;
  EXPECT_NE(outcome.output.find("line 2 (expect dialog 628): expected dialog 628, but the screen "
                                "shows dialog 1 'Today'"),
            std::string::npos)
      << outcome.output;
}

TEST_F(PdaScriptTest, AScriptThatDoesNotParseOrCannotBeReadChangesNothing) {
  Outcome outcome = RunPda(Options(Script("tap 1\nfly away\n")));
  EXPECT_EQ(outcome.status, 64) << outcome.output;
  EXPECT_NE(outcome.output.find("line 2: unknown command 'fly'"), std::string::npos)
      << outcome.output;
  outcome = RunPda(Options(host_ / "missing.txt"));
  EXPECT_EQ(outcome.status, 1) << outcome.output;
}

}  // namespace
