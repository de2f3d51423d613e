// Power cuts in every save path. A child process runs the save under the
// scripted user and is killed with SIGKILL, as when the battery is pulled:
// mostly just before a durable write step drawn from the seed (replayable),
// sometimes after a random time. The test then boots the device folder
// again: the store must hold the complete state before or after the save,
// and the device must come up into a logon that works, never open with a
// password nothing can check.
//
// VEYR_TEST_SEED replays a run; VEYR_CRASH_RUNS sets the number of kills
// over all save paths (default 50; tools/crash_soak.sh runs many more).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "device/inspect.h"
#include "lockout/false_logon_control.h"
#include "platform/faults.h"
#include "platform/modules.h"
#include "platform/object_store.h"
#include "platform/ui/script/script.h"
#include "platform/wstring.h"
#include "store/credential_store.h"
#include "tests/support/child_process.h"
#include "tests/support/scenario_fixture.h"
#include "tests/support/test_seed.h"

namespace {

using namespace testing_support;

enum class SavePath { kInstall, kFalseLogon, kAcceptedLogon, kUnblock, kSettings, kUninstall };

const char* Name(SavePath path) {
  constexpr const char* kNames[] = {"Install", "FalseLogon",     "AcceptedLogon",
                                    "Unblock", "SettingsAccept", "Uninstall"};
  return kNames[static_cast<int>(path)];
}

constexpr const char* kLogon = "expect dialog 628\ntype 679 user1234\ntap 1\n";
// Every password the system may hold in these runs.
constexpr const char16_t* kKnownPasswords[] = {u"user1234", u"User1234", u"New#pass1"};

// Everything a save may change: the registry, the credential record as
// deciphered, and the system password's state.
struct StoreState {
  std::string registry;
  int records = 0;
  bool unreadable = false;
  std::u16string master;
  std::u16string user;
  bool systemSet = false;
  bool systemActive = false;
  std::u16string systemPassword;  // the known password that checks, if any
  bool operator==(const StoreState&) const = default;
};

std::string Describe(const StoreState& s) {
  std::ostringstream out;
  out << "records " << s.records << (s.unreadable ? " unreadable" : "") << ", master '"
      << platform::ToUtf8(s.master) << "', user '" << platform::ToUtf8(s.user) << "', system "
      << (s.systemSet ? "'" + platform::ToUtf8(s.systemPassword) + "'" : "none")
      << (s.systemActive ? " active" : "") << "\nregistry:\n"
      << s.registry;
  return out.str();
}

struct Tally {
  int runs = 0, timed = 0, oldState = 0, newState = 0, between = 0;
  std::set<unsigned> points;
};

class CrashConsistencyTest : public ScenarioTest, public ::testing::WithParamInterface<SavePath> {
 protected:
  // A fresh device in the state before the save.
  void PrepareDevice() {
    TearDown();
    SetUp();
    if (GetParam() == SavePath::kInstall) return;
    Configure({.powerOnLogon = GetParam() != SavePath::kSettings});
    // A device that has been logged on to: the logon before a save then
    // changes nothing of its own.
    SetFalseLogonCount(0);
    if (GetParam() == SavePath::kAcceptedLogon) {
      SetFalseLogonCount(2);
      WriteDelayRecord(kDelayRecordName, {3'500'000, 2, 0});
    }
  }

  // The save, in the child: reports each false logon shown to the user,
  // and the durable write steps it made when it is through.
  void RunSave(ChildProcess& self, unsigned killAt) {
    platform::faults::KillAtWriteStep(killAt);
    auto reported = [&self] { self.Report("reported"); };
    auto through = [&self] {
      self.Report("steps " + std::to_string(platform::faults::WriteSteps()));
      ::_exit(0);
    };
    Script script;
    std::function<void()> job = [this] { module_->Prompt(); };
    switch (GetParam()) {
      case SavePath::kInstall:
        script.Lines(
            "expect dialog 778\ntype 684 Master#1\ntype 685 Master#1\nkey Enter\n"
            "type 684 User1234\ntype 685 User1234\nkey Enter\nexpect box 627\ntap 1\n");
        job = [this] { module_->InstallWizard(); };
        break;
      case SavePath::kFalseLogon:
        script.Lines("expect dialog 628\ntype 679 wrong-1\ntap 1\nexpect box 590\n")
            .Then(reported)
            .Lines("tap 1\nwait 1020\nexpect dialog 628\ntype 679 wrong-2\ntap 1\nexpect box 590\n")
            .Then(reported)
            .Lines("tap 1\nwait 4020\nexpect dialog 628\n")
            .Then(through);
        break;
      case SavePath::kAcceptedLogon:
        script.Lines(kLogon);
        break;
      case SavePath::kUnblock:
        script
            .Lines(
                "expect dialog 628\ntap 724\nexpect dialog 785\ntype 727 Master#1\ntap 729\n"
                "expect dialog 626\ntype 684 New#pass1\ntype 685 New#pass1\ntap 1\n"
                "expect dialog 628\n")
            .Then(through);
        break;
      case SavePath::kSettings:
        // Power-on logon on, the quick-access icon off, Accept.
        script.Lines(std::string(kLogon) + "tap 669\ntap 695\ntap 711\n").Then(through);
        job = [this] { module_->Applet(CPL_DBLCLK); };
        break;
      case SavePath::kUninstall:
        script.Lines("expect dialog 786\ntype 777 Master#1\ntap 1\n");
        job = [this] {
          using Fn = LONG (*)(HWND);
          reinterpret_cast<Fn>(GetProcAddress(module_->Handle(), "Uninstall"))(nullptr);
        };
        break;
    }
    try {
      platform::ui::PlayScript(script.User(), job);
    } catch (const platform::ui::ScriptStopped& stop) {
      self.Report(std::string("stopped: ") + stop.what());
      ::_exit(2);
    }
    through();
  }

