// The script language of the scripted user: one action per line, the same
// actions as the ScriptedUser API (docs/scripted-user.md).
//
//   expect dialog <template-id>
//   expect box <string-id>
//   tap <control-id> [<combo item text> | <tab index>]
//   tapxy <x> <y>
//   type <control-id> <text>
//   key <Enter|Escape|Backspace|Tab|Delete|Left|Right|Up|Down|F1..F12>
//   sip <text>
//   pen <x>,<y> <x>,<y> ...
//   wait <ms>
//   check <control-id> <text|enabled|checked|visible> <value>
//   shot <file.png>
//
// Blank lines and lines starting with '#' are ignored. The host adds its
// own lines (device actions) with RegisterScriptCommand.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/script/scripted_user.h"

namespace platform::ui {

// A line kind of the host's: gets the rest of the line after the command
// word (surrounding blanks removed) and appends its actions to the user
// (usually one Then step). False with a reason in *error for arguments it
// doesn't accept.
using ScriptCommand =
    std::function<bool(ScriptedUser& user, std::string_view arguments, std::string* error)>;
// Adds (or replaces) a line kind for this process; an empty handler removes
// it. The built-in kinds can't be replaced: false for their names and for
// names that are empty or hold blanks.
bool RegisterScriptCommand(const std::string& name, ScriptCommand handler);

// Appends the actions of a script (UTF-8 text) to `user`, each named by
// its line. False with "line N: reason" in *error at the first bad line;
// `user` then holds the lines before it and should not be run.
bool ParseScript(std::string_view text, ScriptedUser* user, std::string* error);
// The same for a file; a file that can't be read gives the reason.
bool ParseScriptFile(const std::filesystem::path& file, ScriptedUser* user, std::string* error);

}  // namespace platform::ui
