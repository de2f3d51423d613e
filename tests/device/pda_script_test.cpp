// pda --script and pda signature from end to end: the built program on a
// throw-away device, without a display, leaving a picture of each new screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/registry.h"
#include "platform/ui/window/screen.h"
#include "tests/support/pda_runner.h"
#include "tests/support/registry_values.h"
#include "tests/support/temp_device.h"

namespace {

using ::testing::HasSubstr;
using testing_support::Quoted;
using testing_support::RunPda;
using Outcome = testing_support::PdaOutcome;

class PdaScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
  // The home screen (its texts are the home screen test's part) and the
  // turn of its minute.
  const Outcome outcome =
      RunPda(Options(Script("expect dialog 1\ntapxy 120 200\nkey Enter\nwait 60000\n"
                            "expect dialog 1\nshot " +
                            final.string() + "\n")) +
             " --screenshots " + Quoted(shots));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("screenshots in " + shots.string()));
  // A picture for each changed screen only: the first one and the turn of
  // the minute.
  EXPECT_TRUE(std::filesystem::exists(shots / "0002.png"));
  EXPECT_FALSE(std::filesystem::exists(shots / "0003.png"));
  for (const std::filesystem::path& file : {shots / "0001.png", final}) {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(platform::ui::screen::ReadPng(file, &width, &height, &pixels, &error)) << error;
    EXPECT_EQ(width * height, 240 * 320);
    EXPECT_NE(std::count(pixels.begin(), pixels.end(), pixels.front()), std::ssize(pixels));
  }
}

}  // namespace

// The signature commands go through the device's own Panel.ocx, which they
// register first on a device that has not.
class PdaSignatureTest : public PdaScriptTest {
 protected:
  static std::string SigPath(const std::string& name) {
    return std::string(VEYR_SOURCE_DIR) + "/tests/fixtures/signatures/" + name + ".sig";
  }
  static std::string Sig(const std::string& name) { return Quoted(SigPath(name)); }
  std::string Signature(const std::string& arguments) {
    return "--device " + Quoted(device_.folder()) + " signature " + arguments;
  }
  std::string Owners(int first, int last) {
    std::string files;
    for (int n = first; n <= last; ++n) files += " " + Sig("owner-" + std::to_string(n));
    return files;
  }
};

TEST_F(PdaSignatureTest, EnrollPrintsATemplateThatVerifyUsesToTellOwnerFromForger) {
  const Outcome enrolled = RunPda(Signature("enroll" + Owners(1, 5)));
  ASSERT_EQ(enrolled.status, 0) << enrolled.output;
  const std::filesystem::path reference = host_ / "template.txt";
  std::ofstream(reference, std::ios::binary) << enrolled.output;

  const Outcome verified = RunPda(
      Signature("verify " + Quoted(reference) + " " + Sig("owner-6") + " " + Sig("forgery")));
  ASSERT_EQ(verified.status, 0) << verified.output;
  std::smatch scores;
  ASSERT_TRUE(std::regex_match(verified.output, scores,
                               std::regex("threshold (\\S+)\n[^\\n]*owner-6\\.sig match (\\S+)\n"
                                          "[^\\n]*forgery\\.sig reject (\\S+)\n")))
      << verified.output;
  // Higher is more alike, and the verdicts follow the threshold.
  EXPECT_GE(std::stod(scores[2]), std::stod(scores[1]));
  EXPECT_LT(std::stod(scores[3]), std::stod(scores[1]));

  // Every file is reported, and one that cannot be read fails the run.
  Outcome outcome = RunPda(Signature("verify " + Quoted(reference) + " " +
                                     Quoted(host_ / "missing.sig") + " " + Sig("owner-6")));
  EXPECT_EQ(outcome.status, 2) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr("owner-6.sig match"));
  // A damaged template is refused by the engine.
  std::ofstream(reference, std::ios::binary | std::ios::trunc) << "no template\n";
  outcome = RunPda(Signature("verify " + Quoted(reference) + " " + Sig("owner-6")));
  EXPECT_EQ(outcome.status, 2) << outcome.output;
}

TEST_F(PdaSignatureTest, EnrollRefusesInconsistentSamplesTooFewFilesAndBadFiles) {
  Outcome outcome =
      RunPda(Signature("enroll" + Owners(1, 2) + " " + Sig("forgery") + Owners(3, 4)));
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_EQ(outcome.output, "inconsistent 3\n");

  outcome = RunPda(Signature("enroll" + Owners(1, 4)));
  EXPECT_EQ(outcome.status, 2) << outcome.output;

  const std::filesystem::path bad = host_ / "bad.sig";
  std::ofstream(bad, std::ios::binary) << "# fine\n1,1,0 2,2,10\n3,3,5\n";
  outcome = RunPda(Signature("enroll" + Owners(1, 4) + " " + Quoted(bad)));
  EXPECT_EQ(outcome.status, 2) << outcome.output;
  EXPECT_THAT(outcome.output, HasSubstr(bad.string() + ":3: time 5 comes after 10"));
}

// Scripts that stop: the status and the reason name the line. A script
// that cannot be read is a failure of its own.
TEST_F(PdaSignatureTest, AScriptThatStopsSaysWhereAndWhy) {
  const struct {
    std::string script;
    int status;
    std::string reason;
  } cases[] = {
      {"expect dialog 1\nexpect dialog 628\n", 3,
       "line 2 (expect dialog 628): expected dialog 628, but the screen shows dialog 1 'Today'"},
      {"tap 1\nfly away\n", 64, "line 2: unknown command 'fly'"},
      {"expect dialog 1\nsign " + SigPath("owner-1") + "\n", 3, "no signature pad on dialog 1"},
      {"expect dialog 1\nsign " + (host_ / "none.sig").string() + "\n", 64, "line 2: sign: "},
  };
  for (const auto& c : cases) {
    const Outcome outcome = RunPda(Options(Script(c.script)));
    EXPECT_EQ(outcome.status, c.status) << c.script << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr(c.reason)) << c.script;
  }
  EXPECT_EQ(RunPda(Options(host_ / "missing.txt")).status, 1);
}
