// Runs a job under the scripted user (platform/ui/script/scripted_user.h) and
// turns a stopped run into a test failure that says what the script
// expected and what the screen showed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui/script/script.h"
#include "platform/ui/script/scripted_user.h"

namespace testing_support {

// `preTranslate` sees each message of the loop that plays what is left
// after the job (IsDialogMessage of a modeless window).
inline void RunScripted(platform::ui::ScriptedUser& user, const std::function<void()>& job,
                        const std::function<bool(MSG*)>& preTranslate = {}) {
  try {
    platform::ui::PlayScript(user, job, preTranslate);
  } catch (const platform::ui::ScriptStopped& stop) {
    ADD_FAILURE() << "the script stopped: " << stop.what();
  }
}

// The same with the script as text (the language of `pda --script`).
inline void RunScripted(std::string_view script, const std::function<void()>& job,
                        const std::function<bool(MSG*)>& preTranslate = {}) {
  platform::ui::ScriptedUser user;
  std::string error;
  if (!platform::ui::ParseScript(script, &user, &error)) {
    ADD_FAILURE() << "the script does not parse: " << error;
    return;
  }
  testing_support::RunScripted(user, job, preTranslate);
}

// Plays a script around a job: how the run stopped, or nothing when it ran
// to its end.
inline std::optional<platform::ui::ScriptStopped> StopOf(platform::ui::ScriptedUser& user,
                                                         const std::function<void()>& job) {
  try {
    platform::ui::PlayScript(user, job);
  } catch (const platform::ui::ScriptStopped& stop) {
    return stop;
  }
  return std::nullopt;
}

inline std::optional<platform::ui::ScriptStopped> StopOf(std::string_view script,
                                                         const std::function<void()>& job) {
  platform::ui::ScriptedUser user;
  std::string error;
  EXPECT_TRUE(platform::ui::ParseScript(script, &user, &error)) << error;
  return StopOf(user, job);
}

}  // namespace testing_support
