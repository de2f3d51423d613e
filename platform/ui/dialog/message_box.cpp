#include "platform/message_box.h"

#include <algorithm>
#include <initializer_list>
#include <mutex>

#include "platform/object_store.h"
#include "platform/recent_records.h"
#include "platform/ui/dialog/dialog_internal.h"
#include "platform/wstring.h"

namespace platform::message_box {
namespace {

struct OpenBox {
  HWND window;
  Record record;
};

struct State {
  std::mutex lock;
  std::vector<Record> recorded;
  bool autoAnswer = true;
  int answer = IDOK;
  Observer observer = nullptr;
  std::vector<OpenBox> open;  // boxes on the screen, innermost last
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

void Forget(HWND window) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.open.erase(std::remove_if(s.open.begin(), s.open.end(),
                              [window](const OpenBox& box) { return box.window == window; }),
               s.open.end());
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
  s.autoAnswer = true;
  s.answer = id;
}

void ClearAnswer() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.autoAnswer = false;
}

bool AutoAnswering() {
  State& s = Get();
  std::lock_guard guard(s.lock);
  return s.autoAnswer;
}

void SetObserver(Observer observer) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  s.observer = observer;
}

bool IsMessageBoxWindow(HWND window, Record* record) {
  State& s = Get();
  std::lock_guard guard(s.lock);
  for (const OpenBox& box : s.open) {
    if (box.window == window) {
      if (record) *record = box.record;
      return true;
    }
  }
  return false;
}

}  // namespace platform::message_box

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  using namespace platform::message_box;
  // A save in progress gives up before the box: the store's write lock
  // must not wait on a person, and a save that has something to say has
  // failed anyway.
  platform::object_store::AbandonBatch();
  // A box without a caption is titled "Error", as the system does.
  Record record{owner, text ? std::u16string(text) : std::u16string(),
                caption ? std::u16string(caption) : std::u16string(u"Error"), type};
  State& s = Get();
  Observer observer;
  bool autoAnswer;
  int answer;
  {
    std::lock_guard guard(s.lock);
    platform::AppendRecent(s.recorded, record);
    observer = s.observer;
    autoAnswer = s.autoAnswer;
    answer = AnswerFor(type, s.answer);
  }
  // Outside the lock: the observer may print, or look at the record list.
  if (autoAnswer) {
    if (observer) observer(record);
    return answer;
  }
  // The box leaves the list of open boxes however its run ends (also by an
  // exception: a scripted run that stops).
  struct Shown {
    HWND box = nullptr;
    ~Shown() {
      if (box) Forget(box);
    }
  } shown;
  return platform::ui::dialog_detail::RunMessageBox(owner, record.text, record.caption, type,
                                                    [&](HWND box) {
                                                      shown.box = box;
                                                      {
                                                        std::lock_guard guard(s.lock);
                                                        s.open.push_back(OpenBox{box, record});
                                                      }
                                                      if (observer) observer(record);
                                                    });
}
