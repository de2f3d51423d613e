// Reading script lines into scripted-user actions.
#include "platform/ui/script/script.h"

#include <charconv>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/ui/window/screen.h"

namespace platform::ui {
namespace {

constexpr std::string_view kBlanks = " \t";

struct Commands {
  std::mutex lock;
  std::map<std::string, ScriptCommand, std::less<>> handlers;
};

Commands& Registered() {
  static Commands commands;
  return commands;
}

constexpr std::string_view kBuiltIn[] = {"expect", "tap",  "tapxy", "type", "key",     "sip",
                                         "pen",    "wait", "check", "shot", "symbols", "sign"};

std::string_view TrimLeft(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  const auto last = s.find_last_not_of(kBlanks);
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

// Splits off the next word; `rest` keeps what follows the blanks after it.
std::string_view NextWord(std::string_view* rest) {
  const std::string_view s = TrimLeft(*rest);
  const auto end = s.find_first_of(kBlanks);
  if (end == std::string_view::npos) {
    *rest = std::string_view();
    return s;
  }
  *rest = TrimLeft(s.substr(end));
  return s.substr(0, end);
}

// A whole number in decimal or with 0x in hex.
template <typename T>
std::optional<T> Number(std::string_view word) {
  T value{};
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    word.remove_prefix(2);
    base = 16;
  }
  if (word.empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

class LineParser {
 public:
  LineParser(ScriptedUser* user, std::string* error) : user_(user), error_(error) {}

  // False with the reason in *error_ (without the line number).
  bool Parse(std::string_view command, std::string_view rest) {
    if (command == "expect") return Expect(rest);
    if (command == "tap") return Tap(rest);
    if (command == "tapxy") return TapXY(rest);
    if (command == "type") return Type(rest);
    if (command == "key") return Key(rest);
    if (command == "sip") return Sip(rest);
    if (command == "pen") return Pen(rest);
    if (command == "wait") return Wait(rest);
    if (command == "check") return Check(rest);
    if (command == "shot") return Shot(rest);
    if (command == "symbols") return Symbols(rest);
    if (command == "sign") return Sign(rest);
    ScriptCommand handler;
    {
      Commands& commands = Registered();
      std::lock_guard guard(commands.lock);
      const auto found = commands.handlers.find(command);
      if (found != commands.handlers.end()) handler = found->second;
    }
    if (!handler) return Error("unknown command '" + std::string(command) + "'");
    std::string reason;
    if (handler(*user_, Trim(rest), &reason)) return true;
    return Error(std::string(command) + ": " + (reason.empty() ? "bad arguments" : reason));
  }

 private:
  bool Error(const std::string& reason) {
    *error_ = reason;
    return false;
  }

  bool ControlId(std::string_view word, std::string_view command, int* id) {
    const auto value = Number<int>(word);
    if (!value)
      return Error(std::string(command) + ": a control id is a number, not '" + std::string(word) +
                   "'");
    *id = *value;
    return true;
  }

  bool Coordinate(std::string_view word, std::string_view command, bool vertical, int* out) {
    const int limit = vertical ? screen::kHeight : screen::kWidth;
    const auto value = Number<int>(word);
    if (!value || *value < 0 || *value >= limit) {
      return Error(std::string(command) + ": " + (vertical ? "y" : "x") + " must be 0.." +
                   std::to_string(limit - 1) + ", not '" + std::string(word) + "'");
    }
    *out = *value;
    return true;
  }

  bool NoMore(std::string_view rest, std::string_view command) {
    if (Trim(rest).empty()) return true;
    return Error(std::string(command) + ": unexpected '" + std::string(Trim(rest)) + "'");
  }

  bool Expect(std::string_view rest) {
    const std::string_view kind = NextWord(&rest);
    const std::string_view idWord = NextWord(&rest);
    if (kind != "dialog" && kind != "box") {
      return Error("expect: give 'dialog <template-id>' or 'box <string-id>'");
    }
    const auto id = Number<UINT>(idWord);
    if (!id) {
      return Error("expect " + std::string(kind) + ": an id is a number, not '" +
                   std::string(idWord) + "'");
    }
    if (!NoMore(rest, "expect")) return false;
    if (kind == "dialog") {
      user_->ExpectDialog(*id);
    } else {
      user_->ExpectBox(*id);
    }
    return true;
  }

  bool Tap(std::string_view rest) {
    int id = 0;
    if (!ControlId(NextWord(&rest), "tap", &id)) return false;
    if (rest.empty()) {
      user_->Tap(id);
    } else {
      user_->TapItem(id, rest);
    }
    return true;
  }

  bool TapXY(std::string_view rest) {
    int x = 0;
    int y = 0;
    if (!Coordinate(NextWord(&rest), "tapxy", false, &x)) return false;
    if (!Coordinate(NextWord(&rest), "tapxy", true, &y)) return false;
    if (!NoMore(rest, "tapxy")) return false;
    user_->TapXY(x, y);
    return true;
  }

  bool Type(std::string_view rest) {
    int id = 0;
    if (!ControlId(NextWord(&rest), "type", &id)) return false;
    user_->Type(id, rest);
    return true;
  }

  bool Key(std::string_view rest) {
    const std::string_view name = NextWord(&rest);
    const UINT key = scripted_user::KeyByName(name);
    if (!key) {
      return Error("key: '" + std::string(name) +
                   "' is none of Enter, Escape, Backspace, Tab, Delete, Left, Right, Up, Down, "
                   "F1..F12");
    }
    if (!NoMore(rest, "key")) return false;
    user_->Key(key);
    return true;
  }

  bool Sip(std::string_view rest) {
    if (rest.empty()) return Error("sip: give the text to type");
    user_->Sip(rest);
    return true;
  }

  bool Symbols(std::string_view rest) {
    const std::string_view digits = NextWord(&rest);
    if (digits.empty()) return Error("symbols: give the symbol numbers, e.g. 'symbols 0412'");
    // Each character is checked when the line plays, like a control that
    // isn't there: the script stops with the screen it saw.
    if (!NoMore(rest, "symbols")) return false;
    user_->Symbols(digits);
    return true;
  }

  bool Pen(std::string_view rest) {
    std::vector<POINT> points;
    for (std::string_view word = NextWord(&rest); !word.empty(); word = NextWord(&rest)) {
      const auto comma = word.find(',');
      if (comma == std::string_view::npos) {
        return Error("pen: a point is <x>,<y>, not '" + std::string(word) + "'");
      }
      int x = 0;
      int y = 0;
      if (!Coordinate(word.substr(0, comma), "pen", false, &x)) return false;
      if (!Coordinate(word.substr(comma + 1), "pen", true, &y)) return false;
      points.push_back(POINT{x, y});
    }
    if (points.empty()) return Error("pen: give at least one point <x>,<y>");
    user_->Pen(std::move(points));
    return true;
  }

  bool Wait(std::string_view rest) {
    const std::string_view word = NextWord(&rest);
    const auto ms = Number<DWORD>(word);
    // More than a day at once is a typing error, not a test.
    if (!ms || *ms > 86'400'000u) {
      return Error("wait: give milliseconds (0..86400000), not '" + std::string(word) + "'");
    }
    if (!NoMore(rest, "wait")) return false;
    user_->Wait(*ms);
    return true;
  }

  bool Check(std::string_view rest) {
    int id = 0;
    if (!ControlId(NextWord(&rest), "check", &id)) return false;
    const std::string_view name = NextWord(&rest);
    ScriptedUser::Property property{};
    if (!scripted_user::ParseProperty(name, &property)) {
      return Error("check: '" + std::string(name) + "' is none of text, enabled, checked, visible");
    }
    if (property != ScriptedUser::Property::kText) {
      const std::string_view value = Trim(rest);
      const bool valid = value == "0" || value == "1" ||
                         (property == ScriptedUser::Property::kChecked && value == "2");
      if (!valid) {
        return Error("check: " + std::string(name) + " is 0 or 1" +
                     (property == ScriptedUser::Property::kChecked ? " (or 2)" : "") + ", not '" +
                     std::string(value) + "'");
      }
      user_->Check(id, property, value);
      return true;
    }
    user_->Check(id, property, rest);
    return true;
  }

  bool Shot(std::string_view rest) {
    const std::string_view file = Trim(rest);
    if (file.empty()) return Error("shot: give the file name");
    user_->Shot(std::filesystem::path(std::string(file)));
    return true;
  }

  // The file is read with the script, so a bad one stops the reading.
  bool Sign(std::string_view rest) {
    const std::string_view file = Trim(rest);
    if (file.empty()) return Error("sign: give the signature file");
    SignatureStrokes strokes;
    std::string why;
    if (!platform::ReadSignatureFile(std::filesystem::path(std::string(file)), &strokes, &why))
      return Error("sign: " + why);
    user_->Sign(std::string(file), std::move(strokes));
    return true;
  }

  ScriptedUser* user_;
  std::string* error_;
};

}  // namespace

bool RegisterScriptCommand(const std::string& name, ScriptCommand handler) {
  if (name.empty() || name.find_first_of(kBlanks) != std::string::npos || name[0] == '#') {
    return false;
  }
  for (std::string_view builtIn : kBuiltIn) {
    if (name == builtIn) return false;
  }
  Commands& commands = Registered();
  std::lock_guard guard(commands.lock);
  if (handler) {
    commands.handlers[name] = std::move(handler);
  } else {
    commands.handlers.erase(name);
  }
  return true;
}

bool ParseScript(std::string_view text, ScriptedUser* user, std::string* error) {
  // A byte-order mark some editors put at the start of UTF-8 files.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  LineParser parser(user, error);
  int number = 0;
  while (!text.empty()) {
    ++number;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::string_view rest = TrimLeft(line);
    if (rest.empty() || rest.front() == '#') continue;
    const std::string_view command = NextWord(&rest);
    if (!parser.Parse(command, rest)) {
      *error = "line " + std::to_string(number) + ": " + *error;
      return false;
    }
    user->AtLine(number);
  }
  return true;
}

bool ParseScriptFile(const std::filesystem::path& file, ScriptedUser* user, std::string* error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    *error = "can't read " + file.string();
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    *error = "can't read " + file.string();
    return false;
  }
  return ParseScript(content.str(), user, error);
}

}  // namespace platform::ui