  StoreState ReadState() {
    pda::DeviceSnapshot snapshot;
    std::vector<std::string> errors;
    pda::CollectSnapshot(&snapshot, &errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
    StoreState s;
    for (const pda::Database& db : snapshot.databases) {
      if (db.name == u"Vexlund") s.records = static_cast<int>(db.records.size());
    }
    // The registry and the system password's flags as pda inspect shows
    // them; record ids change with every write, whatever it holds, and the
    // signature component's registration is no saved state.
    snapshot.databases.clear();
    std::erase_if(snapshot.roots, [](const pda::RegistryRoot& r) { return r.name == "HKCR"; });
    std::ostringstream registry;
    pda::WriteInspectText(snapshot, registry);
    s.registry = registry.str();
    if (const auto stored = StoredPasswords()) {
      s.master = stored->first;
      s.user = stored->second;
    }
    s.unreadable = CredentialsUnreadable();
    s.systemSet = snapshot.system.passwordSet;
    s.systemActive = snapshot.system.passwordActive;
    for (const char16_t* known : kKnownPasswords) {
      if (s.systemSet && system_->Check(known)) s.systemPassword = known;
    }
    return s;
  }

  // Boots the device as the shell does and logs on where the module is
  // the prompt; otherwise the system's own prompt must know its password.
  void ExpectBoots(const StoreState& s, const std::string& where) {
    // Without a power-on password the owner chose an open device.
    const auto powerOn = RegBytes(HKEY_CURRENT_USER, testing_support::kOwnerKey, u"PowrPass");
    if (!powerOn || powerOn->empty() || (*powerOn)[0] == 0) return;
    if (!RegBytes(HKEY_LOCAL_MACHINE, testing_support::kPasswordKey, u"Redirect")) {
      EXPECT_TRUE(!s.systemSet || !s.systemPassword.empty())
          << where << ": the system prompt asks for a password nobody knows";
      return;
    }
    ASSERT_FALSE(s.user.empty()) << where << ": the module is the prompt but has no password";
    ASSERT_EQ(s.systemPassword, s.user) << where << ": the stored secrets and the system differ";
    std::string script;
    if (const auto delay = DelayRecord(); delay && delay->pending != 0) {
      script = "expect dialog 634\nwait " +
               std::to_string(delay->count * delay->count * 1000 + 20) + "\n";
    }
    script += "expect dialog 628\ntype 679 " + platform::ToUtf8(s.user) + "\ntap 1\n";
    EXPECT_EQ(PromptUnder(script), s.user) << where << ": no working logon after the boot";
  }

  // Checks a state the save was cut in; which of old, new or (where the
  // path allows it) between it is.
  void CheckCut(const StoreState& before, const StoreState& after, const StoreState& cut,
                int reported, const std::string& where, Tally* tally) {
    SCOPED_TRACE("found: " + Describe(cut));
    std::string problem;
    EXPECT_TRUE(platform::object_store::CheckIntegrity(&problem)) << where << ": " << problem;
    EXPECT_FALSE(cut.unreadable) << where << ": the credential record is unreadable";
    EXPECT_LE(cut.records, 1) << where << ": more than one credential record";
    if (cut == before) {
      ++tally->oldState;
    } else if (cut == after) {
      ++tally->newState;
    } else if (GetParam() == SavePath::kFalseLogon) {
      // Two saves in a row: the counter may stand between them, never below
      // what the user was shown.
      ++tally->between;
      const auto retry = Retry().value_or(0);
      EXPECT_GE(retry, static_cast<DWORD>(reported)) << where << ": false logons were lost";
      EXPECT_LE(retry, 2u) << where;
      if (const auto delay = DelayRecord()) {
        EXPECT_TRUE(delay->wellFormed) << where << ": a torn delay record";
        EXPECT_LE(delay->count, retry) << where;
      }
      EXPECT_EQ(cut.user, before.user) << where;
      EXPECT_EQ(cut.systemPassword, before.systemPassword) << where;
    } else if (GetParam() == SavePath::kUninstall) {
      // Removed in an order where every step leaves either the module's
      // logon or the system's own prompt with the same password.
      ++tally->between;
      EXPECT_FALSE(RegBytes(HKEY_LOCAL_MACHINE, testing_support::kPasswordKey, u"Redirect"))
          << where << ": the module is still the prompt of a half-removed install";
      if (cut.systemSet) {
        EXPECT_EQ(cut.systemPassword, before.user) << where;
        EXPECT_EQ(RegBytes(HKEY_CURRENT_USER, testing_support::kOwnerKey, u"PowrPass"),
                  testing_support::Bytes{2})
            << where << ": the system's own prompt is off";
      } else {
        EXPECT_EQ(cut.records, 0) << where << ": secrets left behind without a password";
      }
    } else {
      ADD_FAILURE() << where
                    << ": a state neither before nor after the save\nbefore: " << Describe(before)
                    << "\nafter: " << Describe(after) << "\nfound: " << Describe(cut);
    }
    ExpectBoots(cut, where);
  }
};

TEST_P(CrashConsistencyTest, EveryCutLeavesTheOldOrTheNewStateAndABootThatLogsOn) {
  const unsigned seed = testing_support::TestSeed();
  const char* runsText = std::getenv("VEYR_CRASH_RUNS");
  const int allRuns = runsText ? std::atoi(runsText) : 50;
  const int runs = (allRuns + 5) / 6;
  std::mt19937 random(seed + static_cast<unsigned>(GetParam()));

  // One run to the end: the state after, the number of write steps and
  // how long the child takes.
  PrepareDevice();
  const StoreState before = ReadState();
  const auto started = std::chrono::steady_clock::now();
  unsigned steps = 0;
  {
    ChildProcess child([this](ChildProcess& self) { RunSave(self, 0); });
    while (const auto line = child.NextLine()) {
      if (line->rfind("steps ", 0) == 0) steps = static_cast<unsigned>(std::stoul(line->substr(6)));
      ASSERT_NE(line->rfind("stopped", 0), 0u) << *line;
    }
    ASSERT_TRUE(child.Wait());
  }
  const auto duration = std::chrono::steady_clock::now() - started;
  ASSERT_GT(steps, 0u);
  device_->Reopen();
  const StoreState after = ReadState();
  ASSERT_NE(before, after) << "the save changed nothing";

  Tally tally;
  for (int run = 0; run < runs && !HasFailure(); ++run) {
    // Every fifth cut comes after a random time instead of at a step; a
    // step past the last lets the save finish.
    const bool timed = run % 5 == 4;
    const unsigned killAt =
        timed ? 0 : std::uniform_int_distribution<unsigned>(1, steps + 1)(random);
    const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(duration) *
                       std::uniform_real_distribution<double>(0, 1)(random);
    PrepareDevice();
    int reported = 0;
    {
      ChildProcess child([this, killAt](ChildProcess& self) { RunSave(self, killAt); });
      if (timed) {
        std::this_thread::sleep_for(delay);
        child.Kill();
      }
      while (const auto line = child.NextLine()) {
        if (*line == "reported") ++reported;
        ASSERT_NE(line->rfind("stopped", 0), 0u) << *line;
      }
      child.Kill();
    }
    device_->Reopen();
    const std::string where = std::string(Name(GetParam())) + " run " + std::to_string(run) +
                              (timed ? " timed kill after " + std::to_string(delay.count()) + " us"
                                     : " killed at write step " + std::to_string(killAt) + " of " +
                                           std::to_string(steps)) +
                              " (VEYR_TEST_SEED=" + std::to_string(seed) + ")";
    CheckCut(before, after, ReadState(), reported, where, &tally);
    ++tally.runs;
    if (timed) ++tally.timed;
    if (!timed) tally.points.insert(killAt);
  }
  std::cout << Name(GetParam()) << ": " << tally.runs << " runs (" << tally.timed
            << " timed), kill points hit " << tally.points.size() << " of " << steps + 1 << " ("
            << steps << " write steps and the end), old " << tally.oldState << ", new "
            << tally.newState << ", between " << tally.between << "\n";
}

INSTANTIATE_TEST_SUITE_P(SavePaths, CrashConsistencyTest,
                         ::testing::Values(SavePath::kInstall, SavePath::kFalseLogon,
                                           SavePath::kAcceptedLogon, SavePath::kUnblock,
                                           SavePath::kSettings, SavePath::kUninstall),
                         [](const auto& info) { return std::string(Name(info.param)); });

}  // namespace
