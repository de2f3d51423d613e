// Runs a job under the scripted user (platform/ui/script/scripted_user.h) and
// turns a stopped run into a test failure that says what the script
// expected and what the screen showed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
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

}  // namespace testing_support
