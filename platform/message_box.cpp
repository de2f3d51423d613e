#include "platform/message_box.h"

#include <algorithm>
#include <initializer_list>
#include <mutex>

#include "platform/wstring.h"

namespace platform::message_box {
namespace {

struct State {
  std::mutex lock;
  std::vector<Record> recorded;
  int answer = IDOK;
  Observer observer = nullptr;
};

State& Get() {
  static State state;
  return state;
}

// The configured answer when the box has that button; otherwise the box's
// first button, as a user who just confirms the box would give.
int AnswerFor(UINT type, int configured) {
  auto pick = [configured](std::initializer_list<int> buttons) {
    return std::find(buttons.begin(), buttons.end(), configured) != buttons.end()
               ? configured
               : *buttons.begin();
  };
  switch (type & 0x0F) {
    case MB_OK:
      return pick({IDOK});
    case MB_OKCANCEL:
      return pick({IDOK, IDCANCEL});
    case MB_YESNOCANCEL:
      return pick({IDYES, IDNO, IDCANCEL});
    case MB_YESNO:
      return pick({IDYES, IDNO});
    default:
      return configured;
  }
}

}  // namespace

const std::vector<Record>& Recorded() {
  return Get().recorded;
}

void ClearRecorded() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.recorded.clear();
}

void SetAnswer(int id) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.answer = id;
}

void SetObserver(Observer observer) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.observer = observer;
}

}  // namespace platform::message_box

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  using namespace platform::message_box;
  // A box without a caption is titled "Error", as the system does.
  Record record{owner, text ? std::u16string(text) : std::u16string(),
                caption ? std::u16string(caption) : std::u16string(u"Error"), type};
  State& s = Get();
  Observer observer;
  int answer;
  {
    std::lock_guard guard(s.lock);
    s.recorded.push_back(record);
    observer = s.observer;
    answer = AnswerFor(type, s.answer);
  }
  // Outside the lock: the observer may print, or look at the record list.
  if (observer) observer(record);
  return answer;
}
